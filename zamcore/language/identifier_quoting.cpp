#include "zamcore/language/identifier_quoting.h"

#include <string>

#include "zamcore/language/char_class.h"
#include "zamcore/language/keywords.h"
#include "zamcore/runtime/zam.h"

namespace {

using zamcore::isDigit;
using zamcore::isLetter;

// Whether the lexer reads `name` back, unquoted, as one name. Keywords count
// as plain: a caller that may meet them must keep them out of keyword
// position itself.
bool isPlainName(const std::string& name, bool digitFirst) {
    for (std::size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        const bool digitAllowed = i > 0 || digitFirst;
        if (!(isLetter(c) || c == '_' || (digitAllowed && isDigit(c)))) {
            return false;
        }
    }
    return true;
}

std::string singleQuoted(const std::string& name) {
    std::string quoted = "'";
    for (char c : name) {
        if (c == '\\' || c == '\'') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "'";
}

std::string quoteName(const std::string& name, bool digitFirst) {
    if (isPlainName(name, digitFirst)) {
        return name;
    }
    return singleQuoted(name);
}

std::string quoteReferencePart(const std::string& name, bool digitFirst) {
    if (name.empty() || zamcore::isKeyword(name)) {
        return singleQuoted(name);
    }
    return quoteName(name, digitFirst);
}

}  // namespace

std::string ZAM::rklQuoteId(const std::string& name) {
    return quoteName(name, false);
}

std::string ZAM::rklQuoteModuleId(const std::string& moduleId) {
    return quoteName(moduleId, true);
}

std::string zamcore::referenceText(const std::string& moduleId, const std::string& optionName) {
    return quoteReferencePart(moduleId, true) + ":" + quoteReferencePart(optionName, false);
}
