#include <zamcore/zamcore.h>

#include <stdexcept>
#include <string>
#include <utility>

#include "support/caught_error.h"
#include "support/test_adapter.h"
#include "support/zam_test.h"

namespace {

class SyntaxErrorTest : public ZamTest {};

TEST_F(SyntaxErrorTest, DefaultMessagesAreWordForWord) {
    const std::pair<const char*, const char*> catalogue[] = {
        {"SE_pubpriv", "Expected \"public\" or \"private\""},
        {"SE_extrainput", "Spurious extra input found"},
        {"SE_expect_optname", "Expected option name after ':'"},
        {"SE_pres_public", "Presented options can only be public"},
        {"SE_expect_opttype", "Expected option type, implements or presents"},
        {"SE_expect_modid", "Expected context (module) id"},
        {"SE_expect_colon", "Expected ':' parsing option name"},
        {"SE_expect_value", "Expected a value for option"},
        {"SE_expect_defvalue", "Expected a value for default"},
        {"SE_invalid_default", "Default value not valid for option"},
        {"SE_expect_int", "Expected integer value for option"},
        {"SE_expect_real", "Expected real value for option"},
        {"SE_max_min", "Maximum should be higher then minimum"},
        {"SE_unexpected", "Unexpected input"},
        {"SE_missing_endif", "Error parsing 'if' statement - missing endif"},
        {"SE_missing_then", "Error parsing 'if' statement - missing then"},
        {"SE_missing_to", "Error parsing set/fix statement: 'to' not found"},
        {"SE_expect_closebracket", "Parse error:  Expected ')'"},
        {"SE_expect_optorval", "Parse Error: Expected option or value"},
        {"SE_conditional", "Error parsing conditional expression"},
        {"SE_path_internal", "Syntax Error Parsing paths - expected path id or '.'"},
        {"SE_path", "Syntax Error Parsing path - expected one '.'  or  ']'  or a path name"},
        // Added to the table.
        {"SE_invalid_base", "An option cannot be based on itself"},
        {"SE_too_deep", "Expression nested too deeply"},
        // No text of their own: the key is the message.
        {"SE_extra_input", "SE_extra_input"},
        {"SE_mutually_exclusive", "SE_mutually_exclusive"},
        {"SE_no_such_key", "SE_no_such_key"},
        {"", ""},
    };
    TestAdapter adapter;
    for (const auto& entry : catalogue) {
        EXPECT_EQ(entry.second, adapter.localizeString(entry.first));
    }
}

TEST_F(SyntaxErrorTest, WithoutAnAdapterTheDefaultTableSpeaks) {
    ASSERT_EQ(nullptr, ZAM::adapterInterface());
    const CaughtError error = catchSyntaxError([] { ZAMPath::parsePath("a;"); });
    EXPECT_EQ(10, error.code);
    EXPECT_EQ("Syntax Error Parsing paths - expected path id or '.'", error.info);
    EXPECT_EQ("a;\n ^", error.context);
    EXPECT_EQ(1, error.line);
}

TEST_F(SyntaxErrorTest, HostLocalizesEveryKey) {
    UpperCaseAdapter adapter;
    AdapterGuard guard(&adapter);
    EXPECT_EQ("SE_PATH_INTERNAL", catchSyntaxError([] { ZAMPath::parsePath("a;"); }).info);
    ZAMLexer lexer("[a;]");
    EXPECT_EQ("SE_PATH", catchSyntaxError([&] { ZAMPath::parseBracketPath(lexer); }).info);
}

class ThrowingAdapter : public TestAdapter {
public:
    std::string localizeString(const std::string& key) override {
        throw std::runtime_error("no text for " + key);
    }
};

TEST_F(SyntaxErrorTest, WhatTheHostThrowsPassesThrough) {
    ThrowingAdapter adapter;
    AdapterGuard guard(&adapter);
    try {
        ZAMPath::parsePath("a;");
        ADD_FAILURE() << "expected the host's exception";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string("no text for SE_path_internal"), error.what());
    }
}

}  // namespace
