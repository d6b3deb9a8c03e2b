#include <zamcore/zamcore.h>

#include <string>
#include <vector>

#include "language/token_dump.h"
#include "support/zam_test.h"

namespace {

class LexerRewriteTest : public ZamTest {};

// Reads to the end with the capture on and without holding anything.
std::string copiedThrough(const std::string& text) {
    ZAMLexer lexer(text);
    lexer.setRewrite();
    while (lexer.type() != ZAMLexer::TK_END) {
        lexer.next();
    }
    return lexer.rewrittenText();
}

TEST_F(LexerRewriteTest, CopiesTheTextThroughUnchanged) {
    const char* const texts[] = {
        "",
        "   ",
        "# only a comment",
        "  if m:a = 1 then # why\n\tset m:b to \"x y\" endif\n",
        "set 'my option' to 1.5#tail",
    };
    for (const char* text : texts) {
        EXPECT_EQ(text, copiedThrough(text));
    }
}

// Holds the three tokens of a qualified name at the current token.
void holdQualifiedName(ZAMLexer& lexer) {
    lexer.holdToken();
    for (int i = 0; i < 3; ++i) {
        lexer.next();
    }
}

// Reads "set", holds the qualified name m : a, and stops at "to".
ZAMLexer heldAtTo(const std::string& text) {
    ZAMLexer lexer(text);
    lexer.setRewrite();
    lexer.next();
    holdQualifiedName(lexer);
    return lexer;
}

std::string finish(ZAMLexer& lexer) {
    while (lexer.type() != ZAMLexer::TK_END) {
        lexer.next();
    }
    return lexer.rewrittenText();
}

TEST_F(LexerRewriteTest, KeepingAHeldRunCopiesItWithItsComments) {
    const std::string text = "# head\nset  m : a # note\n  to 1 # tail";
    ZAMLexer lexer = heldAtTo(text);
    ASSERT_EQ(ZAMLexer::TK_TO, lexer.type());
    lexer.keepHeld();
    EXPECT_EQ(text, finish(lexer));
}

TEST_F(LexerRewriteTest, ReplacingAHeldRunKeepsWhatFollowsItAsWritten) {
    ZAMLexer lexer = heldAtTo("# head\nset  m : a # note\n  to 1 # tail");
    lexer.replaceHeld("n:b");
    EXPECT_EQ("# head\nset  n:b # note\n  to 1 # tail", finish(lexer));

    lexer = heldAtTo("set m:a\tto 1");
    lexer.replaceHeld("'new module':'b c'");
    EXPECT_EQ("set 'new module':'b c'\tto 1", finish(lexer));
}

TEST_F(LexerRewriteTest, SeveralHeldRunsUpToTheEndOfTheText) {
    ZAMLexer lexer("m:a + m:b  ");
    lexer.setRewrite();
    holdQualifiedName(lexer);
    lexer.replaceHeld("x:y");
    lexer.next();
    holdQualifiedName(lexer);
    ASSERT_EQ(ZAMLexer::TK_END, lexer.type());
    lexer.replaceHeld("'u v':w");
    EXPECT_EQ("x:y + 'u v':w  ", lexer.rewrittenText());
    EXPECT_EQ("x:y + 'u v':w  ", lexer.rewrittenText()) << "a finished capture copies nothing";
}

// A replacement reads back as the tokens of the text with the held run
// swapped for the tokens of the replacement, whatever stood around the run.
TEST_F(LexerRewriteTest, ReplacementReadsBackAsTheSameTokensWithTheNewReference) {
    struct Row {
        const char* text;
        int tokensBefore;  // tokens read before the three held ones
        const char* replacement;
        const char* rewritten;
    };
    const Row rows[] = {
        // The run is the first token: what precedes it stays.
        {"  # head\nm:a to 1", 0, "n:b", "  # head\nn:b to 1"},
        {"m:a", 0, "'n m':b", "'n m':b"},
        // A comment after the run keeps its line break, so "to" stays apart.
        {"set m:b # note\nto 1", 1, "n:c", "set n:c # note\nto 1"},
        {"set m:b#note\nto 1", 1, "n:c", "set n:c#note\nto 1"},
        // A comment inside the run goes with it.
        {"set m: # note\n b to 1", 1, "n:c", "set n:c to 1"},
        // Nothing separated the run from a word: a space keeps them apart.
        {"set 'm':'b'to 1", 1, "n:c", "set n:c to 1"},
        {"set m:'b'default", 1, "n:c_2", "set n:c_2 default"},
        {"x'm':b", 1, "n:c", "x n:c"},
        {"7'm':b", 1, "2nd:c", "7 2nd:c"},
        // ... but only where they would join.
        {"set m:'b'to 1", 1, "n:'c d'", "set n:'c d'to 1"},
        {"(m:'b')=1", 1, "n:c", "(n:c)=1"},
        {"\"s\"'m':b\"t\"", 1, "n:c", "\"s\"n:c\"t\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        ZAMLexer lexer(row.text);
        lexer.setRewrite();
        for (int i = 0; i < row.tokensBefore; ++i) {
            lexer.next();
        }
        holdQualifiedName(lexer);
        lexer.replaceHeld(row.replacement);
        const std::string rewritten = finish(lexer);
        EXPECT_EQ(row.rewritten, rewritten);

        std::vector<std::string> expected = zamtest::tokens(row.text);
        const std::vector<std::string> reference = zamtest::tokens(row.replacement);
        const auto heldAt = expected.begin() + row.tokensBefore;
        expected.insert(expected.erase(heldAt, heldAt + 3), reference.begin(), reference.end());
        EXPECT_EQ(expected, zamtest::tokens(rewritten));
    }
}

}  // namespace
