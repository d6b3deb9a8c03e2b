#include <zamcore/zamcore.h>

#include <string>
#include <utility>
#include <vector>

#include "support/test_node.h"
#include "support/window_fixture.h"
#include "zamcore/configuration/sos_entry.h"

namespace {

using Set = ZAMSelOptionSet;
using Entry = ZAMSelOptionSet::ZAMSosEntry;
using Option = ref_count_ptr<ZAMOption>;
using Value = ref_count_ptr<ZAMValue>;

Value I(int v) {
    return ZAMValue::createInt(v);
}

#if !ZAMCORE_EARLIER_INTERFACE
Entry entry(const Option& option, std::vector<Value> values, std::vector<Set::HowSet> howSets,
            const ZAMPath& path = ZAMPath()) {
    return Entry{option, path, std::move(values), std::move(howSets)};
}
#endif

Entry one(const Option& option, const Value& value, Set::HowSet howSet) {
    return zamcore::makeEntry(option, ZAMPath(), value, howSet);
}

// What `action` threw; code 0 when it threw nothing.
template <class Action>
ZAMException thrownBy(Action action) {
    try {
        action();
    } catch (const ZAMException& error) {
        return error;
    }
    return ZAMException();
}

// "text/how-set" per value, comma-separated: "5/0" is the default 5.
std::string dump(const Entry& entry) {
    std::string text;
    for (std::size_t i = 0; i < zamcore::valueCount(entry); ++i) {
        text += (i == 0 ? "" : ",") + zamcore::valueAt(entry, i)->displayString() + "/" +
                std::to_string(static_cast<int>(zamcore::howSetAt(entry, i)));
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
#if ZAMCORE_EARLIER_INTERFACE
        extras = m->addOptionString("public extras integer = 1 to 9");
        label = m->addOptionString("public label string");
        tags = m->addOptionString("public tags string");
#else
        extras = m->addOptionString("public extras integer non_mutually_exclusive = 1 to 9");
        label = m->addOptionString("public label string : mandatory");
        tags = m->addOptionString("public tags string non_mutually_exclusive");
#endif
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
    EXPECT_EQ(&below, &set.get(size, ZAMPath({"a"})));
    set.get(extras);
    EXPECT_EQ("size=5/0; size[a]=5/0; extras=***UNSET***/0", dump(set));
    EXPECT_EQ(103, thrownBy([&] { set.get(Option()); }).code());
}

TEST_F(SelOptionSetTest, LegacyValuesLiveWithTheHost) {
    std::vector<ZAMWindow*> asked;
    adapter.onLegacyRead = [&asked](ZAMWindow* from, const Option&) {
        asked.push_back(from);
        return I(static_cast<int>(asked.size()));
    };
    Set set(window);
    EXPECT_EQ("1/0", dump(set.get(legacy)));
    EXPECT_EQ("2/0", dump(set.get(legacy, ZAMPath({"any"}))));
    EXPECT_EQ(std::vector<ZAMWindow*>(2, window.get()), asked);

    set.set(one(legacy, I(7), Set::RuleSet));
#if !ZAMCORE_EARLIER_INTERFACE
    set.set(entry(legacy, {I(1), I(2)}, {Set::UserSet, Set::RuleSet}));
    EXPECT_EQ((std::vector<std::string>{"old=7", "old=[1,2]"}), adapter.legacyWrites);
#else
    EXPECT_EQ(std::vector<std::string>{"old=7"}, adapter.legacyWrites);
#endif
    EXPECT_TRUE(set.contents().empty());

    Set windowless{ref_count_ptr<ZAMWindow>()};
    EXPECT_EQ(2, thrownBy([&] { windowless.get(legacy); }).code());
}

#if !ZAMCORE_EARLIER_INTERFACE
TEST_F(SelOptionSetTest, RefusedEntriesLeaveTheSetUnchanged) {
    const std::pair<Entry, int> rows[] = {
        {one(size, I(11), Set::UserSet), 204},
        {entry(size, {}, {}), 2},
        {entry(extras, {I(4), I(5)}, {Set::UserSet}), 2},
        {entry(extras, {I(4), Value()}, {Set::UserSet, Set::UserSet}), 2},
        {one(Option(), I(4), Set::UserSet), 103},
    };
    Set set(window);
    set.set(one(size, I(3), Set::RuleSet));
    set.set(one(extras, I(3), Set::RuleSet));
    for (const auto& row : rows) {
        const Entry& refused = row.first;
        const ZAMException error = thrownBy([&] { set.set(refused); });
        EXPECT_EQ(row.second, error.code()) << error.info();
        EXPECT_EQ("size=3/2; extras=3/2", dump(set));
    }
    const ZAMException error = thrownBy([&] { set.set(rows[0].first); });
    EXPECT_EQ("11 size", error.info() + " " + error.context());
}
#endif

TEST_F(SelOptionSetTest, SingleValuedOptionsFollowTheOverrideRule) {
    constexpr int kFromDefault = -1;  // the stored entry is the default 5
    struct Row {
        int stored;  // how-set of a stored 3, or kFromDefault
        int value;
        int incoming;
        std::string after;
        int code;
    };
    const Row rows[] = {
        {kFromDefault, 7, Set::RuleSet, "7/2", 0},
        {kFromDefault, 7, Set::Default, "5/0", 2},
        {kFromDefault, 5, Set::Default, "5/0", 0},  // equal values ask no rule
        {Set::UserFixed, 7, Set::RuleSet, "3/3", 0},
        {Set::RuleSet, 3, Set::RuleFixed, "3/2", 0},  // an equal value keeps its how-set
        {9, 7, Set::Imposed, "3/9", 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "stored " << row.stored << " incoming " << row.incoming);
        Set set(window);
        if (row.stored == kFromDefault) {
            set.get(size);
        } else {
            set.set(one(size, I(3), static_cast<Set::HowSet>(row.stored)));
        }
        const Entry incoming = one(size, I(row.value), static_cast<Set::HowSet>(row.incoming));
        EXPECT_EQ(row.code, thrownBy([&] { set.set(incoming); }).code());
        EXPECT_EQ(row.after, dump(set.get(size)));
    }
}

#if !ZAMCORE_EARLIER_INTERFACE
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
    EXPECT_EQ((std::vector<std::string>(2, "3/2 node null incoming 6")), spy.asked);
}
#endif

#if !ZAMCORE_EARLIER_INTERFACE
TEST_F(SelOptionSetTest, MultiValuedOptionsCollectNewDisplayTextsWithoutAskingTheRule) {
    RuleSpy spy;
    ZAM::initialize(&spy);
    Set set(window);
    set.get(extras);
    set.set(entry(extras, {I(2), I(3)}, {Set::RuleSet, Set::UserSet}));
    // Only the first value is checked against the option; "3" shares its
    // display text with a stored value and adds nothing.
    set.set(entry(extras, {I(4), ZAMValue::createString("3"), I(2)},
                  {Set::RuleFixed, Set::Imposed, Set::Imposed}));
    EXPECT_EQ("extras=2/2,3/1,4/4", dump(set));
    EXPECT_TRUE(spy.asked.empty());

    // An unset placeholder anywhere gives way to the new value; nothing else
    // is dropped.
    const ZAMPath at({"a"});
    set.set(entry(extras, {ZAMValue::createUnset(), I(2)}, {Set::Default, Set::RuleSet}, at));
    set.set(entry(extras, {I(5)}, {Set::RuleSet}, at));
    EXPECT_EQ("2/2,5/2", dump(set.get(extras, at)));
}
#endif

#if !ZAMCORE_EARLIER_INTERFACE
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
}
#endif

#if !ZAMCORE_EARLIER_INTERFACE
TEST_F(SelOptionSetTest, MergeTakesOnlyTheHostsValues) {
    Set host(window);
    host.get(label);
    host.set(one(size, I(3), Set::UserFixed));
    host.set(entry(extras, {I(1), I(2), I(3)}, {Set::RuleSet, Set::Imposed, Set::UserSet}));
    host.set(one(tags, ZAMValue::createString("x"), Set::RuleFixed));
    const std::string hostDump = dump(host);

    Set target(window);
    target.set(one(size, I(9), Set::RuleFixed));
    target.merge(host);
    EXPECT_EQ("size=9/4; extras=2/6,3/1", dump(target));
    host.merge(host);
    EXPECT_EQ(hostDump, dump(host));
}
#endif

#if !ZAMCORE_EARLIER_INTERFACE
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
}
#endif

#if !ZAMCORE_EARLIER_INTERFACE
// Telling a based option's kind looks its base up, which may reach the host,
// and the host may change the very set being searched: the search finishes
// on the contents it started with.
TEST_F(SelOptionSetTest, StringLookupsFinishWhenTheHostChangesTheSet) {
    const Option shown =
        window->createModule("p")->addOptionString("public shown presents m:label");
    Set set(window);
    adapter.onRefresh = [&set](ZAMWindow*, ref_count_ptr<ZAMModule>) {
        set.clear();
        return true;
    };
    set.set(one(shown, ZAMValue::createString("x"), Set::UserSet));
    window->moduleNeedsRefresh("m");
    EXPECT_TRUE(set.matchValue("shown", "x"));
    EXPECT_TRUE(set.contents().empty());

    set.set(one(shown, ZAMValue::createString("x"), Set::UserSet));
    window->moduleNeedsRefresh("m");
    EXPECT_EQ(shown.get(), set.getOption("shown").get());
    EXPECT_TRUE(set.contents().empty());
    EXPECT_EQ((std::vector<std::string>{"refresh:m", "refresh:m"}), adapter.calls);
}

// Putting a host's set into context finds the bases of presented options,
// which may reach the host; a host that empties the set meanwhile does not
// take the presented values away from the walk under way.
TEST_F(SelOptionSetTest, PresentedValuesArriveWhenTheHostEmptiesTheSet) {
    const Option shown =
        window->createModule("p")->addOptionString("public shown presents m:label");
    TestNode kid(window, "kid", "m");
    Set set(window);
    set.set(one(shown, ZAMValue::createString("x"), Set::UserSet));
    // The first refresh comes with finding the node's module; the second
    // with finding the base of "shown".
    int refreshes = 0;
    adapter.onRefresh = [&](ZAMWindow* at, ref_count_ptr<ZAMModule>) {
        if (++refreshes == 1) {
            at->moduleNeedsRefresh("m");
        } else {
            set.clear();
        }
        return true;
    };
    window->moduleNeedsRefresh("m");
    set.setContext(&kid, false);
    EXPECT_EQ(2, refreshes);
    EXPECT_EQ("x/1", dump(set.get(label)));
}
#endif

#if !ZAMCORE_EARLIER_INTERFACE
TEST_F(SelOptionSetTest, VerifyCompletenessNamesAMandatoryOptionWithoutValue) {
    Set set(window);
    set.get(extras);
    EXPECT_EQ(0, thrownBy([&] { set.verifyCompleteness(); }).code()) << "label has no entry";
    set.get(label);
    const ZAMException error = thrownBy([&] { set.verifyCompleteness(); });
    EXPECT_EQ(113, error.code());
    EXPECT_EQ("label", error.info());
    set.set(one(label, ZAMValue::createString("red"), Set::UserSet));
    EXPECT_EQ(0, thrownBy([&] { set.verifyCompleteness(); }).code());
}
#endif

TEST_F(SelOptionSetTest, CopiesAreIndependentAndAssignmentKeepsItsWindow) {
    Set original(window);
    original.set(one(size, I(3), Set::RuleSet));
    const Entry& kept = original.get(size);
    {
        Set copy(original);
        copy.set(one(size, I(4), Set::UserSet));
        copy.get(extras);
        EXPECT_EQ("size=4/1; extras=***UNSET***/0", dump(copy));
    }
    // The original did not change, so its entries stay where they were.
    EXPECT_EQ("3/2", dump(kept));
    Set copy(original);
    original.set(one(extras, I(6), Set::Imposed));
    EXPECT_EQ("size=3/2", dump(copy));

    ref_count_ptr<ZAMWindow> otherWindow = ZAM::createWindow();
    std::vector<ZAMWindow*> asked;
    adapter.onLegacyRead = [&asked](ZAMWindow* from, const Option&) {
        asked.push_back(from);
        return ZAMValue::createUnset();
    };
    Set other(otherWindow);
    other = original;
    Set& alias = other;  // assignment to itself, unseen by the compiler
    other = alias;
    other.get(legacy);
    EXPECT_EQ("size=3/2; extras=6/6", dump(other));
    EXPECT_EQ(otherWindow.get(), other.window().get());
    EXPECT_EQ(std::vector<ZAMWindow*>{otherWindow.get()}, asked);
}

}  // namespace

namespace {

Entry at(const Option& option, const char* path, const Value& value, Set::HowSet howSet) {
    return zamcore::makeEntry(option, ZAMPath({path}), value, howSet);
}

// The entries of one option keep their order of insertion, among entries of
// options that sort before and after them, however the writes interleave;
// lookups and resets find each path's own entry in place.
TEST_F(SelOptionSetTest, EntriesOfOneOptionKeepTheirOrderOfInsertion) {
    Set set(window);
    set.set(at(size, "c", I(3), Set::UserSet));
    set.set(one(label, ZAMValue::createString("x"), Set::UserSet));
    set.set(at(size, "a", I(1), Set::UserSet));
    set.set(one(otherLabel, I(1), Set::UserSet));
    set.get(size, ZAMPath({"b"}));
    set.set(one(size, I(2), Set::RuleSet));
    set.set(at(size, "a", I(4), Set::RuleSet));
    EXPECT_EQ("label=1/1; size[c]=3/1; size[a]=4/2; size[b]=5/0; size=2/2; label=x/1", dump(set));
    EXPECT_EQ("3/1", dump(set.get(size, ZAMPath({"c"}))));
    EXPECT_EQ("2/2", dump(set.get(size)));

    set.clearEntry(at(size, "a", I(4), Set::RuleSet));
    EXPECT_EQ("label=1/1; size[c]=3/1; size[a]=5/0; size[b]=5/0; size=2/2; label=x/1", dump(set));
}

// contents() is made from the entries when asked: every write shows in the
// next call, a copy or assignment taken before the write keeps showing what
// it held, and a view handed out stays true while its own set is unchanged.
TEST_F(SelOptionSetTest, TheContentsFollowEveryWrite) {
    Set set(window);
    EXPECT_TRUE(set.contents().empty());
    set.set(one(size, I(7), Set::UserSet));
    EXPECT_EQ("size=7/1", dump(set));
    const Set before(set);
    Set assigned(window);
    assigned = set;
    const Set::Contents& view = before.contents();

    set.set(one(size, I(8), Set::RuleSet));
    set.get(extras);
    EXPECT_EQ("size=8/2; extras=***UNSET***/0", dump(set));
    set.clearEntry(one(size, I(8), Set::RuleSet));
    EXPECT_EQ("size=5/0; extras=***UNSET***/0", dump(set));
    assigned.merge(set);
    assigned.set(one(size, I(9), Set::RuleSet));
    EXPECT_EQ("size=9/2", dump(assigned));

    ASSERT_EQ(1u, view.size());
    EXPECT_EQ("7/1", dump(view.begin()->second));
    EXPECT_EQ("size=7/1", dump(before));
    set.clear();
    EXPECT_TRUE(set.contents().empty());
    for (const auto& keyed : assigned.contents()) {
        EXPECT_EQ(keyed.first, keyed.second.option);
    }
}

}  // namespace
