#ifndef ZAMCORE_TESTS_LANGUAGE_TOKEN_DUMP_H
#define ZAMCORE_TESTS_LANGUAGE_TOKEN_DUMP_H

#include <zamcore/zamcore.h>

#include <map>
#include <string>
#include <vector>

namespace zamtest {

// The tokens of `text`: keywords and operators as their text, other kinds as
// kind(value). Stops at the first "invalid", which repeats.
inline std::vector<std::string> tokens(const std::string& text) {
    using T = ZAMLexer::TokenType;
    const std::map<T, std::string> kinds = {{T::TK_IDENTIFIER, "id"},
                                            {T::TK_STRING, "str"},
                                            {T::TK_INTEGER, "int"},
                                            {T::TK_REAL, "real"},
                                            {T::TK_RESERVED, "reserved"}};
    ZAMLexer lexer(text);
    std::vector<std::string> list;
    for (; lexer.type() != T::TK_END; lexer.next()) {
        if (lexer.type() == T::TK_INVALID) {
            list.push_back("invalid");
            break;
        }
        const auto kind = kinds.find(lexer.type());
        const std::string value =
            lexer.type() == T::TK_STRING ? lexer.stringValue() : lexer.identifierValue();
        list.push_back(kind == kinds.end() ? value : kind->second + "(" + value + ")");
    }
    return list;
}

// The tokens of `text` in one line, separated by spaces.
inline std::string dump(const std::string& text) {
    std::string out;
    for (const std::string& token : tokens(text)) {
        out += out.empty() ? "" : " ";
        out += token;
    }
    return out;
}

}  // namespace zamtest

#endif
