#ifndef ZAMCORE_LANGUAGE_KEYWORDS_H
#define ZAMCORE_LANGUAGE_KEYWORDS_H

#include <string_view>

namespace zamcore {

// Whether `word`, written unquoted and followed by white space, reads as a
// keyword of the language instead of a name ("default", "set", "hide").
bool isKeyword(std::string_view word);

}  // namespace zamcore

#endif
