#include "zamcore/language/lexer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

#include "zamcore/language/char_class.h"
#include "zamcore/language/keywords.h"
#include "zamcore/runtime/exception.h"

namespace {

using Token = ZAMLexer::TokenType;

// Marks the capture as finished: no position of a text can be this large.
constexpr std::uint32_t kNoPosition = std::numeric_limits<std::uint32_t>::max();

constexpr std::uint32_t kContextBefore = 20;
constexpr std::uint32_t kContextWidth = 40;

using zamcore::isDigit;
using zamcore::isLetter;
using zamcore::isSpace;
using zamcore::isWordChar;

struct TableEntry {
    std::string_view text;
    Token type;
};

// Keywords and operators in search order. Operators match as prefixes, so
// each two-character operator comes before the one-character operator that
// begins it.
constexpr TableEntry kTable[] = {
    {"=", Token::TK_EQ},
    {"!=", Token::TK_NE},
    {"<=", Token::TK_LE},
    {">=", Token::TK_GE},
    {"<", Token::TK_LT},
    {">", Token::TK_GT},
    {".", Token::TK_DOT},
    {":", Token::TK_COLON},
    {";", Token::TK_SEMICOLON},
    {",", Token::TK_COMMA},
    {"(", Token::TK_LPAREN},
    {")", Token::TK_RPAREN},
    {"[", Token::TK_LBRACKET},
    {"]", Token::TK_RBRACKET},
    {"{", Token::TK_LBRACE},
    {"}", Token::TK_RBRACE},
    {"+=", Token::TK_PLUS_ASSIGN},
    {"+", Token::TK_PLUS},
    {"-=", Token::TK_MINUS_ASSIGN},
    {"-", Token::TK_MINUS},
    {"*", Token::TK_TIMES},
    {"/", Token::TK_DIVIDE},
    {"if", Token::TK_IF},
    {"then", Token::TK_THEN},
    {"elif", Token::TK_ELIF},
    {"else", Token::TK_ELSE},
    {"endif", Token::TK_ENDIF},
    {"and", Token::TK_AND},
    {"not", Token::TK_NOT},
    {"or", Token::TK_OR},
    {"unset", Token::TK_UNSET},
    {"true", Token::TK_TRUE},
    {"false", Token::TK_FALSE},
    {"implements", Token::TK_IMPLEMENTS},
    {"presents", Token::TK_PRESENTS},
    {"uses", Token::TK_USES},
    {"set", Token::TK_SET},
    {"fix", Token::TK_FIX},
    {"to", Token::TK_TO},
    {"inform", Token::TK_INFORM},
    {"warn", Token::TK_WARN},
    {"error", Token::TK_ERROR},
    {"public", Token::TK_PUBLIC},
    {"private", Token::TK_PRIVATE},
    {"mandatory", Token::TK_MANDATORY},
    {"mutually_exclusive", Token::TK_MUTUALLY_EXCLUSIVE},
    {"non_mutually_exclusive", Token::TK_NON_MUTUALLY_EXCLUSIVE},
    {"enum", Token::TK_ENUM},
    {"string", Token::TK_TYPE_STRING},
    {"real", Token::TK_TYPE_REAL},
    {"integer", Token::TK_TYPE_INTEGER},
    {"logical", Token::TK_TYPE_LOGICAL},
    {"default", Token::TK_DEFAULT},
    {"legacy", Token::TK_LEGACY},
    {"hide", Token::TK_RESERVED},
    {"show", Token::TK_RESERVED},
    {"interface", Token::TK_RESERVED},
};

constexpr std::size_t kTableSize = sizeof(kTable) / sizeof(kTable[0]);
static_assert(kTableSize == 57, "the keyword table has 57 entries");

// Keywords are the entries that begin with a letter; the rest are operators.
constexpr bool isKeywordEntry(const TableEntry& entry) {
    return zamcore::isLetter(static_cast<unsigned char>(entry.text.front()));
}

// What the first character of a token starts.
enum class Start : std::uint8_t {
    kOther,  // white space, NUL and bytes that start no token
    kLetter,
    kUnderscore,
    kDigit,
    kDoubleQuote,
    kSingleQuote,
    kOperator,
};

// Keywords by a hash of their first and last byte and their length, which no
// two keywords share (checked below), so one comparison decides.
constexpr std::size_t kKeywordSlots = 128;

constexpr std::size_t keywordSlot(const char* word, std::size_t size) {
    return (static_cast<unsigned char>(word[0]) * 5u +
            static_cast<unsigned char>(word[size - 1]) * 3u + size) &
           (kKeywordSlots - 1);
}

// What each byte starts; the operator that each byte makes, if any, and the
// one it makes followed by "=": every two-character operator ends in "=", so
// the longer one is found by looking at one more byte; and the keywords by
// slot. Built by the compiler, so no thread ever sees them half made.
struct TokenTables {
    Start start[256];
    std::uint8_t single[256];
    std::uint8_t withEquals[256];
    std::uint8_t keyword[kKeywordSlots];  // entry index + 1; 0 for none
    bool consistent = true;

    constexpr TokenTables() : start(), single(), withEquals(), keyword() {
        for (int c = 0; c < 256; ++c) {
            const auto byte = static_cast<unsigned char>(c);
            start[c] = zamcore::isLetter(byte)  ? Start::kLetter
                       : zamcore::isDigit(byte) ? Start::kDigit
                                                : Start::kOther;
            single[c] = Token::TK_INVALID;
            withEquals[c] = Token::TK_INVALID;
        }
        start[static_cast<unsigned char>('_')] = Start::kUnderscore;
        start[static_cast<unsigned char>('"')] = Start::kDoubleQuote;
        start[static_cast<unsigned char>('\'')] = Start::kSingleQuote;
        for (std::size_t i = 0; i < kTableSize; ++i) {
            const TableEntry& entry = kTable[i];
            const auto first = static_cast<unsigned char>(entry.text.front());
            if (isKeywordEntry(entry)) {
                const std::size_t slot = keywordSlot(entry.text.data(), entry.text.size());
                consistent = consistent && keyword[slot] == 0;
                keyword[slot] = static_cast<std::uint8_t>(i + 1);
                continue;
            }
            // An operator may not begin with a byte that starts anything else.
            consistent =
                consistent && (start[first] == Start::kOther || start[first] == Start::kOperator);
            start[first] = Start::kOperator;
            if (entry.text.size() == 1) {
                single[first] = static_cast<std::uint8_t>(entry.type);
            } else {
                consistent = consistent && entry.text.size() == 2 && entry.text[1] == '=';
                withEquals[first] = static_cast<std::uint8_t>(entry.type);
            }
        }
    }
};

constexpr TokenTables kTokens{};
static_assert(kTokens.consistent,
              "keywords hash to distinct slots and two-character operators end in '='");
static_assert(Token::TK_RESERVED < 256, "token codes fit a byte");

// Inline: it runs after most words.
inline const TableEntry* findKeyword(std::string_view word) {
    const std::uint8_t index = kTokens.keyword[keywordSlot(word.data(), word.size())];
    if (index == 0) {
        return nullptr;
    }
    // Keywords are short: a loop beats a call to memcmp.
    const TableEntry& entry = kTable[index - 1];
    if (entry.text.size() != word.size()) {
        return nullptr;
    }
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (entry.text[i] != word[i]) {
            return nullptr;
        }
    }
    return &entry;
}

// A backslash keeps the character after it, whatever it is; there are no
// control-character escapes.
std::string unescape(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
            if (i == text.size()) {
                break;
            }
        }
        result += text[i];
    }
    return result;
}

// Length of the run of digits at the start of `text`.
std::size_t digitRun(std::string_view text) {
    std::size_t n = 0;
    while (n < text.size() && isDigit(static_cast<unsigned char>(text[n]))) {
        ++n;
    }
    return n;
}

// The hot loops below read a text through its data(): every run stops at
// the text's closing NUL, which is no white space, name character, digit,
// "#" or "=", so they need no bound.

std::uint32_t wordEnd(const char* text, std::uint32_t from) {
    while (isWordChar(static_cast<unsigned char>(text[from]))) {
        ++from;
    }
    return from;
}

std::uint32_t digitsEnd(const char* text, std::uint32_t from) {
    while (isDigit(static_cast<unsigned char>(text[from]))) {
        ++from;
    }
    return from;
}

// The first position from `pos` that is neither white space nor in a
// comment; adds the line breaks passed over to `lines`. A "#" outside a
// quoted literal comments out the rest of its line, even directly after a
// token.
std::uint32_t skipSpaceAndComments(const char* text, std::uint32_t size, std::uint32_t pos,
                                   std::uint32_t& lines) {
    for (;;) {
        while (isSpace(static_cast<unsigned char>(text[pos]))) {
            lines += text[pos] == '\n' ? 1 : 0;
            ++pos;
        }
        if (text[pos] != '#') {
            return pos;
        }
        const void* lineEnd = std::memchr(text + pos, '\n', size - pos);
        if (lineEnd == nullptr) {
            return size;
        }
        pos = static_cast<std::uint32_t>(static_cast<const char*>(lineEnd) - text) + 1;
        ++lines;
    }
}

// A token found at a position; `unterminated` for a quoted literal that has
// no closing quote.
struct Scanned {
    Token type;
    std::uint32_t length;
    bool unterminated;
};

// Only the one character before a quote is looked at: a quote directly after
// a backslash never closes the literal, so a literal cannot end in one.
Scanned scanQuoted(const char* text, std::uint32_t size, std::uint32_t pos, Token kind) {
    const char quote = text[pos];
    std::uint32_t end = pos + 1;
    for (;;) {
        const void* found = std::memchr(text + end, quote, size - end);
        if (found == nullptr) {
            return Scanned{kind, 0, true};
        }
        end = static_cast<std::uint32_t>(static_cast<const char*>(found) - text);
        if (text[end - 1] != '\\') {
            return Scanned{kind, end + 1 - pos, false};
        }
        ++end;
    }
}

// Digits, then the character after them decides: a letter or "_" makes a
// name ("2nd"), ":" makes the digits a name (a module id such as "1234"), "."
// makes a real with the digits after it ("12.5", "12."). No sign, no exponent.
Scanned scanNumber(const char* text, std::uint32_t pos) {
    const std::uint32_t end = digitsEnd(text, pos + 1);
    const auto c = static_cast<unsigned char>(text[end]);
    if (isLetter(c) || c == '_') {
        return Scanned{Token::TK_IDENTIFIER, wordEnd(text, end) - pos, false};
    }
    if (c == ':') {
        return Scanned{Token::TK_IDENTIFIER, end - pos, false};
    }
    if (c == '.') {
        return Scanned{Token::TK_REAL, digitsEnd(text, end + 1) - pos, false};
    }
    return Scanned{Token::TK_INTEGER, end - pos, false};
}

// The first character decides (see kTokens.start): a letter starts a word (a
// keyword or a name), "_" a name, a digit a number, a quote a quoted literal;
// operators match as prefixes, whatever follows them ("<=" before "<"); any
// other character is TK_INVALID, of length 0.
Scanned scanToken(const char* text, std::uint32_t size, std::uint32_t pos) {
    const auto c = static_cast<unsigned char>(text[pos]);
    switch (kTokens.start[c]) {
        case Start::kLetter: {
            const std::uint32_t end = wordEnd(text, pos + 1);
            if (isSpace(static_cast<unsigned char>(text[end])) || end == size) {
                const TableEntry* keyword = findKeyword(std::string_view(text + pos, end - pos));
                if (keyword != nullptr) {
                    return Scanned{keyword->type, end - pos, false};
                }
            }
            return Scanned{Token::TK_IDENTIFIER, end - pos, false};
        }
        case Start::kUnderscore:
            return Scanned{Token::TK_IDENTIFIER, wordEnd(text, pos + 1) - pos, false};
        case Start::kOperator: {
            const auto withEquals = static_cast<Token>(kTokens.withEquals[c]);
            if (text[pos + 1] == '=' && withEquals != Token::TK_INVALID) {
                return Scanned{withEquals, 2, false};
            }
            // "!" alone is no operator.
            const auto single = static_cast<Token>(kTokens.single[c]);
            return Scanned{single, single != Token::TK_INVALID ? 1u : 0u, false};
        }
        case Start::kDigit:
            return scanNumber(text, pos);
        case Start::kDoubleQuote:
            return scanQuoted(text, size, pos, Token::TK_STRING);
        case Start::kSingleQuote:
            return scanQuoted(text, size, pos, Token::TK_IDENTIFIER);
        case Start::kOther:
            break;
    }
    return Scanned{pos >= size ? Token::TK_END : Token::TK_INVALID, 0, false};
}

}  // namespace

// Only names can be keywords here, and a name holds no white space: an entry
// that matches the whole word matches it exactly.
// A keyword counts only when white space or the end of the text follows it,
// so "setting", "set(" and "false)" hold no keyword. Keywords are made of
// name characters, so the run of them before that white space is the keyword
// itself.
bool zamcore::isKeyword(std::string_view word) {
    if (word.empty() || !isLetter(static_cast<unsigned char>(word.front()))) {
        return false;
    }
    std::size_t end = 0;
    while (end < word.size() && isWordChar(static_cast<unsigned char>(word[end]))) {
        ++end;
    }
    if (end < word.size() && !isSpace(static_cast<unsigned char>(word[end]))) {
        return false;
    }
    return findKeyword(word.substr(0, end)) != nullptr;
}

ZAMLexer::ZAMLexer(const std::string& text)
    : text_(text),
      pos_(0),
      length_(0),
      line_(1),
      rewrite_(false),
      hold_(false),
      captureStart_(0),
      heldStart_(0),
      heldEnd_(0),
      type_(TK_END) {
    // Positions are 32-bit and kNoPosition must stay out of reach.
    if (text_.size() >= kNoPosition) {
        throw ZAMSyntaxError("Text too long", "", 1);
    }
    next();
}

void ZAMLexer::next() {
    if (hold_) {
        heldEnd_ = pos_ + length_;
    }
    const char* const text = text_.data();
    std::uint32_t lines = 0;
    pos_ = skipSpaceAndComments(text, size(), pos_ + length_, lines);
    length_ = 0;
    if (lines != 0) {
        countLines(lines);
    }
    if (rewrite_) {
        capture();
    }
    const Scanned token = scanToken(text, size(), pos_);
    if (token.unterminated) {
        throwUnterminated(token.type);
    }
    length_ = token.length;
    type_ = token.type;
}

// Out of line, so that next() keeps its registers for the scans.
void ZAMLexer::throwUnterminated(TokenType kind) const {
    const ErrorContext context = errorContext();
    throw ZAMSyntaxError(
        kind == TK_STRING ? "Unterminated double quotes" : "Unterminated single quotes",
        context.text, context.line);
}

// Stops at the largest line number instead of overflowing.
void ZAMLexer::countLines(std::uint32_t lines) {
    constexpr std::int32_t kLast = std::numeric_limits<std::int32_t>::max();
    line_ = lines >= static_cast<std::uint32_t>(kLast - line_)
                ? kLast
                : line_ + static_cast<std::int32_t>(lines);
}

// Copies everything read since the last capture, up to the new token.
void ZAMLexer::capture() {
    if (rewrite_ && !hold_) {
        appendToOutput(pos_);
        resumeCapture();
    }
}

std::string ZAMLexer::stringValue() const {
    if (length_ < 2) {
        return std::string();
    }
    return unescape(std::string_view(text_).substr(pos_ + 1, length_ - 2));
}

std::string ZAMLexer::identifierValue() const {
    const std::string_view token = std::string_view(text_).substr(pos_, length_);
    if (length_ >= 2 && token.front() == '\'') {
        return unescape(token.substr(1, length_ - 2));
    }
    return unescape(token);
}

// The digits at the start of the token: all of an integer literal, the whole
// part of a real, or a module id made of digits. Saturates instead of
// wrapping.
int ZAMLexer::intValue() const {
    constexpr std::int64_t kMax = std::numeric_limits<int>::max();
    const std::string_view digits = rest().substr(0, digitRun(rest()));
    std::int64_t value = 0;
    for (char digit : digits) {
        value = std::min(kMax, value * 10 + (digit - '0'));
    }
    return static_cast<int>(value);
}

// Converted without the C library so that a decimal-comma locale cannot
// change what "12.5" means.
double ZAMLexer::realValue() const {
    const std::string_view text = rest();
    const std::size_t whole = digitRun(text);
    std::size_t end = whole;
    if (end < text.size() && text[end] == '.') {
        end += 1 + digitRun(text.substr(end + 1));
    }
    double value = 0.0;
    const std::from_chars_result result =
        std::from_chars(text.data(), text.data() + end, value, std::chars_format::fixed);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large when the whole part is not all zeros; otherwise too small.
        const bool large = text.substr(0, whole).find_first_not_of('0') != std::string_view::npos;
        return large ? HUGE_VAL : 0.0;
    }
    return value;
}

ZAMLexer::ErrorContext ZAMLexer::errorContext(const Mark& at) const {
    const std::uint32_t start = at.pos >= kContextBefore ? at.pos - kContextBefore : 0;
    std::string excerpt = text_.substr(start, kContextWidth);
    std::replace(excerpt.begin(), excerpt.end(), '\n', ' ');
    std::replace(excerpt.begin(), excerpt.end(), '\t', ' ');
    std::replace(excerpt.begin(), excerpt.end(), '\r', ' ');
    return ErrorContext{excerpt + '\n' + std::string(at.pos - start, ' ') + '^', at.line};
}

void ZAMLexer::setRewrite() {
    rewrite_ = true;
}

// What comes before the held run is copied now: when the run starts at the
// first token, nothing has been copied yet.
void ZAMLexer::holdToken() {
    if (rewrite_) {
        appendToOutput(pos_);
        resumeCapture();
    }
    hold_ = true;
    heldStart_ = pos_;
    heldEnd_ = pos_;
}

void ZAMLexer::keepHeld() {
    appendToOutput(pos_);
    resumeCapture();
    hold_ = false;
}

// A replacement ending in a name character would run into a name, number or
// keyword that followed the held run directly (as one after a closing quote
// may), and likewise at its start; the space keeps the tokens apart.
void ZAMLexer::replaceHeld(const std::string& replacement) {
    if (!replacement.empty()) {
        if (heldStart_ > 0 && wordCharAt(heldStart_ - 1) &&
            isWordChar(static_cast<unsigned char>(replacement.front()))) {
            output_ += ' ';
        }
        output_ += replacement;
        if (heldEnd_ == pos_ && wordCharAt(pos_) &&
            isWordChar(static_cast<unsigned char>(replacement.back()))) {
            output_ += ' ';
        }
    }
    output_.append(text_, heldEnd_, pos_ - heldEnd_);
    resumeCapture();
    hold_ = false;
}

std::string ZAMLexer::rewrittenText() {
    appendToOutput(size());
    captureStart_ = kNoPosition;
    return output_;
}

void ZAMLexer::appendToOutput(std::uint32_t end) {
    if (captureStart_ < end) {
        output_.append(text_, captureStart_, end - captureStart_);
    }
}

bool ZAMLexer::wordCharAt(std::uint32_t index) const {
    return index < size() && isWordChar(charAt(index));
}

// A finished capture stays finished.
void ZAMLexer::resumeCapture() {
    if (captureStart_ != kNoPosition) {
        captureStart_ = pos_;
    }
}
