#include <pthread.h>
#include <zamcore/zamcore.h>

#include <algorithm>
#include <functional>
#include <string>

#include "support/caught_error.h"
#include "support/rule_fixture.h"
#include "zamcore/language/rkl_parser.h"

namespace {

using RklParserTest = RuleFixture;

// Where a syntax error points: the caret's column in the context excerpt,
// which shows at most 20 characters before the offending token.
int caretColumn(const std::string& context) {
    const std::size_t lineStart = context.find('\n') + 1;
    return static_cast<int>(context.find('^', lineStart) - lineStart);
}

struct ErrorRow {
    const char* text;
    const char* message;
    const char* at;  // the text from the offending token on ("" at the end)
    int line;
};

void expectErrors(const ErrorRow* begin, const ErrorRow* end,
                  const std::function<void(const std::string&)>& parse) {
    for (const ErrorRow* row = begin; row != end; ++row) {
        const std::string text = row->text;
        const CaughtError error = catchSyntaxError([&] { parse(text); });
        EXPECT_EQ(10, error.code) << text;
        EXPECT_EQ(row->message, error.info) << text;
        const int offset = static_cast<int>(text.size() - std::string(row->at).size());
        EXPECT_EQ(std::min(offset, 20), caretColumn(error.context)) << text;
        EXPECT_EQ(row->line, error.line) << text;
    }
}

TEST_F(RklParserTest, EveryRuleErrorAtItsToken) {
    const ErrorRow rows[] = {
        {"then", "Unexpected input then", "then", 1},
        {"if(m:a = 1) then endif", "Unexpected input if", "if(m:a = 1) then endif", 1},
        {"mutually_exclusive:[a]", "Unexpected input mutually_exclusive", "mutually_exclusive:[a]",
         1},
        {"set a to 1", "Expected ':' parsing option name", "to 1", 1},
        {"set m: to 1", "Expected option name after ':'", "to 1", 1},
        {"set \"m\":a to 1", "Expected context (module) id", "\"m\":a to 1", 1},
#if ZAMCORE_EARLIER_INTERFACE
        // Without mutually exclusive rules the word starts no statement.
        {"mutually_exclusive : [a]", "Unexpected input mutually_exclusive",
         "mutually_exclusive : [a]", 1},
#else
        {"mutually_exclusive : [a, b", "Unexpected input ", "", 1},
        {"mutually_exclusive : ['', b]", "Unexpected input ,", ", b]", 1},
        {"mutually_exclusive [a]", "Expected ':' parsing option name", "[a]", 1},
        {"mutually_exclusive : (a)", "SE_mutually_exclusive", "(a)", 1},
        {"mutually_exclusive : {m x}", "SE_mutually_exclusive", "x}", 1},
        {"mutually_exclusive : {m.x y}", "SE_mutually_exclusive", "y}", 1},
        {"mutually_exclusive : {''.x}", "SE_mutually_exclusive", "x}", 1},
        {"mutually_exclusive : [1]", "Expected option name after ':'", "1]", 1},
        {"mutually_exclusive : {m.2}", "Expected option name after ':'", "2}", 1},
        {"mutually_exclusive : {\"m\".x}", "Expected context (module) id", "\"m\".x}", 1},
#endif
        {"if m:a = 1 inform 1 endif", "Error parsing 'if' statement - missing then",
         "inform 1 endif", 1},
        {"if (m:a + m:b) > 3 then endif", "Error parsing 'if' statement - missing then",
         "> 3 then endif", 1},
        {"if m:a then inform 1 else", "Error parsing 'if' statement - missing endif", "", 1},
        {"if m:a then inform 1 )", "Unexpected input )", ")", 1},
        {"set m:a 1", "Error parsing set/fix statement: 'to' not found", "1", 1},
        {"inform (1 + 2", "Parse error:  Expected ')'", "", 1},
        {"if (m:a = 1 then endif", "Parse error:  Expected ')'", "then endif", 1},
        {"inform", "Parse Error: Expected option or value", "", 1},
        {"inform unset", "Parse Error: Expected option or value", "unset", 1},
        {"if not not m:a then endif", "Parse Error: Expected option or value", "not m:a then endif",
         1},
        {"set m:a[x y to 1",
         "Syntax Error Parsing path - expected one '.'  or  ']'  or a path name", "to 1", 1},
        {"set m:a to 1\n\nset b to 2", "Expected ':' parsing option name", "to 2", 3},
        {"inform \"open", "Unterminated double quotes", "\"open", 1},
        {"inform !", "Parse Error: Expected option or value", "!", 1},
    };
    expectErrors(std::begin(rows), std::end(rows),
                 [this](const std::string& text) { t->setRkl(text); });
}

TEST_F(RklParserTest, ConditionErrors) {
    const ErrorRow rows[] = {
        {"m:a = 1 m:b = 2", "SE_extra_input", "m:b = 2", 1},
        {"(m:a + m:b) > 3", "SE_extra_input", "> 3", 1},
        {"m:a = 1 = 2", "SE_extra_input", "= 2", 1},
        {"  \n ", "Parse Error: Expected option or value", "", 2},
        {"m:a or", "Parse Error: Expected option or value", "", 1},
    };
    ZAMTranslater translater;
    expectErrors(std::begin(rows), std::end(rows),
                 [&translater](const std::string& text) { translater.translateCondition(text); });
}

TEST_F(RklParserTest, HostsLocalizeTheKeysAndTheTokenFollows) {
    UpperCaseAdapter upper;
    ZAM::initialize(&upper);
    EXPECT_EQ("SE_UNEXPECTED then", catchSyntaxError([&] { t->setRkl("then"); }).info);
    EXPECT_EQ("SE_MISSING_TO", catchSyntaxError([&] { t->setRkl("set m:a 1"); }).info);
    ZAM::initialize(&adapter);
}

TEST_F(RklParserTest, TheTextEndsAtATopLevelEndWord) {
    run("if m:a = 1 then set m:b to 2 endif endif set m:c to 3");
    EXPECT_EQ("***UNSET***", valuesOf("c"));
    run("inform 1 else this is ( not read");
    EXPECT_EQ("1", adapter.messageTexts());
    // An empty list is no statement; an empty text runs nothing.
    EXPECT_NO_THROW(run("if m:a then endif"));
    EXPECT_NO_THROW(run(""));
    EXPECT_NO_THROW(run("  # only a comment\n"));
}

// Runs `body` on a thread with a 1 MB stack, as hosts may give their
// threads; deep recursion there would crash the test.
void onSmallStack(const std::function<void()>& body) {
    pthread_attr_t attributes;
    ASSERT_EQ(0, pthread_attr_init(&attributes));
    ASSERT_EQ(0, pthread_attr_setstacksize(&attributes, 1024 * 1024));
    auto trampoline = [](void* argument) -> void* {
        try {
            (*static_cast<const std::function<void()>*>(argument))();
        } catch (const ZAMException& error) {
            ADD_FAILURE() << "code " << error.code() << ": " << error.info();
        }
        return nullptr;
    };
    pthread_t thread;
    ASSERT_EQ(0, pthread_create(&thread, &attributes, trampoline,
                                const_cast<std::function<void()>*>(&body)));
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

std::string repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

TEST_F(RklParserTest, NestingIsLimitedAtItsDepth) {
    const int limit = ZAMRklParser::kMaxNesting;
    // Each shape nests `n` levels deep.
    using Shape = std::string (*)(int n);
    const Shape shapes[] = {
        [](int n) { return "inform " + repeat("(", n) + "7" + repeat(")", n); },
        [](int n) {
            return "inform " + repeat("- ", 2 * (n / 2)) + repeat("(", n % 2) + "7" +
                   repeat(")", n % 2);
        },
        [](int n) {
            return "if " + repeat("(", n - 1) + "true" + repeat(" )", n - 1) +
                   " then inform 7 endif";
        },
        [](int n) { return repeat("if true then ", n) + "inform 7" + repeat(" endif", n); },
    };
    onSmallStack([&] {
        for (const Shape shape : shapes) {
            adapter.messages.clear();
            run(shape(limit));
            EXPECT_EQ("7", adapter.messageTexts()) << shape(3);
            const CaughtError error = catchSyntaxError([&] { t->setRkl(shape(limit + 1)); });
            EXPECT_EQ("Expression nested too deeply", error.info) << shape(3);
        }
    });
}

TEST_F(RklParserTest, LongChainsAreNotNesting) {
    const int n = 10000;
    onSmallStack([&] {
        run("inform " + repeat("1 + ", n - 1) + "1");
        EXPECT_EQ("10000", adapter.messageTexts());
        adapter.messages.clear();
        run("inform 100000 " + repeat("- 1 ", n) + "* 1");
        EXPECT_EQ("90000", adapter.messageTexts());
        EXPECT_EQ("T", truthOf(repeat("m:a = 1 or ", n - 1) + "true"));
        EXPECT_EQ("-", truthOf(repeat("true and ", n - 1) + "m:a = 1"));
        adapter.messages.clear();
        run("if false then " + repeat("elif false then inform 1 ", n) +
            "elif true then inform \"last\" endif");
        EXPECT_EQ("last", adapter.messageTexts());
        run(repeat("set m:a to m:a + 1 ", n));
        EXPECT_EQ("***UNSET***", valuesOf("a"));
        choose("a", ZAMValue::createInt(0));
        run(repeat("set m:a to m:a + 1 ", n));
        EXPECT_EQ("10000", valuesOf("a"));
        t->setRkl("");  // releases the long tree on this thread
    });
}

// Lines are counted over long texts of blocks, blank lines and comments: an
// error after thousands of lines names its own line and points at its token.
TEST_F(RklParserTest, ErrorsAfterLongTextsNameTheirLine) {
    const std::string block =
        "if m:a = 1 then\n  set m:a to 2 # two\nelif m:a > 2 then inform \"x\"\n"
        "else\n\n  warn 1\nendif\n";  // seven lines
    const std::string texts[] = {repeat(block, 1) + "set m:a 1",
                                 repeat(block, 2000) + "inform \"y\"\n  set m:a 1",
                                 repeat(block, 3000) + "if m:a then inform 1"};
    const ErrorRow rows[] = {
        {texts[0].c_str(), "Error parsing set/fix statement: 'to' not found", "1", 8},
        {texts[1].c_str(), "Error parsing set/fix statement: 'to' not found", "1", 14002},
        {texts[2].c_str(), "Error parsing 'if' statement - missing endif", "", 21001},
    };
    expectErrors(std::begin(rows), std::end(rows),
                 [this](const std::string& text) { t->setRkl(text); });
}

TEST_F(RklParserTest, ElifLinesAndTheTextKept) {
    const std::string text =
        "# rules\nif m:a = 1 then inform 1\nelif true then\n  inform 2\nendif\n";
    choose("a", ZAMValue::createInt(0));
    t->setRkl(text);
    EXPECT_EQ(text, t->getRkl()->rkl());
    t->getRkl()->execute(*set);
    EXPECT_EQ("2", adapter.messageTexts());
}

}  // namespace
