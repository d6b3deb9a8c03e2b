#include <zamcore/zamcore.h>

#include <random>
#include <string>
#include <vector>

#include "support/caught_error.h"
#include "support/window_fixture.h"

namespace {

using Option = ref_count_ptr<ZAMOption>;

// A window with module "base" (public width integer 1 to 10, default 5;
// public colour string; public flag logical; private hidden integer) and an
// empty module "m" that receives the declarations under test. The host
// supplies no other module.
class DeclarationTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        base = window->createModule("base");
        base->addOptionString("public width integer = 1 to 10 default 5");
        base->addOptionString("public colour string = \"red\", \"blue\"");
        base->addOptionString("public flag logical");
        base->addOptionString("private hidden integer");
        module = window->createModule("m");
    }
    void TearDown() override {
        base = module = ref_count_ptr<ZAMModule>();
        WindowFixture::TearDown();
    }

    // The syntax error a declaration raises; a missing one fails the test.
    CaughtError errorOf(const std::string& text) {
        return catchSyntaxError([&] { module->addOptionString(text); });
    }

    // Describes the option's constraints, e.g. "enum 1|range 1..5|any-int".
    static std::string constraintsOf(const Option& option) {
        static const char* const names[] = {
            "enum", "<", ">", "<=", ">=", "range", "any-string", "any-int", "any-real", "logical"};
        std::string text;
        for (const ref_count_ptr<ZAMOptionValue>& constraint : option->values()) {
            if (!text.empty()) {
                text += '|';
            }
            const int kind = constraint->kind();
            text += names[kind];
            if (kind <= ZAMOptionValue::MinInc) {
                text += " " + constraint->value()->displayString();
            } else if (kind == ZAMOptionValue::RangeKind) {
                text += " " + constraint->range().first->value()->displayString() + ".." +
                        constraint->range().second->value()->displayString();
            }
        }
        return text;
    }

    // Everything a declaration sets on an option, in one line.
    static std::string stateOf(const Option& option) {
        const Option base = option->basedOn();
        return (base ? base->moduleId() + ":" + base->name() : "-") + " kind " +
               std::to_string(option->valueType()) + " [" + constraintsOf(option) + "] default " +
               option->defaultValue()->displayString() + " \"" + option->description() + "\" at " +
               option->path().toDisplayString() + flagsOf(option);
    }

    static std::string flagsOf(const Option& option) {
#if ZAMCORE_EARLIER_INTERFACE
        static_cast<void>(option);
        return "";
#else
        return std::string(option->mandatory() ? " mandatory" : "") +
               (option->mutually_exclusive() ? "" : " non_mutually_exclusive");
#endif
    }

    ref_count_ptr<ZAMModule> base;
    ref_count_ptr<ZAMModule> module;
};

TEST_F(DeclarationTest, PlainTypesBuildConstraintsDefaultsAndFlags) {
    struct Row {
        const char* text;
        const char* constraints;
        const char* defaultText;
        const char* description;
        bool mandatory;
        bool mutuallyExclusive;
    };
    const Row rows[] = {
        {"public size integer", "any-int", "***UNSET***", "", false, true},
#if !ZAMCORE_EARLIER_INTERFACE
        {"public width integer \"Width\" : mandatory = 100 to 2000 default 500", "range 100..2000",
         "500", "Width", true, true},
        {"private angle real non_mutually_exclusive = < 0, >= 90.5", "< 0.000000|>= 90.500000",
         "***UNSET***", "", false, false},
#else
        {"public width integer \"Width\" = 100 to 2000 default 500", "range 100..2000", "500",
         "Width", false, true},
        {"private angle real = < 0, >= 90.5", "< 0.000000|>= 90.500000", "***UNSET***", "", false,
         true},
#endif
        {"public t real = -1.5 to 2", "range -1.500000..2.000000", "***UNSET***", "", false, true},
        {"public n integer = -5, > 10, <= -20 default -5", "enum -5|> 10|<= -20", "-5", "", false,
         true},
        {"public c string = \"red\", \"green\" \"blue\", default \"green\"",
         "enum red|enum green|enum blue", "green", "", false, true},
        {"public s string default \"anything\"", "any-string", "anything", "", false, true},
        {"public r real default 3", "any-real", "3.000000", "", false, true},
        {"public b logical default false", "logical", "false", "", false, true},
        {"public q integer = > 0, < 10 default 20", "> 0|< 10", "20", "", false, true},
        {"public e integer = 1 to 5 default 5", "range 1..5", "5", "", false, true},
        {"public 'odd name' integer # a comment\n", "any-int", "***UNSET***", "", false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        Option option = module->addOptionString(row.text);
        EXPECT_EQ(ZAMOption::Declared, option->type());
        EXPECT_EQ(row.constraints, constraintsOf(option));
        EXPECT_EQ(row.defaultText, option->defaultValue()->displayString());
        EXPECT_EQ(row.description, option->description());
#if !ZAMCORE_EARLIER_INTERFACE
        EXPECT_EQ(row.mandatory, option->mandatory());
        EXPECT_EQ(row.mutuallyExclusive, option->mutually_exclusive());
#endif
        EXPECT_EQ(row.text, module->askOptionRkl(option->name()));
        EXPECT_EQ(option.get(), module->getOption(option->name()).get());
    }
    EXPECT_EQ(ZAMOption::Private, module->getOption("angle")->scope());
    EXPECT_EQ(ZAMValue::VT_REAL, module->getOption("t")->valueType());
}

TEST_F(DeclarationTest, EachErrorKeyIsRaisedWhereTheLineGoesWrong) {
    struct Row {
        const char* text;
        const char* message;
    };
    const Row rows[] = {
        {"", "Expected \"public\" or \"private\""},
        {"hello x integer", "Expected \"public\" or \"private\""},
        {"public 5 integer", "Expected option name after ':'"},
        {"public x number", "Expected option type, implements or presents"},
#if !ZAMCORE_EARLIER_INTERFACE
        {"public x number : foo", "Unexpected input"},
        {"public x integer : \"late\"", "Unexpected input"},
#endif
        {"private p presents base:width", "Presented options can only be public"},
        {"public p presents = width", "Expected context (module) id"},
#if !ZAMCORE_EARLIER_INTERFACE
        // The optional parts come first: a ":" there wants "mandatory".
        {"public p presents :width", "Unexpected input"},
#endif
        {"public p presents base width", "Expected ':' parsing option name"},
        {"public p presents base:5", "Expected option name after ':'"},
        {"public s string = default \"a\"", "Expected a value for option"},
        {"public s string default 5", "Expected a value for default"},
        {"public p presents base:width default -1", "Expected a value for default"},
        {"public size integer = 1, 2 default 3", "Default value not valid for option"},
        {"public b logical default yes", "Default value not valid for option"},
        {"public b logical default 1", "Default value not valid for option"},
        {"public x integer = 1.5", "Expected integer value for option"},
        {"public x integer = -", "Expected integer value for option"},
        {"public x real = abc", "Expected real value for option"},
        {"public x integer = 5 to 5", "Maximum should be higher then minimum"},
        {"public x real = 6 to 5.5", "Maximum should be higher then minimum"},
        {"public x string \"open", "Unterminated double quotes"},
        // A default of another kind than the base is refused, not compared.
        {"public f implements base:width default true", "Default value not valid for option"},
        {"public w presents base:width default \"x\"", "Default value not valid for option"},
        {"public s uses m:s", "An option cannot be based on itself"},
        {"public s presents m:s[a]", "An option cannot be based on itself"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        CaughtError error = errorOf(row.text);
        EXPECT_EQ(10, error.code);
        EXPECT_EQ(row.message, error.info);
        EXPECT_TRUE(module->options().empty()) << "an error in the body creates nothing";
    }
}

TEST_F(DeclarationTest, ErrorContextPointsAtTheOffendingToken) {
    CaughtError error = errorOf("public x integer = 1 to\n  0");
    EXPECT_EQ(2, error.line);
    // The excerpt starts 20 characters before the token.
    EXPECT_EQ("x integer = 1 to   0\n" + std::string(20, ' ') + "^", error.context);

#if !ZAMCORE_EARLIER_INTERFACE
    error = errorOf("public x number : foo");
    EXPECT_EQ("public x number : foo\n" + std::string(18, ' ') + "^", error.context);
    EXPECT_EQ(1, error.line);
#endif
}

TEST_F(DeclarationTest, TrailingTokensLeaveTheOptionDeclaredButUnrecorded) {
    for (const char* text : {"public x integer extra", "public x integer mutually_exclusive",
                             "public x integer then"}) {
        SCOPED_TRACE(text);
        CaughtError error = errorOf(text);
        EXPECT_EQ("Spurious extra input found", error.info);
        EXPECT_EQ(ZAMOption::Declared, module->getOption("x")->type());
        EXPECT_ZAM_CODE(module->askOptionRkl("x"), 102);
    }
#if !ZAMCORE_EARLIER_INTERFACE
    CaughtError error = errorOf("public y integer \"Why\" : mandatory extra");
    EXPECT_EQ("Why", module->getOption("y")->description());
    EXPECT_TRUE(module->getOption("y")->mandatory());
    EXPECT_EQ("r \"Why\" : mandatory extra\n" + std::string(20, ' ') + "^", error.context);
#endif
}

#if !ZAMCORE_EARLIER_INTERFACE
TEST_F(DeclarationTest, RedeclarationResetsTheFlagsAndKeepsTheLatestLine) {
    Option first = module->addOptionString("public x integer \"d\" : mandatory = 1, 2");
    Option again = module->addOptionString("public x integer");
    EXPECT_EQ(first.get(), again.get());
    EXPECT_TRUE(again->description().empty());
    EXPECT_FALSE(again->mandatory());
    EXPECT_EQ("any-int", constraintsOf(again));
    EXPECT_EQ("public x integer", module->askOptionRkl("x"));
    EXPECT_ZAM_CODE(module->addOptionString("private x integer"), 101);
    EXPECT_EQ("public x integer", module->askOptionRkl("x"));
}
#endif

TEST_F(DeclarationTest, PresentedOptionTakesThePathAndAFoundDefault) {
    Option shown =
        module->addOptionString("public w presents base:width[front.'left side'] default 7");
    EXPECT_EQ(ZAMOption::Presented, shown->type());
    EXPECT_EQ("front.left side", shown->path().toDisplayString());
    EXPECT_EQ(7, shown->defaultValue()->intValue());
    EXPECT_EQ(base->getOption("width").get(), shown->basedOn().get());
    EXPECT_EQ("range 1..10", constraintsOf(shown));

    Option bare = module->addOptionString("public v presents base:width[]");
    EXPECT_TRUE(bare->path().isEmpty());
    EXPECT_EQ(5, bare->defaultValue()->intValue());

    EXPECT_EQ("Default value not valid for option",
              errorOf("public z presents base:width default 70").info);
    EXPECT_EQ("Syntax Error Parsing path - expected one '.'  or  ']'  or a path name",
              errorOf("public z presents base:width[a,b]").info);
}

TEST_F(DeclarationTest, ImplementedAndUsedOptionsListValuesOfTheirBaseKind) {
    Option impl = module->addOptionString("public i implements base:width = 2, 3 to 4 default 3");
    EXPECT_EQ(ZAMOption::Implements, impl->type());
    EXPECT_EQ("enum 2|range 3..4", constraintsOf(impl));
    EXPECT_EQ(3, impl->defaultValue()->intValue());

    Option used = module->addOptionString("private u uses base:colour = \"red\" default \"red\"");
    EXPECT_EQ(ZAMOption::Uses, used->type());
    EXPECT_EQ(ZAMOption::Private, used->scope());
    EXPECT_EQ("enum red", constraintsOf(used));
    EXPECT_EQ(1u, module->usingOptions().size());

    base->addOptionString("public ratio real = 0.5 to 2.5");
    Option real = module->addOptionString("public r implements base:ratio = 1 to 2, 2.25");
    EXPECT_EQ("range 1.000000..2.000000|enum 2.250000", constraintsOf(real));

    // A logical base has no list: "=" is read and nothing after it.
    Option flag = module->addOptionString("public f uses base:flag = default true");
    EXPECT_TRUE(flag->defaultValue()->boolValue());

    // The default is checked against the base, not against the new list.
    EXPECT_EQ("Default value not valid for option",
              errorOf("public j implements base:width = 2, 3 default 20").info);
    EXPECT_ZAM_CODE(module->addOptionString("public k implements base:width = 2, 3 default 9"),
                    105);
    EXPECT_ZAM_CODE(module->addOptionString("public k implements base:width = 20"), 204);
    EXPECT_EQ("Expected integer value for option",
              errorOf("public k implements base:width = \"red\"").info);
}

TEST_F(DeclarationTest, BasedDeclarationsNeedAPublicBase) {
    EXPECT_ZAM_CODE(module->addOptionString("public p presents base:hidden"), 303);
    EXPECT_ZAM_CODE(module->addOptionString("public u uses base:hidden"), 305);
    EXPECT_ZAM_CODE(module->addOptionString("public i implements base:hidden"), 306);
    // A missing module or option gives a placeholder, which is not public.
    EXPECT_ZAM_CODE(module->addOptionString("public u uses nowhere:x"), 305);
    EXPECT_ZAM_CODE(module->addOptionString("public p presents base:nothing"), 303);
    EXPECT_TRUE(module->options().empty());

    module->setTestOptions(true);
    Option trial = module->addOptionString("public u uses nowhere:x");
    EXPECT_EQ(ZAMOption::Legacy, trial->basedOn()->scope());
    EXPECT_EQ("nowhere", trial->basedOn()->moduleId());
    EXPECT_TRUE(module->options().empty());
    EXPECT_ZAM_CODE(module->askOptionRkl("u"), 102);
}

TEST_F(DeclarationTest, ImplementedAndUsedBasesAreLookedUpAsExternal) {
    adapter.onLoad = [](ZAMWindow* w, const std::string& id) {
        w->createModule(id)->addOptionString("public e integer");
        return true;
    };
    module->addOptionString("public p presents shown:e");
    module->addOptionString("public u uses ext:e");
    EXPECT_FALSE(window->getModule("shown")->isExternal());
    EXPECT_TRUE(window->getModule("ext")->isExternal());
}

// Declaration lines come from stored texts: any input gives an option or an
// exception, never a crash, a hang or a leak (the fixture counts objects).
TEST_F(DeclarationTest, ArbitraryInputGivesAnOptionOrAnError) {
    const std::vector<std::string> pieces = {"public",    "private",   "x",
                                             "integer",   "real",      "string",
                                             "logical",   "presents",  "implements",
                                             "uses",      "base",      ":",
                                             "width",     "colour",    "=",
                                             "default",   "to",        "<",
                                             ">=",        "-",         "1",
                                             "2.5",       "\"s\"",     "'q'",
                                             ",",         "[",         "]",
                                             ".",         "mandatory", "!",
                                             "#",         "\n",        "non_mutually_exclusive",
                                             "true",      "\"",        "'",
                                             "\\",        "\xff",      "unset",
                                             "2147483648"};
    std::mt19937 random(20261207);
    int declared = 0;
    int refused = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = round % 2 == 0 ? "public x " : "";
        const int count = static_cast<int>(random() % 9);
        for (int i = 0; i < count; ++i) {
            text += pieces[random() % pieces.size()];
            text += random() % 3 == 0 ? "" : " ";
        }
        try {
            Option option = module->addOptionString(text);
            ++declared;
            EXPECT_EQ(option.get(), module->getOption(option->name()).get()) << text;
        } catch (const ZAMException&) {
            ++refused;
        }
    }
    EXPECT_GT(declared, 0);
    EXPECT_GT(refused, 0);
}

// A declaration of an existing option that fails, wherever in the line,
// leaves the option and its recorded line as they were.
TEST_F(DeclarationTest, FailedRedeclarationLeavesTheOptionAsItWas) {
    struct Row {
        const char* first;
        const char* failing;
        int code;
        const char* message;  // for syntax errors
    };
    const char* const extra = "Spurious extra input found";
    const Row rows[] = {
        {"public k implements base:width = 2, 3", "public k implements base:width = 20", 204, ""},
        {"public k implements base:width = 2", "public k implements base:colour = \"x\"", 204, ""},
        {"public i implements base:width = 2, 3 default 3",
         "public i implements base:width = 4, 5 default 9", 105, ""},
        {"public x real = 6", "public x real to 5.5", 10, extra},
#if !ZAMCORE_EARLIER_INTERFACE
        {"public d integer \"Why\" : mandatory non_mutually_exclusive = 1 to 5 default 2",
         "public d integer = 7 extra", 10, extra},
#endif
        {"public p presents base:width[a] default 7",
         "public p presents base:width[b] default 3 extra", 10, extra},
        {"public u uses base:colour = \"red\"", "public u uses base:flag default 1", 10,
         "Default value not valid for option"},
        {"public s implements base:width", "public s implements m:s", 10,
         "An option cannot be based on itself"},
        {"public v integer = 1", "private v integer = 2", 101, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.failing);
        const Option option = module->addOptionString(row.first);
        const std::string before = stateOf(option);
        try {
            module->addOptionString(row.failing);
            ADD_FAILURE() << "expected code " << row.code;
        } catch (const ZAMException& error) {
            EXPECT_EQ(row.code, error.code());
            if (row.code == 10) {
                EXPECT_EQ(row.message, error.info());
            }
        }
        EXPECT_EQ(before, stateOf(option));
        EXPECT_EQ(option.get(), module->getOption(option->name()).get());
        EXPECT_EQ(row.first, module->askOptionRkl(option->name()));
    }
}

TEST_F(DeclarationTest, AnOptionCannotBecomeItsOwnBaseThroughAChain) {
    const Option a = module->addOptionString("public a implements base:width = 2, 3");
    base->addOptionString("public b implements m:a");
    const std::string before = stateOf(a);
    CaughtError error = errorOf("public a implements base:b = 2");
    EXPECT_EQ("An option cannot be based on itself", error.info);
    EXPECT_EQ("public a implements base:b = 2\n" + std::string(20, ' ') + "^", error.context);
    EXPECT_EQ(before, stateOf(a));

    error = errorOf("public a implements\n  base : b");
    EXPECT_EQ(2, error.line) << "the error points at the reference";
    EXPECT_EQ("blic a implements   base : b\n" + std::string(20, ' ') + "^", error.context);
}

TEST_F(DeclarationTest, DefaultOfAnotherKindThanTheBaseIsASyntaxErrorWithItsLine) {
    const CaughtError error = errorOf("public f implements base:width\n  default true");
    EXPECT_EQ("Default value not valid for option", error.info);
    EXPECT_EQ(2, error.line);
    EXPECT_EQ("width   default true\n" + std::string(20, ' ') + "^", error.context);
}

// Rewriting copies the rest of a based line unread, up to the end or to a
// character that starts no token, which is refused instead of read forever.
TEST_F(DeclarationTest, RewritingABasedLineStopsAtAnInvalidCharacter) {
    ZAMTranslater translater;
    translater.addModuleMapping("base", "b");
    EXPECT_EQ("public p uses b:width = 1, 2 # done",
              translater.translateOption("public p uses base:width = 1, 2 # done"));
    const CaughtError error =
        catchSyntaxError([&] { translater.translateOption("public p uses base:width = 1 ! 2"); });
    EXPECT_EQ("Spurious extra input found", error.info);
    EXPECT_EQ("uses base:width = 1 ! 2\n" + std::string(20, ' ') + "^", error.context);
}

}  // namespace
