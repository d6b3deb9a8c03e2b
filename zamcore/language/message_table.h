#ifndef ZAMCORE_LANGUAGE_MESSAGE_TABLE_H
#define ZAMCORE_LANGUAGE_MESSAGE_TABLE_H

#include <string>

namespace zamcore {

// The built-in English message for a syntax error key, or the key itself
// when the table has no message for it.
std::string defaultMessage(const std::string& key);

}  // namespace zamcore

#endif
