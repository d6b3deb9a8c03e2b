#include <zamcore/zamcore.h>

#include <string>

#include "support/zam_test.h"

namespace {

class IdentifierQuotingTest : public ZamTest {};

struct QuoteCase {
    std::string name;
    std::string asId;
    std::string asModuleId;
};

const QuoteCase kQuoteCases[] = {
    {"a_1", "a_1", "a_1"},
    {"_x", "_x", "_x"},
    {"1a", "'1a'", "1a"},
    {"1234", "'1234'", "1234"},
    {"a b", "'a b'", "'a b'"},
    {"it's", R"('it\'s')", R"('it\'s')"},
    {R"(back\slash)", R"('back\\slash')", R"('back\\slash')"},
    {"a-b", "'a-b'", "'a-b'"},
    {"1.5", "'1.5'", "'1.5'"},
    {"caf\xC3\xA9", "'caf\xC3\xA9'", "'caf\xC3\xA9'"},
    {"", "", ""},
    // Keywords are not quoted: where one is read as a keyword is up to the
    // text around it.
    {"if", "if", "if"},
};

TEST_F(IdentifierQuotingTest, QuotesWhatIsNotAPlainName) {
    for (const QuoteCase& c : kQuoteCases) {
        EXPECT_EQ(c.asId, ZAM::rklQuoteId(c.name)) << c.name;
        EXPECT_EQ(c.asModuleId, ZAM::rklQuoteModuleId(c.name)) << c.name;
    }
}

// A quoted module id and option name read back as "module : option".
TEST_F(IdentifierQuotingTest, QuotedNamesReadBackAsOneName) {
    for (const QuoteCase& c : kQuoteCases) {
        if (c.name.empty()) {
            continue;
        }
        ZAMLexer lexer(ZAM::rklQuoteModuleId(c.name) + ":" + ZAM::rklQuoteId(c.name) + " ");
        EXPECT_EQ(ZAMLexer::TK_IDENTIFIER, lexer.type()) << c.name;
        EXPECT_EQ(c.name, lexer.identifierValue());
        lexer.next();
        EXPECT_EQ(ZAMLexer::TK_COLON, lexer.type()) << c.name;
        lexer.next();
        EXPECT_EQ(c.name, lexer.identifierValue());
        lexer.next();
        EXPECT_EQ(ZAMLexer::TK_END, lexer.type()) << c.name;
    }
}

}  // namespace
