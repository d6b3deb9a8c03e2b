#include <zamcore/zamcore.h>

#include <string>
#include <vector>

#include "support/window_fixture.h"

namespace {

using Set = ZAMSelOptionSet;
using Entry = ZAMSelOptionSet::ZAMSosEntry;
using Option = ref_count_ptr<ZAMOption>;
using Value = ref_count_ptr<ZAMValue>;

Value I(int v) {
    return ZAMValue::createInt(v);
}

Entry entry(const Option& option, std::vector<Value> values, std::vector<Set::HowSet> howSets,
            const ZAMPath& path = ZAMPath()) {
    return Entry{option, path, std::move(values), std::move(howSets)};
}

Entry one(const Option& option, const Value& value, Set::HowSet howSet) {
    return Entry{option, ZAMPath(), {value}, {howSet}};
}

// "text/how-set" per value, comma-separated: "5/0" is the default 5.
std::string dump(const Entry& entry) {
    std::string text;
    for (std::size_t i = 0; i < entry.values.size(); ++i) {
        text += (i == 0 ? "" : ",") + entry.values[i]->displayString() + "/" +
                std::to_string(static_cast<int>(entry.howSets[i]));
    }
    return text;
}

// "name[path]=entry" per stored entry, in contents order.
std::string dump(const Set& set) {
    std::string text;
    for (const auto& keyed : set.contents()) {
        const ZAMPath& path = keyed.second.path;
        text += (text.empty() ? "" : "; ") + keyed.first->name() +
                (path.isEmpty() ? "" : "[" + path.toDisplayString() + "]") + "=" +
                dump(keyed.second);
    }
    return text;
}

// A host whose override rule answers `answer` and records what it was asked.
class RuleSpy : public TestAdapter {
public:
    bool answer = false;
    std::vector<std::string> asked;

    bool allowOptionOverride(const Entry& existing, const ZAMNode* node,
                             ZAMSelOptionSet::HowSet howSet) override {
        asked.push_back(dump(existing) + " node " + (node ? "set" : "null") + " incoming " +
                        std::to_string(static_cast<int>(howSet)));
        return answer;
    }
};

// Module "n" holds an integer option called "label" that comes before the
// string option "label" of module "m" in every set.
class SelOptionSetTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        otherLabel = window->createModule("n")->addOptionString("public label integer = 1 to 9");
        ref_count_ptr<ZAMModule> m = window->createModule("m");
        size = m->addOptionString("public size integer = 1 to 10 default 5");
        extras = m->addOptionString("public extras integer non_mutually_exclusive = 1 to 9");
        label = m->addOptionString("public label string : mandatory");
        tags = m->addOptionString("public tags string non_mutually_exclusive");
        legacy = m->declareLegacyOption("old");
    }
    void TearDown() override {
        otherLabel = size = extras = label = tags = legacy = Option();
        WindowFixture::TearDown();
    }

    Option otherLabel, size, extras, label, tags, legacy;
};

TEST_F(SelOptionSetTest, GetStoresTheDefaultOnceAndReturnsItAfterwards) {
    Set set(window);
    const Entry& first = set.get(size);
    EXPECT_EQ("5/0", dump(first));
    EXPECT_EQ(&first, &set.get(size, ZAMPath()));
    const Entry& below = set.get(size, ZAMPath({"a"}));
    EXPECT_NE(&first, &below);
    EXPECT_EQ(&below, &set.get(size, ZAMPath({"a"})));
    set.get(extras);
    EXPECT_EQ("size=5/0; size[a]=5/0; extras=***UNSET***/0", dump(set));
    EXPECT_ZAM_CODE(set.get(Option()), 103);
}

TEST_F(SelOptionSetTest, LegacyValuesLiveWithTheHost) {
    std::vector<ZAMWindow*> asked;
    adapter.onLegacyRead = [&asked](ZAMWindow* from, const Option&) {
        asked.push_back(from);
        return I(static_cast<int>(asked.size()));
    };
    Set set(window);
    EXPECT_EQ("1/0", dump(set.get(legacy)));
    const Entry& again = set.get(legacy, ZAMPath({"any"}));
    EXPECT_EQ("2/0", dump(again));
    EXPECT_EQ(legacy.get(), again.option.get());
    EXPECT_EQ(std::vector<ZAMWindow*>(2, window.get()), asked);

    set.set(one(legacy, I(7), Set::RuleSet));
    set.set(entry(legacy, {I(1), I(2)}, {Set::UserSet, Set::RuleSet}));
    EXPECT_EQ((std::vector<std::string>{"old=7", "old=[1,2]"}), adapter.legacyWrites);
    EXPECT_TRUE(set.contents().empty());

    Set windowless{ref_count_ptr<ZAMWindow>()};
    EXPECT_ZAM_CODE(windowless.get(legacy), 2);
    EXPECT_ZAM_CODE(windowless.set(one(legacy, I(7), Set::RuleSet)), 2);
    EXPECT_EQ(2u, adapter.legacyWrites.size());
}

TEST_F(SelOptionSetTest, RefusedEntriesLeaveTheSetUnchanged) {
    struct Row {
        Entry entry;
        int code;
        std::string info;
    };
    const Row rows[] = {
        {one(size, I(11), Set::UserSet), 204, "11"},
        {entry(size, {}, {}), 2, "Selected option set entry holds no value"},
        {entry(size, {I(4)}, {}), 2,
         "Selected option set entry holds more or fewer how-sets than values"},
        {entry(extras, {I(4), I(5)}, {Set::UserSet}), 2,
         "Selected option set entry holds more or fewer how-sets than values"},
        {entry(extras, {I(4), Value()}, {Set::UserSet, Set::UserSet}), 2,
         "Selected option set entry holds a null value"},
        {one(Option(), I(4), Set::UserSet), 103, ""},
    };
    Set set(window);
    set.set(one(size, I(3), Set::RuleSet));
    set.set(one(extras, I(3), Set::RuleSet));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.info);
        try {
            set.set(row.entry);
            ADD_FAILURE() << "no throw";
        } catch (const ZAMException& error) {
            EXPECT_EQ(row.code, error.code());
            EXPECT_EQ(row.info, error.info());
            EXPECT_EQ(row.code == 204 ? "size" : "", error.context());
        }
        EXPECT_EQ("size=3/2; extras=3/2", dump(set));
    }
}

TEST_F(SelOptionSetTest, SingleValuedOptionsFollowTheDefaultOverrideRule) {
    constexpr int kFromDefault = -1;  // the stored entry is the default 5
    struct Row {
        int stored;  // how-set of a stored 3, or kFromDefault
        int value;
        int incoming;
        std::string after;
        std::string error;
    };
    const Row rows[] = {
        {kFromDefault, 7, Set::RuleSet, "7/2", ""},
        {kFromDefault, 7, Set::Default, "5/0",
         "Trying to change a default value with another default"},
        {kFromDefault, 5, Set::Default, "5/0", ""},  // equal values ask no rule
        {Set::UserFixed, 7, Set::RuleSet, "3/3", ""},
        {Set::UserFixed, 7, Set::UserSet, "7/1", ""},
        {Set::RuleFixed, 7, Set::Inherited, "7/5", ""},
        {Set::RuleSet, 3, Set::RuleFixed, "3/2", ""},  // equal value keeps its how-set
        {9, 7, Set::Imposed, "3/9", "Invalid value for HowSet"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "stored " << row.stored << " incoming " << row.incoming);
        Set set(window);
        if (row.stored == kFromDefault) {
            set.get(size);
        } else {
            set.set(one(size, I(3), static_cast<Set::HowSet>(row.stored)));
        }
        try {
            set.set(one(size, I(row.value), static_cast<Set::HowSet>(row.incoming)));
            EXPECT_EQ("", row.error);
        } catch (const ZAMException& error) {
            EXPECT_EQ(2, error.code());
            EXPECT_EQ(row.error, error.info());
        }
        EXPECT_EQ(row.after, dump(set.get(size)));
    }
}

TEST_F(SelOptionSetTest, HostRuleDecidesOnTheStoredEntryAndTheFirstHowSet) {
    RuleSpy spy;
    ZAM::initialize(&spy);
    Set set(window);
    set.set(one(size, I(3), Set::RuleSet));
    const Entry replacement = entry(size, {I(7), I(8)}, {Set::Imposed, Set::UserSet});
    set.set(replacement);
    EXPECT_EQ("size=3/2", dump(set));
    spy.answer = true;
    set.set(replacement);
    EXPECT_EQ("size=7/6", dump(set));
    set.set(one(size, I(7), Set::Default));
    EXPECT_EQ((std::vector<std::string>{"3/2 node null incoming 6", "3/2 node null incoming 6"}),
              spy.asked);
}

TEST_F(SelOptionSetTest, MultiValuedOptionsCollectNewDisplayTextsWithoutAskingTheRule) {
    RuleSpy spy;
    ZAM::initialize(&spy);
    Set set(window);
    set.get(extras);
    set.set(entry(extras, {I(2), I(3)}, {Set::RuleSet, Set::UserSet}));
    EXPECT_EQ("extras=2/2,3/1", dump(set));
    set.set(entry(extras, {I(3), I(4), I(2)}, {Set::Imposed, Set::RuleFixed, Set::Imposed}));
    EXPECT_EQ("extras=2/2,3/1,4/4", dump(set));
    // Only the first value is checked against the option; the second shares
    // its display text with a stored value and adds nothing.
    set.set(entry(extras, {I(4), ZAMValue::createString("3")}, {Set::UserSet, Set::UserSet}));
    EXPECT_EQ("extras=2/2,3/1,4/4", dump(set));
    EXPECT_TRUE(spy.asked.empty());

    // An unset placeholder anywhere gives way to the new value; nothing else
    // is dropped.
    const ZAMPath at({"a"});
    set.set(entry(extras, {ZAMValue::createUnset(), I(2)}, {Set::Default, Set::RuleSet}, at));
    set.set(entry(extras, {I(5)}, {Set::RuleSet}, at));
    EXPECT_EQ("2/2,5/2", dump(set.get(extras, at)));
}

TEST_F(SelOptionSetTest, ClearEntryRestoresTheDefaultAtItsPathOnly) {
    Set set(window);
    set.set(one(size, I(3), Set::RuleSet));
    set.set(entry(size, {I(4)}, {Set::UserSet}, ZAMPath({"a"})));
    set.set(entry(extras, {I(1), I(2)}, {Set::RuleSet, Set::RuleSet}));
    set.clearEntry(entry(size, {}, {}, ZAMPath({"a"})));
    set.clearEntry(entry(extras, {}, {}));
    set.clearEntry(entry(size, {}, {}, ZAMPath({"b"})));
    EXPECT_EQ("size=3/2; size[a]=5/0; extras=***UNSET***/0", dump(set));
    set.clear();
    EXPECT_TRUE(set.contents().empty());
    EXPECT_EQ(window.get(), set.window().get());
}

TEST_F(SelOptionSetTest, MergeTakesOnlyTheHostsValues) {
    Set host(window);
    host.get(label);
    host.set(one(size, I(3), Set::UserFixed));
    host.set(entry(extras, {I(1), I(2), I(3)}, {Set::RuleSet, Set::Imposed, Set::UserSet}));
    host.set(entry(tags, {ZAMValue::createString("x")}, {Set::RuleFixed}));
    const std::string hostDump = dump(host);

    Set target(window);
    target.set(one(size, I(9), Set::RuleFixed));
    target.merge(host);
    EXPECT_EQ("size=9/4; extras=2/6,3/1", dump(target));

    host.merge(host);
    EXPECT_EQ(hostDump, dump(host));
}

TEST_F(SelOptionSetTest, StringLookupsIgnoreOtherKindsAndUnsetValues) {
    Set set(window);
    set.set(one(otherLabel, I(3), Set::RuleSet));
    set.get(label);
    EXPECT_FALSE(set.getOption("label"));
    EXPECT_FALSE(set.matchValue("label", "3"));

    set.set(one(label, ZAMValue::createString("3"), Set::UserSet));
    set.set(entry(tags, {ZAMValue::createString("a"), ZAMValue::createString("b")},
                  {Set::UserSet, Set::UserSet}));
    EXPECT_EQ(label.get(), set.getOption("label").get());
    EXPECT_TRUE(set.matchValue("label", "3"));
    EXPECT_TRUE(set.matchValue("tags", "b"));
    EXPECT_FALSE(set.matchValue("tags", "c"));
    EXPECT_FALSE(set.getOption("size"));
}

TEST_F(SelOptionSetTest, VerifyCompletenessNamesTheFirstMandatoryOptionWithoutValue) {
    Set set(window);
    set.get(extras);
    set.verifyCompleteness();  // no entry for the mandatory label yet
    set.get(label);
    try {
        set.verifyCompleteness();
        ADD_FAILURE() << "an unset mandatory option must throw";
    } catch (const ZAMException& error) {
        EXPECT_EQ(113, error.code());
        EXPECT_EQ("label", error.info());
    }
    set.set(one(label, ZAMValue::createString("red"), Set::UserSet));
    set.verifyCompleteness();
}

TEST_F(SelOptionSetTest, CopiesAreIndependentAndAssignmentKeepsItsWindow) {
    Set original(window);
    original.set(one(size, I(3), Set::RuleSet));
    const Entry& kept = original.get(size);
    {
        Set copy(original);
        EXPECT_EQ(window.get(), copy.window().get());
        copy.set(one(size, I(4), Set::UserSet));
        copy.get(extras);
        EXPECT_EQ("size=4/1; extras=***UNSET***/0", dump(copy));
    }
    // The original did not change, so its entries stay where they were.
    EXPECT_EQ("3/2", dump(kept));
    Set copy(original);
    original.set(one(extras, I(6), Set::Imposed));
    EXPECT_EQ("size=3/2", dump(copy));
    EXPECT_EQ("size=3/2; extras=6/6", dump(original));

    ref_count_ptr<ZAMWindow> otherWindow = ZAM::createWindow();
    std::vector<ZAMWindow*> asked;
    adapter.onLegacyRead = [&asked](ZAMWindow* from, const Option&) {
        asked.push_back(from);
        return ZAMValue::createUnset();
    };
    Set other(otherWindow);
    other = original;
    other = other;
    other.get(legacy);
    EXPECT_EQ("size=3/2; extras=6/6", dump(other));
    EXPECT_EQ(otherWindow.get(), other.window().get());
    EXPECT_EQ(std::vector<ZAMWindow*>{otherWindow.get()}, asked);
}

}  // namespace
