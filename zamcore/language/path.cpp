#include "zamcore/language/path.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "zamcore/language/lexer.h"
#include "zamcore/language/syntax_error.h"
#include "zamcore/runtime/zam.h"

const ZAMPath ZAMPath::EmptyPath;

ZAMPath::ZAMPath(const std::vector<std::string>& names) : names_(names) {}

ZAMPath::ZAMPath(int count, char** names) {
    for (int i = 0; i < count; ++i) {
        names_.emplace_back(names[i]);
    }
}

void ZAMPath::append(const std::string& name) {
    names_.push_back(name);
}

void ZAMPath::reverse() {
    std::reverse(names_.begin(), names_.end());
}

std::string ZAMPath::toDisplayString() const {
    std::string text;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (i != 0) {
            text += '.';
        }
        text += names_[i];
    }
    return text;
}

std::string ZAMPath::toParseableString() const {
    std::string text;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (i != 0) {
            text += '.';
        }
        text += ZAM::rklQuoteId(names_[i]);
    }
    return text;
}

// path := { "." | name } end
ZAMPath ZAMPath::parsePath(const std::string& text) {
    if (text.empty()) {
        return EmptyPath;
    }
    ZAMLexer lexer(text);
    ZAMPath path = readNames(lexer);
    if (lexer.type() != ZAMLexer::TK_END) {
        zamcore::raiseSyntaxError(lexer, zamcore::MessageKey::PathInternal);
    }
    return path;
}

// bracket path := [ "[" { "." | name } "]" ]
ZAMPath ZAMPath::parseBracketPath(ZAMLexer& lexer) {
    if (lexer.type() != ZAMLexer::TK_LBRACKET) {
        return ZAMPath();
    }
    lexer.next();
    ZAMPath path = readNames(lexer);
    if (lexer.type() != ZAMLexer::TK_RBRACKET) {
        zamcore::raiseSyntaxError(lexer, zamcore::MessageKey::Path);
    }
    lexer.next();
    return path;
}

// Separators are only skipped: leading, trailing and doubled dots change
// nothing, and two names with just white space between them are two names.
ZAMPath ZAMPath::readNames(ZAMLexer& lexer) {
    ZAMPath path;
    for (;; lexer.next()) {
        if (lexer.type() == ZAMLexer::TK_IDENTIFIER) {
            path.append(lexer.identifierValue());
        } else if (lexer.type() != ZAMLexer::TK_DOT) {
            return path;
        }
    }
}

int ZAMPath::compare(const ZAMPath& other) const {
    const std::size_t n = other.names_.size();
    const std::size_t m = names_.size();
    if (n == 0) {
        return 0;
    }
    if (n > m) {
        return -1;
    }
    for (std::size_t start = 0; start + n <= m; ++start) {
        if (std::equal(other.names_.begin(), other.names_.end(), names_.begin() + start)) {
            return matchScore(m, start, n);
        }
    }
    return -1;
}

// Up to 31 names: the sum of the weights 2^(m-1-p) of the matched positions,
// which is 2^(m-start) - 2^(m-start-n). Longer paths would overflow that, so
// they score the rank of the match among all runs of the path, ordered by
// later start first and, for one start, shorter run first. Both formulas
// order matches the same way; the rank saturates at the int maximum for
// paths of more than 65535 names.
int ZAMPath::matchScore(std::size_t m, std::size_t start, std::size_t n) {
    constexpr std::size_t kExactNames = 31;
    constexpr std::uint64_t kMaxScore = std::numeric_limits<int>::max();
    const std::uint64_t rest = m - start;
    if (m <= kExactNames) {
        return static_cast<int>((std::uint64_t{1} << rest) - (std::uint64_t{1} << (rest - n)));
    }
    // Runs that start later: rest - 1 + rest - 2 + ... + 1 of them.
    const std::uint64_t laterRuns = rest <= (1u << 20) ? rest * (rest - 1) / 2 : kMaxScore;
    return static_cast<int>(std::min(kMaxScore, laterRuns + n));
}
