#include <zamcore/zamcore.h>

#include <string>

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

TEST_F(LexerRewriteTest, ReplacingAHeldRunKeepsOnlyTheSpaceBeforeTheNextToken) {
    ZAMLexer lexer = heldAtTo("# head\nset  m : a # note\n  to 1 # tail");
    lexer.replaceHeld("n:b");
    EXPECT_EQ("# head\nset  n:b  to 1 # tail", finish(lexer));

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

}  // namespace
