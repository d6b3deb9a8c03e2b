#include <zamcore/zamcore.h>

#include <cctype>
#include <clocale>
#include <cmath>
#include <cstring>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "language/token_dump.h"
#include "support/caught_error.h"
#include "support/zam_test.h"
#include "zamcore/language/char_class.h"

namespace {

using T = ZAMLexer::TokenType;
using zamtest::dump;

class LexerTest : public ZamTest {};

TEST_F(LexerTest, SplitsTextIntoTokens) {
    const std::pair<const char*, const char*> cases[] = {
        // Keywords need white space or the end of the text after them.
        {"set x", "set id(x)"},
        {"setting", "id(setting)"},
        {"set(", "id(set) ("},
        {"if(", "id(if) ("},
        {"if\tthen\nendif", "if then endif"},
        {"if#c", "id(if)"},
        {"a.if.b", "id(a) . id(if) . id(b)"},
        {"hide show interface", "reserved(hide) reserved(show) reserved(interface)"},
        // Words that share a keyword's first and last byte and length.
        {"thxn sxt ix fiz", "id(thxn) id(sxt) id(ix) id(fiz)"},
        // Operators match whatever follows them, the longer one first.
        {"a<=b", "id(a) <= id(b)"},
        {"a<b", "id(a) < id(b)"},
        {"+=-=+-*/", "+= -= + - * /"},
        {"==", "= ="},
        {"!=!", "!= invalid"},
        {"!x", "invalid"},
        // Numbers and names that begin with digits.
        {"12ab 2nd_1 1e5", "id(12ab) id(2nd_1) id(1e5)"},
        {"12:x", "id(12) : id(x)"},
        {"1.2.3", "real(1.2) . int(3)"},
        {"12. 12.x", "real(12.) real(12.) id(x)"},
        {".5 -3", ". int(5) - int(3)"},
        // Quoted literals and unescaping.
        {"'my option' _a1", "id(my option) id(_a1)"},
        {R"('it\'s' 'a\\b')", R"(id(it's) id(a\b))"},
        {R"("say \"hi\"" "\n\t")", R"(str(say "hi") str(nt))"},
        {R"('\'s' "\\x" "a\b")", R"(id('s) str(\x) str(ab))"},
        {R"("" '' "#no comment")", "str() id() str(#no comment)"},
        // Comments run to the end of the line, even right after a token.
        {"abc#x\ny", "id(abc) id(y)"},
        {"a # one\n# two\n b # end", "id(a) id(b)"},
        {" \n# only a comment", ""},
        {"", ""},
        // Bytes above 127 are neither letters nor white space.
        {"caf\xC3\xA9", "id(caf) invalid"},
        {"a\xA0", "id(a) invalid"},
        {"\v\f\r a", "id(a)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.second, dump(c.first)) << "text: " << c.first;
    }
}

struct Entry {
    const char* text;
    int code;
};

// The keyword and operator table in search order, as a reference search.
// clang-format off
const Entry kReferenceTable[] = {
    {"=", 33}, {"!=", 34}, {"<=", 37}, {">=", 38}, {"<", 35}, {">", 36}, {".", 50}, {":", 51},
    {";", 52}, {",", 53}, {"(", 54}, {")", 55}, {"[", 56}, {"]", 57}, {"{", 58}, {"}", 59},
    {"+=", 45}, {"+", 44}, {"-=", 47}, {"-", 46}, {"*", 49}, {"/", 48},
    {"if", 20}, {"then", 21}, {"elif", 23}, {"else", 22}, {"endif", 24},
    {"and", 39}, {"not", 41}, {"or", 40}, {"unset", 42}, {"true", 4}, {"false", 5},
    {"implements", 9}, {"presents", 12}, {"uses", 11}, {"set", 13}, {"fix", 15}, {"to", 14},
    {"inform", 17}, {"warn", 18}, {"error", 19}, {"public", 6}, {"private", 7},
    {"mandatory", 25}, {"mutually_exclusive", 26}, {"non_mutually_exclusive", 27},
    {"enum", 28}, {"string", 29}, {"real", 31}, {"integer", 30}, {"logical", 32},
    {"default", 16}, {"legacy", 8}, {"hide", 62}, {"show", 62}, {"interface", 62},
};
// clang-format on

// (kind, text) of the first token, found by trying every table entry in order.
std::pair<int, std::string> referenceFirstToken(const std::string& text) {
    for (const Entry& entry : kReferenceTable) {
        const std::string word = entry.text;
        if (text.compare(0, word.size(), word) != 0) {
            continue;
        }
        const bool atEnd = text.size() == word.size();
        if (!std::isalpha(static_cast<unsigned char>(text[0])) || atEnd ||
            std::isspace(static_cast<unsigned char>(text[word.size()]))) {
            return {entry.code, word};
        }
    }
    std::size_t end = 0;
    while (end < text.size() &&
           (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_')) {
        ++end;
    }
    return {T::TK_IDENTIFIER, text.substr(0, end)};
}

TEST_F(LexerTest, TableSearchAgreesWithTheOrderedSearch) {
    static_assert(sizeof(kReferenceTable) / sizeof(kReferenceTable[0]) == 57, "57 entries");
    const char* const followers[] = {"", " ", "\n", "(", "x", "1", "_", "=", ".", "#", ":"};
    for (const Entry& entry : kReferenceTable) {
        for (const char* follower : followers) {
            const std::string text = std::string(entry.text) + follower;
            ZAMLexer lexer(text);
            EXPECT_EQ(referenceFirstToken(text),
                      (std::pair<int, std::string>(lexer.type(), lexer.identifierValue())))
                << "text: " << text;
        }
    }
}

// Words one edit away from a keyword (a byte changed, added or dropped),
// read at the end of the text and followed by more text: the lexer compares
// the first eight bytes of a word at once where eight can be read, and byte
// by byte near the end.
TEST_F(LexerTest, WordsNearKeywordsAreReadAsTheReferenceSearchReadsThem) {
    const char* const tails[] = {"", " ", " and more text after it"};
    for (const Entry& entry : kReferenceTable) {
        const std::string keyword = entry.text;
        if (!std::isalpha(static_cast<unsigned char>(keyword[0]))) {
            continue;
        }
        std::vector<std::string> words = {keyword, keyword + "s", keyword.substr(1),
                                          keyword.substr(0, keyword.size() - 1)};
        for (std::size_t i = 0; i < keyword.size(); ++i) {
            std::string changed = keyword;
            changed[i] = changed[i] == 'x' ? 'y' : 'x';
            words.push_back(changed);
        }
        for (const std::string& word : words) {
            for (const char* tail : tails) {
                const std::string text = word + tail;
                ZAMLexer lexer(text);
                EXPECT_EQ(referenceFirstToken(text),
                          (std::pair<int, std::string>(lexer.type(), lexer.identifierValue())))
                    << "text: " << text;
            }
        }
    }
}

// The first token of `text`, whose first byte is `c`, found through <cctype>
// (in the "C" locale) and the reference table instead of the lexer's tables.
// White space is left to the caller.
std::pair<int, std::string> referenceFirstTokenOfByte(unsigned char c, const std::string& text) {
    if (std::isalpha(c) || c == '_') {
        return referenceFirstToken(text);
    }
    if (std::isdigit(c)) {
        const auto next = static_cast<unsigned char>(text.size() > 1 ? text[1] : '\0');
        if (next == '.') {
            return {T::TK_REAL, text.substr(0, 2)};
        }
        const bool name = std::isalpha(next) || next == '_';
        const std::size_t length = name || std::isdigit(next) ? 2 : 1;
        return {name ? T::TK_IDENTIFIER : T::TK_INTEGER, text.substr(0, length)};
    }
    if (c == '#') {
        return {T::TK_END, ""};
    }
    for (const Entry& entry : kReferenceTable) {
        if (!std::isalpha(static_cast<unsigned char>(entry.text[0])) &&
            text.compare(0, std::strlen(entry.text), entry.text) == 0) {
            return {entry.code, entry.text};
        }
    }
    return {T::TK_INVALID, ""};
}

// Every byte as the first of a text, followed by bytes that end, extend or
// follow its token, NUL included: the lexer's tables agree with <cctype>.
TEST_F(LexerTest, EveryFirstByteStartsTheTokenItsClassSays) {
    const std::string followers[] = {"", "=", "x", "7", "_", ".", " ", std::string(1, '\0')};
    for (int c = 0; c < 256; ++c) {
        const auto byte = static_cast<unsigned char>(c);
        for (const std::string& follower : followers) {
            const std::string text = std::string(1, static_cast<char>(byte)) + follower;
            if (byte == '"' || byte == '\'') {
                EXPECT_TRUE(catchSyntaxError([&] { ZAMLexer lexer(text); }).thrown) << c;
                continue;
            }
            ZAMLexer lexer(text);
            const bool space = std::isspace(byte) != 0;
            const std::pair<int, std::string> expected =
                space ? (follower.empty() || follower == " "
                             ? std::pair<int, std::string>(T::TK_END, "")
                             : referenceFirstTokenOfByte(static_cast<unsigned char>(follower[0]),
                                                         follower))
                      : referenceFirstTokenOfByte(byte, text);
            EXPECT_EQ(expected,
                      (std::pair<int, std::string>(lexer.type(), lexer.identifierValue())))
                << "byte " << c << " then \"" << follower << '"';
        }
    }
}

// Seven-bit ASCII whatever the byte: nothing above 127 is a letter, a digit
// or white space.
TEST_F(LexerTest, CharacterClassesCoverExactlyTheirAsciiCharacters) {
    for (int c = 0; c < 256; ++c) {
        const auto byte = static_cast<unsigned char>(c);
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool digit = c >= '0' && c <= '9';
        EXPECT_EQ(letter, zamcore::isLetter(byte)) << c;
        EXPECT_EQ(digit, zamcore::isDigit(byte)) << c;
        EXPECT_EQ(c == ' ' || (c >= 9 && c <= 13), zamcore::isSpace(byte)) << c;
        EXPECT_EQ(letter || digit || c == '_', zamcore::isWordChar(byte)) << c;
    }
}

TEST_F(LexerTest, CountsLinesInWhiteSpaceAndComments) {
    ZAMLexer lexer("a\n# note\nb\r\n\n  # last");
    EXPECT_EQ(1, lexer.line());
    lexer.next();
    EXPECT_EQ("b", lexer.identifierValue());
    EXPECT_EQ(3, lexer.line());
    lexer.next();
    EXPECT_EQ(T::TK_END, lexer.type());
    EXPECT_EQ(5, lexer.line());
    lexer.next();
    EXPECT_EQ(T::TK_END, lexer.type());
}

// The line of each token, whether one space, a run of white space or a
// comment comes before it.
TEST_F(LexerTest, CountsLinesWhateverSeparatesTheTokens) {
    const std::pair<const char*, const char*> cases[] = {
        {"a b\nc", "1 1 2"},
        {"a \nb", "1 2"},
        {"a \n\n  b c", "1 3 3"},
        {"a #x\n b", "1 2"},
        {"a\t\r\nb #\n#\n c", "1 2 4"},
        {"'x' \"y\"\n=1 \n \n2.5", "1 1 2 2 4"},
    };
    for (const auto& c : cases) {
        std::string lines;
        for (ZAMLexer lexer(c.first); lexer.type() != T::TK_END; lexer.next()) {
            lines += (lines.empty() ? "" : " ") + std::to_string(lexer.line());
        }
        EXPECT_EQ(c.second, lines) << "text: " << c.first;
    }
}

TEST_F(LexerTest, InvalidCharacterStaysCurrent) {
    ZAMLexer lexer("a !b");
    lexer.next();
    EXPECT_EQ(T::TK_INVALID, lexer.type());
    lexer.next();
    EXPECT_EQ(T::TK_INVALID, lexer.type());
    EXPECT_EQ("a !b\n  ^", lexer.errorContext().text);
}

TEST_F(LexerTest, IntegersSaturate) {
    const std::pair<const char*, int> cases[] = {
        {"0", 0},
        {"0042", 42},
        {"2147483646", 2147483646},
        {"2147483647", 2147483647},
        {"2147483648", 2147483647},
        {"99999999999999999999999", 2147483647},
        {"12:x", 12},
        {"7.9", 7},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.second, ZAMLexer(c.first).intValue()) << c.first;
    }
}

TEST_F(LexerTest, RealsConvertTheLiteral) {
    EXPECT_EQ(12.5, ZAMLexer("12.5").realValue());
    EXPECT_EQ(12.0, ZAMLexer("12.").realValue());
    EXPECT_EQ(0.1, ZAMLexer("0.1").realValue());
    EXPECT_EQ(7.0, ZAMLexer("7").realValue());
    EXPECT_EQ(1.5, ZAMLexer("1.5e3").realValue()) << "an exponent is a name of its own";
    EXPECT_EQ(HUGE_VAL, ZAMLexer(std::string(400, '9') + ".5").realValue());
    EXPECT_EQ(0.0, ZAMLexer("0." + std::string(400, '0') + "1").realValue());
}

// Whether a locale with a decimal comma could be made the numeric locale.
bool useDecimalComma() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            return std::string(std::localeconv()->decimal_point) == ",";
        }
    }
    return false;
}

TEST_F(LexerTest, RealsIgnoreTheDecimalCommaOfTheLocale) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    if (!useDecimalComma()) {
        std::setlocale(LC_NUMERIC, saved.c_str());
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    const double value = ZAMLexer("12.5").realValue();
    const std::string tokens = dump("12.5,5");
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(12.5, value);
    EXPECT_EQ("real(12.5) , int(5)", tokens);
}

TEST_F(LexerTest, UnterminatedQuotesPointAtTheOpeningQuote) {
    UpperCaseAdapter adapter;  // the two messages are never localized
    AdapterGuard guard(&adapter);

    CaughtError error = catchSyntaxError([] {
        ZAMLexer lexer("x\n= \"abc");
        lexer.next();
        lexer.next();
    });
    EXPECT_EQ(10, error.code);
    EXPECT_EQ("Unterminated double quotes", error.info);
    EXPECT_EQ("x = \"abc\n    ^", error.context);
    EXPECT_EQ(2, error.line);

    error = catchSyntaxError([] { ZAMLexer lexer("'it\\'s"); });
    EXPECT_EQ("Unterminated single quotes", error.info);
    EXPECT_EQ("'it\\'s\n^", error.context);
    EXPECT_EQ(1, error.line);

    error = catchSyntaxError([] { ZAMLexer lexer(R"("ends in a backslash\")"); });
    EXPECT_EQ("Unterminated double quotes", error.info);
}

// Positions the lexer on the token that starts at `offset`; the text's tokens
// are single names separated by single spaces.
ZAMLexer::ErrorContext contextAt(const std::string& text, std::size_t offset) {
    ZAMLexer lexer(text);
    for (std::size_t i = 0; i < offset; ++i) {
        if (text[i] == ' ') {
            lexer.next();
        }
    }
    return lexer.errorContext();
}

TEST_F(LexerTest, ErrorContextShowsTwentyCharactersBeforeTheToken) {
    const std::string text = "aaaaaaaaa bbbbbbbbb ccccccccc dddddddd eeeeeeeee fffffffff ggggggggg";
    const std::string caret20 = std::string(20, ' ') + "^";

    EXPECT_EQ(text.substr(0, 40) + "\n" + std::string(10, ' ') + "^", contextAt(text, 10).text);
    EXPECT_EQ(text.substr(0, 40) + "\n" + caret20, contextAt(text, 20).text);
    EXPECT_EQ(text.substr(10, 40) + "\n" + caret20, contextAt(text, 30).text);
    EXPECT_EQ(text.substr(29, 40) + "\n" + caret20, contextAt(text, 49).text);

    ZAMLexer atEnd("ab ");
    atEnd.next();
    EXPECT_EQ("ab \n   ^", atEnd.errorContext().text);
    EXPECT_EQ("\n^", ZAMLexer("").errorContext().text);
}

TEST_F(LexerTest, ErrorContextShowsLineBreaksAndTabsAsSpaces) {
    ZAMLexer lexer("a\r\n\tb\n!");
    lexer.next();
    lexer.next();
    const ZAMLexer::ErrorContext context = lexer.errorContext();
    EXPECT_EQ("a   b !\n      ^", context.text);
    EXPECT_EQ(3, context.line);
}

}  // namespace
