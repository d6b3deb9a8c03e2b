#ifndef ZAMCORE_LANGUAGE_IDENTIFIER_QUOTING_H
#define ZAMCORE_LANGUAGE_IDENTIFIER_QUOTING_H

#include <string>

namespace zamcore {

// A qualified option reference, module id ":" option name, written so that
// the lexer reads it back as exactly these two names wherever it stands. Each
// part is written as ZAM::rklQuoteModuleId and ZAM::rklQuoteId write it,
// except that an empty part or a keyword is single-quoted as well: written
// plain, neither reads as a name. The translating parsers write renamed
// references with it.
std::string referenceText(const std::string& moduleId, const std::string& optionName);

}  // namespace zamcore

#endif
