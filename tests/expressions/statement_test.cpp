#include <zamcore/zamcore.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/rule_fixture.h"
#include "zamcore/configuration/sos_entry.h"

namespace {

using StatementTest = RuleFixture;

TEST_F(StatementTest, IfRunsOnlyOnLogicalConditionsAlongTheElifChain) {
    choose("a", ZAMValue::createInt(2));
    choose("lim", ZAMValue::createInt(1));
    const std::string chain =
        "if m:a = 1 then inform \"one\" elif %s then inform \"two\" "
        "elif m:a = 2 then inform \"three\" else inform \"other\" endif";
    struct Row {
        const char* middle;
        const char* messages;
    };
    const Row rows[] = {
        {"m:a = 2", "two"},
        {"m:a = 3", "three"},
        {"m:b = 2", ""},  // unset: neither this branch nor any after it
        {"m:lim", ""},    // an integer: not logical, same
        {"m:b = 2 or true", "two"},
    };
    for (const Row& row : rows) {
        adapter.messages.clear();
        std::string text = chain;
        text.replace(text.find("%s"), 2, row.middle);
        run(text);
        EXPECT_EQ(row.messages, adapter.messageTexts()) << row.middle;
    }
    adapter.messages.clear();
    run("if m:a = 1 then inform 1 else inform 2 endif if m:a then endif inform 3");
    EXPECT_EQ("2|3", adapter.messageTexts());
}

TEST_F(StatementTest, SetAndFixWriteWithTheirHowSets) {
    run("set m:a to 1 fix m:b to 2 + 3");
    EXPECT_EQ("1", valuesOf("a"));
    EXPECT_EQ(ZAMSelOptionSet::RuleSet, howSetOf("a"));
    EXPECT_EQ("5", valuesOf("b"));
    EXPECT_EQ(ZAMSelOptionSet::RuleFixed, howSetOf("b"));
    // A rule does not replace a user-fixed value, nor a "set" a fixed one.
    choose("c", ZAMValue::createInt(9), ZAMSelOptionSet::UserFixed);
    run("set m:c to 1 set m:b to 7");
    EXPECT_EQ("9", valuesOf("c"));
    EXPECT_EQ("5", valuesOf("b"));
    // An unset value is written like any other.
    run("set m:a to m:s");
    EXPECT_EQ("***UNSET***", valuesOf("a"));
    // A value the option does not allow: 204, nothing stored.
    EXPECT_ZAM_CODE(run("set m:lim to 11"), 204);
    EXPECT_EQ("***UNSET***", valuesOf("lim"));
    // The path written with the target goes with the value.
    run("set m:a[x.y] to 4");
    EXPECT_EQ(
        "4",
        zamcore::firstValue(set->get(option("a"), ZAMPath::parsePath("x.y")))->displayString());
}

// A host's override rule may run the same rules on another set while one of
// their "set"s is under way; each run stores its own values.
TEST_F(StatementTest, AnOverrideRuleMayRunTheSameRulesAgain) {
    struct Reentrant : RecordingAdapter {
        ref_count_ptr<ZAMExpRoot> rules;
        ZAMSelOptionSet* other = nullptr;
        bool allowOptionOverride(const ZAMSelOptionSet::ZAMSosEntry& stored, const ZAMNode* node,
                                 ZAMSelOptionSet::HowSet howSet) override {
            if (other != nullptr) {
                ZAMSelOptionSet* once = other;
                other = nullptr;
                rules->execute(*once);
            }
            return RecordingAdapter::allowOptionOverride(stored, node, howSet);
        }
    } host;
    ZAM::initialize(&host);
    ZAMSelOptionSet second(window);
    t->setRkl("set m:a to 5 set m:b to m:a + 1");
    host.rules = t->getRkl();
    host.other = &second;
    choose("a", ZAMValue::createInt(1));  // the first "set" now asks the override rule
    host.rules->execute(*set);
    host.rules = ref_count_ptr<ZAMExpRoot>();
    EXPECT_EQ("5", valuesOf("a"));
    EXPECT_EQ("6", valuesOf("b"));
    EXPECT_EQ("5", zamcore::firstValue(second.get(option("a")))->displayString());
    EXPECT_EQ("6", zamcore::firstValue(second.get(option("b")))->displayString());
    EXPECT_EQ(1u, zamcore::valueCount(second.get(option("a"))));
}

TEST_F(StatementTest, MessagesCarrySeverityAndTextAndMayStopTheRun) {
    run("inform \"a\" + \"b\" warn 3 error m:a inform 2.5");
    ASSERT_EQ(4u, adapter.messages.size());
    EXPECT_EQ("ab|3|***UNSET***|2.500000", adapter.messageTexts());
    EXPECT_EQ(ZAM::Inform, adapter.messages[0].severity);
    EXPECT_EQ(ZAM::Warn, adapter.messages[1].severity);
    EXPECT_EQ(ZAM::Error, adapter.messages[2].severity);
    EXPECT_EQ(nullptr, adapter.messages[0].node);

    adapter.messages.clear();
    adapter.acceptMessages = false;
    EXPECT_ZAM_CODE(run("inform 1 set m:a to 1"), 500);
    EXPECT_EQ("1", adapter.messageTexts());
    EXPECT_EQ("***UNSET***", valuesOf("a"));
}

TEST_F(StatementTest, ExceptionsCarryTheLineOfTheInnermostStatement) {
    struct Row {
        const char* text;
        int code;
        int line;
    };
    const Row rows[] = {
        // A "set" takes the line of the token after it.
        {"set m:a to 1\nset m:lim to 11\n\nset m:b to 1", 204, 4},
        {"set m:a to 1\nset m:lim to 11", 204, 2},
        // Inside an if the statement's own line wins over the if's.
        {"if true then\n set m:lim to 0 inform 1\nendif", 204, 2},
        {"if false then\nelif true then\n inform 1 / 0\n\nendif\n", 203, 5},
#if !ZAMCORE_EARLIER_INTERFACE
        // A mutually exclusive rule has no line: 0 at the top level, the
        // enclosing if's line inside one.
        {"mutually_exclusive : [ms]", 106, 0},
        {"if true then mutually_exclusive : [ms] endif\n\ninform 1", 106, 3},
#endif
        // The condition of an elif link belongs to the link, whose line is
        // that of the token after its "endif".
        {"if false then\nelif 1 / 0 = 1 then\nendif", 203, 3},
    };
#if !ZAMCORE_EARLIER_INTERFACE
    choose("ms", ZAMValue::createString("x"));
    choose("ms", ZAMValue::createString("y"));
#endif
    for (const Row& row : rows) {
        try {
            run(row.text);
            ADD_FAILURE() << "no exception: " << row.text;
        } catch (const ZAMException& error) {
            EXPECT_EQ(row.code, error.code()) << row.text;
            EXPECT_EQ(row.line, error.line()) << row.text;
        }
    }
}

#if !ZAMCORE_EARLIER_INTERFACE
// The rules that break name the two options (or option values) that clash.
TEST_F(StatementTest, MutuallyExclusiveRulesNameWhatClashes) {
    m->addOptionString("public p string non_mutually_exclusive");
    m->addOptionString("public q string non_mutually_exclusive");
    m->addOptionString("public r2 string non_mutually_exclusive");
    struct Row {
        std::vector<std::pair<const char*, const char*>> chosen;
        const char* rule;
        int code;
        const char* first;
        const char* second;
    };
    const Row rows[] = {
        // Values of two named options.
        {{{"r2", "x"}, {"p", "y"}}, "mutually_exclusive : [p, q, r2]", 106, "p", "r2"},
        // One option with two values breaks it by itself.
        {{{"ms", "a"}, {"ms", "b"}}, "mutually_exclusive : [s, ms]", 106, "ms", "ms"},
        // Two of the named values selected.
        {{{"ms", "a"}, {"s", "z"}}, "mutually_exclusive : {ms.a, ms.b, s.z}", 107, "ms.a", "s.z"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        set = std::make_unique<ZAMSelOptionSet>(window);
        for (const auto& value : row.chosen) {
            choose(value.first, ZAMValue::createString(value.second));
        }
        try {
            run(row.rule);
            ADD_FAILURE() << "no exception";
        } catch (const ZAMException& error) {
            EXPECT_EQ(row.code, error.code());
            EXPECT_EQ(row.code == 106 ? "mutually exclusive rule"
                                      : "option value mutually exclusive rule",
                      error.info());
            EXPECT_EQ(row.first, error.context());
            EXPECT_EQ(row.second, error.extrainfo2());
        }
    }
}

TEST_F(StatementTest, MutuallyExclusiveRulesPassAndMarkWhatTheyName) {
    m->addOptionString("public p string non_mutually_exclusive");
    m->addOptionString("public r2 string non_mutually_exclusive");
    // Only one named option holds a value: passes, and marks only that one.
    choose("r2", ZAMValue::createString("x"));
    run("mutually_exclusive : [p, r2]");
    EXPECT_FALSE(option("p")->mutually_exclusive());
    EXPECT_TRUE(option("r2")->mutually_exclusive());
    // One selected pair passes; options of other kinds never match, even
    // with the same text.
    choose("ms", ZAMValue::createString("a"));
    choose("a", ZAMValue::createInt(1));
    EXPECT_NO_THROW(run("mutually_exclusive : {ms.a, ms.b, s.y}"));
    EXPECT_NO_THROW(run("mutually_exclusive : {a.'1', ms.a}"));
}
#endif

TEST_F(StatementTest, AnExceptionEndsTheListAndKeepsWhatRanBefore) {
    EXPECT_ZAM_CODE(run("set m:a to 1 set m:b to 1 / 0 set m:c to 3"), 203);
    EXPECT_EQ("1", valuesOf("a"));
    EXPECT_EQ("***UNSET***", valuesOf("b"));
    EXPECT_EQ("***UNSET***", valuesOf("c"));
}

// A few hundred bytes that double a string twenty-eight times would ask for
// half a gigabyte; the join refuses before the string outgrows its limit.
TEST_F(StatementTest, DoublingAStringEndsAtTheLongestString) {
    std::string text = "set m:s to \"ab\"\n";
    for (int i = 0; i < 28; ++i) {
        text += "set m:s to m:s + m:s\n";
    }
    EXPECT_ZAM_CODE(run(text), 2);
    EXPECT_EQ(ZAMValue::kMaxJoinedLength, valuesOf("s").size());
}

TEST_F(StatementTest, ReferencedOptionsListsEachOptionOnce) {
    m->addOptionString("private hidden integer");
    ref_count_ptr<ZAMModule> p = window->createModule("p");
    p->addOptionString("public shown presents m:a");
    // The mutually exclusive rules, where the interface has them, name
    // options by name alone: they add nothing.
    p->setRkl(
        std::string("set m:b to m:c + m:b if m:hidden = 1 then set m:b to 1 endif ") +
        (ZAMCORE_EARLIER_INTERFACE ? "" : "mutually_exclusive : [s] mutually_exclusive : {s.x}"));
    std::set<ref_count_ptr<ZAMOption>> found;
    p->referencedOptions(found);
    std::set<ref_count_ptr<ZAMOption>> expected = {option("a"), option("b"), option("c"),
                                                   option("hidden")};
    EXPECT_EQ(expected, found);

    // The set is not cleared, and a text's own list keeps every reference.
    std::set<ref_count_ptr<ZAMOption>> collected = {option("s")};
    p->getRkl()->referencedOptions(window, collected);
    EXPECT_EQ(4u, collected.size());
    p = ref_count_ptr<ZAMModule>();
}

TEST_F(StatementTest, ModuleRulesAreReplacedOnlyBySuccessfulParses) {
    EXPECT_TRUE(t->getRkl()->rkl().empty());
    EXPECT_NE(t->getRkl().get(), t->getRkl().get());  // not stored
    t->setRkl("set m:a to 1");
    ref_count_ptr<ZAMExpRoot> rules = t->getRkl();
    EXPECT_EQ("set m:a to 1", rules->rkl());
    EXPECT_THROW(t->setRkl("set m:a 1"), ZAMSyntaxError);
    EXPECT_EQ(rules.get(), t->getRkl().get());
    t->setRkl("");
    EXPECT_NE(rules.get(), t->getRkl().get());
    t->getRkl()->execute(*set);
}

// A parsed reference remembers the option it found; it must follow the
// window as modules and options come and go.
TEST_F(StatementTest, ReferencesFollowModulesAndOptionsAsTheyChange) {
    t->setRkl("inform m:a");
    ref_count_ptr<ZAMExpRoot> rules = t->getRkl();
    choose("a", ZAMValue::createInt(1));
    rules->execute(*set);
    // The option is declared anew as another object: the new one is read.
    m->deleteOption("a");
    m->addOptionString("public a integer default 2");
    rules->execute(*set);
    // The module goes: a placeholder (unset); the host supplies it again.
    window->deleteModule("m");
    rules->execute(*set);
    adapter.onLoad = [](ZAMWindow* w, const std::string& id) {
        w->createModule(id)->addOptionString("public a integer default 3");
        return true;
    };
    rules->execute(*set);
    // A legacy option of that name is read through the host every time.
    ref_count_ptr<ZAMModule> legacy = window->createModule("l");
    legacy->declareLegacyOption("x");
    t->setRkl("inform l:x");
    t->getRkl()->execute(*set);
    t->getRkl()->execute(*set);
    EXPECT_EQ("1|2|***UNSET***|3|***UNSET***|***UNSET***", adapter.messageTexts());
    EXPECT_EQ(2, std::count(adapter.calls.begin(), adapter.calls.end(), "load:m"));
    m = legacy = ref_count_ptr<ZAMModule>();
}

}  // namespace
