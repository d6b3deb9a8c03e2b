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
    kQuote,  // a double or single quote
    kOperator,
};

// Up to the first eight bytes of `text` as one number, the first byte in the
// lowest bits: what loadEight() gives for them, with zeros past the text.
constexpr std::uint64_t packHead(std::string_view text) {
    std::uint64_t head = 0;
    for (std::size_t i = 0; i < text.size() && i < 8; ++i) {
        head |= std::uint64_t{static_cast<unsigned char>(text[i])} << (8 * i);
    }
    return head;
}

// The eight bytes at `p`, the first in the lowest bits whatever the
// machine's byte order.
inline std::uint64_t loadEight(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    word = __builtin_bswap64(word);
#endif
    return word;
}

// Keywords by a multiplicative hash of their first eight bytes (a word's
// bytes are never NUL, so these and the length tell words of up to eight
// bytes apart). The multiplier was found by trying odd numbers until no two
// keywords shared a slot; the build checks that they still do not.
constexpr std::size_t kKeywordSlotBits = 6;
constexpr std::uint64_t kKeywordMultiplier = 0xd8f3995d94f88111u;

constexpr std::size_t keywordSlot(std::uint64_t head) {
    return static_cast<std::size_t>((head * kKeywordMultiplier) >> (64 - kKeywordSlotBits));
}

// A keyword's slot: its first eight bytes packed; its length (0 for an empty
// slot, which no word has); its kind; and its table entry, for the bytes
// after the eighth.
struct KeywordSlot {
    std::uint64_t head = 0;
    std::uint8_t length = 0;
    std::uint8_t type = 0;
    std::uint8_t entry = 0;
};

// What each byte starts; which bytes are skipped before a token (white space
// and "#"); the operator that each byte makes, if any, and the one it makes
// followed by "=": every two-character operator ends in "=", so the longer
// one is found by looking at one more byte; and the keywords by slot. Built
// by the compiler, so no thread ever sees them half made.
struct TokenTables {
    Start start[256];
    bool skipped[256];
    std::uint8_t single[256];
    std::uint8_t withEquals[256];
    KeywordSlot keyword[std::size_t{1} << kKeywordSlotBits];
    // Of a word of n bytes (n <= 8), the bits of its first n bytes in an
    // eight-byte load; all of them from eight bytes on.
    std::uint64_t headMask[9];
    bool consistent = true;

    constexpr TokenTables() : start(), skipped(), single(), withEquals(), keyword(), headMask() {
        for (std::size_t n = 0; n < 8; ++n) {
            headMask[n] = (std::uint64_t{1} << (8 * n)) - 1;
        }
        headMask[8] = ~std::uint64_t{0};
        for (int c = 0; c < 256; ++c) {
            const auto byte = static_cast<unsigned char>(c);
            start[c] = zamcore::isLetter(byte)  ? Start::kLetter
                       : zamcore::isDigit(byte) ? Start::kDigit
                                                : Start::kOther;
            skipped[c] = zamcore::isSpace(byte) || byte == '#';
            single[c] = Token::TK_INVALID;
            withEquals[c] = Token::TK_INVALID;
        }
        start[static_cast<unsigned char>('_')] = Start::kUnderscore;
        start[static_cast<unsigned char>('"')] = Start::kQuote;
        start[static_cast<unsigned char>('\'')] = Start::kQuote;
        for (std::size_t i = 0; i < kTableSize; ++i) {
            const TableEntry& entry = kTable[i];
            if (isKeywordEntry(entry)) {
                addKeyword(entry, i);
            } else {
                addOperator(entry);
            }
        }
    }

    constexpr void addKeyword(const TableEntry& entry, std::size_t index) {
        const std::uint64_t head = packHead(entry.text);
        KeywordSlot& slot = keyword[keywordSlot(head)];
        consistent = consistent && slot.length == 0 && entry.text.size() < 256;
        slot.head = head;
        slot.length = static_cast<std::uint8_t>(entry.text.size());
        slot.type = static_cast<std::uint8_t>(entry.type);
        slot.entry = static_cast<std::uint8_t>(index);
    }

    // An operator may not begin with a byte that starts anything else.
    constexpr void addOperator(const TableEntry& entry) {
        const auto first = static_cast<unsigned char>(entry.text.front());
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
};

constexpr TokenTables kTokens{};
static_assert(kTokens.consistent,
              "keywords hash to distinct slots and two-character operators end in '='");
static_assert(Token::TK_RESERVED < 256, "token codes fit a byte");

// Keywords are short: a loop beats a call to memcmp.
inline bool sameBytes(const char* a, const char* b, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        if (a[i] != b[i]) {
            return false;
        }
    }
    return true;
}

// The keyword that the `size` bytes at `word` spell, or TK_IDENTIFIER.
// `readable` bytes from `word` on may be read, at least `size`: when eight
// may, one load takes the first eight bytes at once. Inline: it runs after
// most words.
[[gnu::always_inline]] inline Token keywordOr(const char* word, std::size_t size,
                                              std::size_t readable) {
    std::uint64_t head = readable >= 8 ? loadEight(word) : packHead(std::string_view(word, size));
    if (size < 8) {
        head &= kTokens.headMask[size];
    }
    const KeywordSlot& slot = kTokens.keyword[keywordSlot(head)];
    if (slot.head != head || slot.length != size) {
        return Token::TK_IDENTIFIER;
    }
    if (size > 8 && !sameBytes(word + 8, kTable[slot.entry].text.data() + 8, size - 8)) {
        return Token::TK_IDENTIFIER;
    }
    return static_cast<Token>(slot.type);
}

// A backslash keeps the character after it, whatever it is; there are no
// control-character escapes. Most names and strings hold none and are
// copied whole.
std::string unescape(std::string_view text) {
    const std::size_t first = text.find('\\');
    if (first == std::string_view::npos) {
        return std::string(text);
    }
    std::string result(text.substr(0, first));
    result.reserve(text.size());
    for (std::size_t i = first; i < text.size(); ++i) {
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
// "#" or "=", so they need no bound. They step a pointer, not an index: a
// 32-bit index would be widened again for every byte.

std::uint32_t wordEnd(const char* text, std::uint32_t from) {
    const char* p = text + from;
    while (isWordChar(static_cast<unsigned char>(*p))) {
        ++p;
    }
    return static_cast<std::uint32_t>(p - text);
}

std::uint32_t digitsEnd(const char* text, std::uint32_t from) {
    const char* p = text + from;
    while (isDigit(static_cast<unsigned char>(*p))) {
        ++p;
    }
    return static_cast<std::uint32_t>(p - text);
}

// Where a run of white space and comments ends, and how many line breaks
// it holds.
struct Skipped {
    std::uint32_t pos;
    std::uint32_t lines;
};

// The first position from `pos` that is neither white space nor in a
// comment. A "#" outside a quoted literal comments out the rest of its line,
// even directly after a token. next() passes a single space itself, so this
// runs (from skipThenScan(), out of line) at line breaks, indentation and
// comments.
inline Skipped skipSpaceAndComments(const char* text, std::uint32_t size, std::uint32_t pos) {
    const char* p = text + pos;
    const char* const end = text + size;
    std::uint32_t lines = 0;
    for (;;) {
        while (isSpace(static_cast<unsigned char>(*p))) {
            lines += *p == '\n' ? 1 : 0;
            ++p;
        }
        if (*p != '#') {
            break;
        }
        const void* lineEnd = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        if (lineEnd == nullptr) {
            p = end;
            break;
        }
        p = static_cast<const char*>(lineEnd) + 1;
        ++lines;
    }
    return Skipped{static_cast<std::uint32_t>(p - text), lines};
}

// A token found at a position.
struct Scanned {
    Token type;
    std::uint32_t length;
};

// Only the one character before a quote is looked at: a quote directly after
// a backslash never closes the literal, so a literal cannot end in one.
// Returns the literal's length, quotes included; 0 when it is not closed.
std::uint32_t quotedLength(const char* text, std::uint32_t size, std::uint32_t pos) {
    const char quote = text[pos];
    std::uint32_t end = pos + 1;
    for (;;) {
        const void* found = std::memchr(text + end, quote, size - end);
        if (found == nullptr) {
            return 0;
        }
        end = static_cast<std::uint32_t>(static_cast<const char*>(found) - text);
        if (text[end - 1] != '\\') {
            return end + 1 - pos;
        }
        ++end;
    }
}

// Digits, then the character after them decides: a letter or "_" makes a
// name ("2nd"), ":" makes the digits a name (a module id such as "1234"), "."
// makes a real with the digits after it ("12.5", "12."). No sign, no exponent.
[[gnu::always_inline]] inline Scanned scanNumber(const char* text, std::uint32_t pos) {
    const std::uint32_t end = digitsEnd(text, pos + 1);
    const auto c = static_cast<unsigned char>(text[end]);
    if (isLetter(c) || c == '_') {
        return Scanned{Token::TK_IDENTIFIER, wordEnd(text, end) - pos};
    }
    if (c == ':') {
        return Scanned{Token::TK_IDENTIFIER, end - pos};
    }
    if (c == '.') {
        return Scanned{Token::TK_REAL, digitsEnd(text, end + 1) - pos};
    }
    return Scanned{Token::TK_INTEGER, end - pos};
}

// A word: a keyword when white space or the end of the text follows it, so
// that "setting", "set(" and "false)" hold none; otherwise a name.
[[gnu::always_inline]] inline Scanned scanWord(const char* text, std::uint32_t size,
                                               std::uint32_t pos) {
    const std::uint32_t end = wordEnd(text, pos + 1);
    Token type = Token::TK_IDENTIFIER;
    if (isSpace(static_cast<unsigned char>(text[end])) || end == size) {
        // The closing NUL may be read too.
        type = keywordOr(text + pos, end - pos, size + 1 - pos);
    }
    return Scanned{type, end - pos};
}

// An operator matches whatever follows it, the longer one first ("<="
// before "<"); "!" alone is no operator but TK_INVALID, of length 0.
[[gnu::always_inline]] inline Scanned scanOperator(const char* text, std::uint32_t pos) {
    const auto c = static_cast<unsigned char>(text[pos]);
    const auto withEquals = static_cast<Token>(kTokens.withEquals[c]);
    if (text[pos + 1] == '=' && withEquals != Token::TK_INVALID) {
        return Scanned{withEquals, 2};
    }
    const auto single = static_cast<Token>(kTokens.single[c]);
    return Scanned{single, single != Token::TK_INVALID ? 1u : 0u};
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
    return end > 0 && keywordOr(word.data(), end, word.size()) != Token::TK_IDENTIFIER;
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

// The first character decides (see kTokens.start): a letter starts a word, an
// operator character an operator, a digit a number, "_" a name, a quote a
// quoted literal; any other character is TK_INVALID, of length 0, and the end
// of the text TK_END. Tested in that order, which is how often they come.
[[gnu::always_inline]] inline void ZAMLexer::scan(std::uint32_t pos) {
    const char* const text = text_.data();
    pos_ = pos;
    const Start start = kTokens.start[static_cast<unsigned char>(text[pos])];
    Scanned token{TK_INVALID, 0};
    if (start == Start::kLetter) {
        token = scanWord(text, size(), pos);
    } else if (start == Start::kOperator) {
        token = scanOperator(text, pos);
    } else if (start == Start::kDigit) {
        token = scanNumber(text, pos);
    } else if (start == Start::kUnderscore) {
        token = Scanned{TK_IDENTIFIER, wordEnd(text, pos + 1) - pos};
    } else if (start == Start::kQuote) {
        scanQuoted(pos);
        return;
    } else if (pos >= size()) {
        token.type = TK_END;
    }
    length_ = token.length;
    type_ = token.type;
}

// A double quote starts a string, a single quote a quoted name.
void ZAMLexer::scanQuoted(std::uint32_t pos) {
    const TokenType kind = text_[pos] == '"' ? TK_STRING : TK_IDENTIFIER;
    const std::uint32_t length = quotedLength(text_.data(), size(), pos);
    if (length == 0) {
        throwUnterminated(kind);
    }
    length_ = length;
    type_ = kind;
}

// Tokens are mostly separated by a single space, which next() passes
// itself; runs of white space, comments and the rewrite capture go through
// skipThenScan(). Neither that nor a quoted literal (which searches with
// memchr) is inlined, so on its way to a word, an operator or a number next()
// calls nothing and needs no registers saved.
void ZAMLexer::next() {
    const char* const text = text_.data();
    std::uint32_t pos = pos_ + length_;
    // The end of the token left, kept whatever the capture's state: while
    // tokens are held it is the end of the last held one.
    heldEnd_ = pos;
    if (text[pos] == ' ') {
        ++pos;
    }
    if (kTokens.skipped[static_cast<unsigned char>(text[pos])] || rewrite_) {
        skipThenScan(pos);
        return;
    }
    scan(pos);
}

void ZAMLexer::skipThenScan(std::uint32_t pos) {
    const Skipped skipped = skipSpaceAndComments(text_.data(), size(), pos);
    if (skipped.lines != 0) {
        countLines(skipped.lines);
    }
    pos_ = skipped.pos;
    if (rewrite_) {
        capture();
    }
    scan(skipped.pos);
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
