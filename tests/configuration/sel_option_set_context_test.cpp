#include <pthread.h>
#include <zamcore/zamcore.h>

#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/test_node.h"
#include "support/window_fixture.h"
#include "zamcore/configuration/sos_entry.h"

namespace {

using Set = ZAMSelOptionSet;
using Entry = ZAMSelOptionSet::ZAMSosEntry;

// "name=value/how-set" per stored entry, in contents order, with "[path]"
// after the name of an entry that has one and more values after a ",".
std::string dump(const Set& set) {
    std::string text;
    for (const auto& keyed : set.contents()) {
        const Entry& entry = keyed.second;
        text += (text.empty() ? "" : "; ") + keyed.first->name() +
                (entry.path.isEmpty() ? "" : "[" + entry.path.toDisplayString() + "]") + "=";
        for (std::size_t i = 0; i < zamcore::valueCount(entry); ++i) {
            text += (i == 0 ? "" : ",") + zamcore::valueAt(entry, i)->displayString() + "/" +
                    std::to_string(static_cast<int>(zamcore::howSetAt(entry, i)));
        }
    }
    return text;
}

// A host that lets no inherited value replace another.
class NoInheritance : public TestAdapter {
public:
    bool allowOptionOverride(const Entry&, const ZAMNode*, Set::HowSet howSet) override {
        return howSet != Set::Inherited;
    }
};

class ContextTest : public WindowFixture {
protected:
    void TearDown() override {
        nodes.clear();
        WindowFixture::TearDown();
    }

    void module(const std::string& id, std::vector<std::string> lines) {
        ref_count_ptr<ZAMModule> made = window->createModule(id);
        for (const std::string& line : lines) {
            made->addOptionString(line);
        }
    }
    // A node below `parent`, owned by the test rather than by its parent, so
    // that long chains are released without recursion.
    TestNode& node(const std::string& name, const std::string& moduleId, TestNode* parent) {
        nodes.push_back(std::make_unique<TestNode>(window, name, moduleId, parent));
        return *nodes.back();
    }
    void put(Set& set, const std::string& optionRef, int value, Set::HowSet howSet,
             const std::string& path = "") {
        const std::size_t colon = optionRef.find(':');
        set.set(zamcore::makeEntry(
            window->getModule(optionRef.substr(0, colon))->getOption(optionRef.substr(colon + 1)),
            ZAMPath::parsePath(path), ZAMValue::createInt(value), howSet));
    }
    void give(TestNode& target, std::vector<std::pair<std::string, int>> values) {
        Set set(window);
        for (const auto& value : values) {
            put(set, value.first, value.second, Set::UserSet);
        }
        target.setSos(set);
    }

    std::vector<std::unique_ptr<TestNode>> nodes;
};

// "top" encloses an instance of "kid" at a.b.c below its own node.
class PresentedTest : public ContextTest {
protected:
    void SetUp() override {
        ContextTest::SetUp();
        module("kid", {"public x integer default 1", "public y integer default 2"});
        module("top", {"public t integer default 3", "public px presents kid:x[a.b.c]"});
        TestNode& top = node("top", "top", nullptr);
        kid = &node("c", "kid", &node("b", "", &node("a", "", &top)));
    }

    TestNode* kid = nullptr;
};

TEST_F(PresentedTest, TheEntryMeantForTheInstanceStays) {
    struct Stored {
        const char* option;
        const char* path;
        int value;
        Set::HowSet howSet;
    };
    auto x = [](const char* path, int value) { return Stored{"kid:x", path, value, Set::UserSet}; };
    const struct {
        std::vector<Stored> stored;  // in this order
        std::string x;
    } rows[] = {
        {{{"top:t", "", 3, Set::Default}}, "x=1/0"},     // the enclosing defaults leave
        {{{"top:px", "", 7, Set::UserFixed}}, "x=7/3"},  // presented, with its how-set
        {{x("", 5), x("a.b.c", 6)}, "x=6/1"},            // a path beats the empty path
        {{x("c", 5), x("b", 6)}, "x=6/1"},               // nearer the top beats deeper
        {{x("b.c", 5), x("a", 6)}, "x=6/1"},             // ... even when shorter
        {{x("a", 5), x("a.b", 6)}, "x=6/1"},             // longer beats shorter
        {{x("", 5), x("c.b", 6)}, "x=5/1"},              // a path that does not occur leaves
        {{x("a.c", 6)}, "x=1/0"},                        // ... and the default fills in
    };
    for (std::size_t row = 0; row < std::size(rows); ++row) {
        Set set(window);
        for (const Stored& stored : rows[row].stored) {
            put(set, stored.option, stored.value, stored.howSet, stored.path);
        }
        set.setContext(kid, false);
        EXPECT_EQ(rows[row].x + "; y=2/0", dump(set)) << "row " << row;
    }
}

// The defaults a context step fills in are shared by every set of the window
// until one writes, and follow every change of the module between steps.
TEST_F(PresentedTest, FilledDefaultsFollowTheModuleAndStayApartOnWrites) {
    const struct {
        std::function<void(ZAMModule&)> change;
        std::string after;
    } rows[] = {
        {[](ZAMModule&) {}, "x=1/0; y=2/0"},
        {[](ZAMModule& kid) { kid.addOptionString("public y integer default 9"); }, "x=1/0; y=9/0"},
        {[](ZAMModule& kid) { kid.addOptionString("public z integer default 4"); },
         "x=1/0; y=2/0; z=4/0"},
        {[](ZAMModule& kid) { kid.deleteOption("y"); }, "x=1/0"},
    };
    for (std::size_t row = 0; row < std::size(rows); ++row) {
        module("kid" + std::to_string(row),
               {"public x integer default 1", "public y integer default 2"});
        TestNode& instance = node("i", "kid" + std::to_string(row), nullptr);
        Set first(window);
        first.setContext(&instance, true);
        put(first, "kid" + std::to_string(row) + ":x", 5, Set::RuleSet);
        rows[row].change(*window->getModule("kid" + std::to_string(row)));
        Set second(window);
        second.setContext(&instance, true);
        EXPECT_EQ(rows[row].after, dump(second)) << "row " << row;
        EXPECT_EQ("x=5/2; y=2/0", dump(first)) << "row " << row;
    }
}

// Scores of runs starting at the top of a path of more than 65535 names
// saturate, so two different paths tie; the entry stored first wins.
TEST_F(PresentedTest, OnATieTheFirstStoredEntryWins) {
    TestNode* at = &node("top", "top", nullptr);
    for (int i = 0; i < 65537; ++i) {
        at = &node("n" + std::to_string(i), i == 65536 ? "kid" : "", at);
    }
    for (bool longerFirst : {false, true}) {
        Set set(window);
        put(set, "kid:x", longerFirst ? 6 : 5, Set::UserSet, longerFirst ? "n0.n1" : "n0");
        put(set, "kid:x", longerFirst ? 5 : 6, Set::UserSet, longerFirst ? "n0" : "n0.n1");
        set.setContext(at, false);
        EXPECT_EQ(longerFirst ? "x=6/1; y=2/0" : "x=5/1; y=2/0", dump(set));
    }
}

TEST_F(PresentedTest, OwnSetsKeepOnlyEntriesWithoutPathAndCurrentOptions) {
    Set set(window);
    put(set, "kid:x", 5, Set::UserSet);
    put(set, "kid:y", 6, Set::UserSet, "a.b.c");
    put(set, "top:t", 7, Set::UserSet);
    kid->setSos(set);
    EXPECT_EQ("x=5/1; y=2/0", dump(kid->getSos()));

    window->getModule("kid")->deleteOption("y");
    EXPECT_EQ("x=5/1", dump(kid->getSos()));
}

// Copies share their entries until one of them changes: a copy put into
// context, which adds the missing defaults, takes entries of its own, and a
// second putting finds nothing to add.
TEST_F(PresentedTest, PuttingACopyIntoContextLeavesTheOriginal) {
    for (bool ownSet : {false, true}) {
        Set original(window);
        put(original, "kid:x", 5, Set::UserSet);
        put(original, "top:t", 4, Set::UserSet);
        for (bool keepOther : {false, true}) {
            Set copy(original);
            if (keepOther) {
                copy.clear();
                put(copy, "kid:x", 5, Set::UserSet);
            }
            copy.setContext(kid, ownSet);
            EXPECT_EQ("x=5/1; y=2/0", dump(copy)) << ownSet << keepOther;
            copy.setContext(kid, ownSet);
            EXPECT_EQ("x=5/1; y=2/0", dump(copy)) << ownSet << keepOther;
        }
        EXPECT_EQ("x=5/1; t=4/1", dump(original)) << ownSet;
    }
}

// "prov" provides v and q; "user" uses v; "leaf" uses q, and v within 1 to 3.
class UsedOptionTest : public ContextTest {
protected:
    void SetUp() override {
        ContextTest::SetUp();
        module("prov", {"public q integer", "public v integer",
                        ZAMCORE_EARLIER_INTERFACE ? "public w integer"
                                                  : "public w integer non_mutually_exclusive"});
        module("user", {"public u uses prov:v"});
        module("leaf",
               {"public a uses prov:q", "public b uses prov:v = 1 to 3", "public c integer"});
    }
};

TEST_F(UsedOptionTest, TheProviderNearestTheRootWins) {
    TestNode& prov = node("p", "prov", nullptr);
    TestNode& user = node("u", "user", &prov);
    TestNode& leaf = node("l", "leaf", &user);
    give(prov, {{"prov:v", 2}, {"prov:q", 9}});
    EXPECT_EQ("a=9/5; b=2/5; c=***UNSET***/0", dump(leaf.getSos()));
    EXPECT_EQ("u=2/5", dump(user.getSos()));

    // A user above the provider, with nothing above it, keeps its own value,
    // and that is the value nearest the root.
    TestNode& top = node("t", "user", nullptr);
    TestNode& below = node("p", "prov", &top);
    TestNode& last = node("l", "leaf", &below);
    give(top, {{"user:u", 3}});
    give(below, {{"prov:v", 1}});
    EXPECT_EQ("a=***UNSET***/0; b=3/5; c=***UNSET***/0", dump(last.getSos()));

    // Without a provider above, a used option keeps its default.
    EXPECT_EQ("u=***UNSET***/0", dump(node("u", "user", &node("n", "", nullptr)).getSos()));
}

#if !ZAMCORE_EARLIER_INTERFACE
TEST_F(UsedOptionTest, EveryUsedOptionTakesAllTheProvidersValuesUnlessTheHostRefuses) {
    module("twin", {"public f uses prov:q", "public g uses prov:q",
                    "public n uses non_mutually_exclusive prov:w"});
    TestNode& prov = node("p", "prov", nullptr);
    TestNode& twin = node("t", "twin", &prov);
    Set values(window);
    const ref_count_ptr<ZAMValue> four = ZAMValue::createInt(4);
    values.set(Entry{window->getModule("prov")->getOption("q"), ZAMPath(), {four}, {Set::UserSet}});
    values.set(Entry{window->getModule("prov")->getOption("w"),
                     ZAMPath(),
                     {ZAMValue::createInt(5), ZAMValue::createInt(6)},
                     {Set::UserSet, Set::UserFixed}});
    prov.setSos(values);
    // The host's own value for f, the very same value, still yields to it.
    Set own(window);
    own.set(Entry{window->getModule("twin")->getOption("f"), ZAMPath(), {four}, {Set::UserSet}});
    twin.setSos(own);
    EXPECT_EQ("f=4/5; g=4/5; n=5/5,6/5", dump(twin.getSos()));

    NoInheritance host;
    AdapterGuard guard(&host);
    EXPECT_EQ("f=***UNSET***/0; g=***UNSET***/0; n=5/5,6/5", dump(twin.getSos()));
}
#endif

// Each user in a deep chain reads the one above it; a thread's default 8 MB
// stack must do for any depth.
TEST_F(UsedOptionTest, DeepChainsOfUsersFitTheStack) {
    TestNode* at = &node("p", "prov", nullptr);
    give(*at, {{"prov:v", 2}});
    for (int level = 0; level < 50000; ++level) {
        at = &node("u", "user", at);
    }
    pthread_attr_t attributes;
    ASSERT_EQ(0, pthread_attr_init(&attributes));
    ASSERT_EQ(0, pthread_attr_setstacksize(&attributes, 8 * 1024 * 1024));
    pthread_t thread;
    auto body = [](void* deepest) -> void* {
        static_cast<TestNode*>(deepest)->getSos();
        return nullptr;
    };
    ASSERT_EQ(0, pthread_create(&thread, &attributes, body, at));
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    EXPECT_EQ("u=2/5", dump(at->getSos()));
}

TEST_F(UsedOptionTest, AFailingContextLeavesTheOwnSetAsItWas) {
    TestNode& prov = node("p", "prov", nullptr);
    TestNode& leaf = node("l", "leaf", &prov);
    give(prov, {{"prov:q", 5}, {"prov:v", 2}});
    give(leaf, {{"leaf:c", 4}});
    const std::string before = "a=5/5; b=2/5; c=4/1";
    EXPECT_EQ(before, dump(leaf.getSos()));

    // v = 9 is not allowed for b: a takes 6 first, then b fails.
    give(prov, {{"prov:q", 6}, {"prov:v", 9}});
    Set values(window);
    put(values, "leaf:c", 7, Set::UserSet);
    EXPECT_ZAM_CODE(leaf.setSos(values), 204);
    EXPECT_ZAM_CODE(leaf.getSos(), 204);
    // A copy has no parent, so it shows the own set without providers.
    EXPECT_EQ(before, dump(TestNode(leaf).getSos()));
}

// Siblings read their providers' own sets as the host leaves them at the
// time: a change the host makes while one sibling is evaluated reaches the
// next, and the first keeps what it read.
TEST_F(UsedOptionTest, SiblingsInheritWhatTheProviderHoldsWhenTheyAreEvaluated) {
    ref_count_ptr<ZAMModule> user = window->getModule("user");
    user->addOptionString("public seen integer");
    user->setRkl("set user:seen to user:u");
    TestNode& prov = node("p", "prov", nullptr);
    TestNode& first = prov.add("u1", "user");
    TestNode& second = prov.add("u2", "user");
    TestNode& third = prov.add("u3", "user");
    window->setRoot(&prov);
    give(prov, {{"prov:v", 2}});
    first.onLegacyExpressions = [&] { give(prov, {{"prov:v", 3}}); };
    second.onLegacyExpressions = [&] { prov.clearSos(); };
    window->evaluate(true);
    window->setRoot(nullptr);

    const ref_count_ptr<ZAMOption> seen = user->getOption("seen");
    EXPECT_EQ("2", zamcore::firstValue(first.getSos().get(seen))->displayString());
    EXPECT_EQ("3", zamcore::firstValue(second.getSos().get(seen))->displayString());
    EXPECT_EQ("***UNSET***", zamcore::firstValue(third.getSos().get(seen))->displayString());
}

// A provider that presents an option to its own module is put into context
// on every read. Read once, it is fine; read twice, the second putting
// delivers p's default over x's, one default over another, which the
// override rule refuses.
TEST_F(UsedOptionTest, ASelfPresentingProviderIsPutIntoContextOnEveryRead) {
    module("self", {"public x integer default 1", "public p presents self:x default 2"});
    module("one", {"public f uses self:x"});
    module("two", {"public f uses self:x", "public g uses self:x"});
    EXPECT_EQ("f=1/0", dump(node("o", "one", &node("s", "self", nullptr)).getSos()));
    EXPECT_ZAM_CODE(node("t", "two", &node("s", "self", nullptr)).getSos(), 2);
}

}  // namespace
