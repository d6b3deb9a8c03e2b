#include <pthread.h>
#include <zamcore/zamcore.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/test_node.h"
#include "support/window_fixture.h"
#include "zamcore/configuration/sos_entry.h"
#include "zamcore/model/option_ids.h"

namespace {

using Log = TestNode::Log;

// A window with module "m" (public a, b integer; a rule text set per test)
// and a tree rooted at `root`.
class NodeTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        m = window->createModule("m");
        m->addOptionString("public a integer");
        m->addOptionString("public b integer");
        root = std::make_unique<TestNode>(window, "root");
        window->setRoot(root.get());
    }
    void TearDown() override {
        root.reset();
        m = ref_count_ptr<ZAMModule>();
        WindowFixture::TearDown();
    }

    // The log entries of one hook, in order.
    Log entries(const std::string& hook) {
        Log found;
        for (const std::string& entry : root->log()) {
            if (entry.size() >= hook.size() &&
                entry.compare(entry.size() - hook.size(), hook.size(), hook) == 0) {
                found.push_back(entry);
            }
        }
        return found;
    }

    std::string valueIn(const ZAMSelOptionSet& set, const std::string& name) {
        return zamcore::firstValue(set.get(m->getOption(name)))->displayString();
    }

    // A set that holds `value` for m's option `name`, as the host chose it.
    ZAMSelOptionSet chosen(const std::string& name, int value,
                           ZAMSelOptionSet::HowSet howSet = ZAMSelOptionSet::UserSet) {
        ZAMSelOptionSet set(window);
        set.set(
            zamcore::makeEntry(m->getOption(name), ZAMPath(), ZAMValue::createInt(value), howSet));
        return set;
    }

    ref_count_ptr<ZAMModule> m;
    std::unique_ptr<TestNode> root;
};

TEST_F(NodeTest, ABareRootCallsOnlyTheFourHooks) {
    window->evaluate(true);
#if ZAMCORE_EARLIER_INTERFACE
    EXPECT_EQ((Log{"root:conditionExists", "root:expressions", "root:errorChecks"}), root->log());
#else
    EXPECT_EQ((Log{"root:conditionExists", "root:forced", "root:expressions", "root:errorChecks"}),
              root->log());
#endif
    EXPECT_EQ(root.get(), window->currentlyEvaluating());
    EXPECT_EQ(ZAMNode::Undetermined, root->isNodeConfigured());
    EXPECT_ZAM_CODE(root->module(), 309);
}

TEST_F(NodeTest, ConditionsDecideTheStateAndStopTheSubtree) {
    TestNode& child = root->add("child");
    TestNode& grandchild = child.add("grandchild");
    child.setLoadIf("m:a = 1");
    ZAMSelOptionSet values = chosen("a", 2);
    root->setSos(values);

    window->evaluate(true);
    EXPECT_EQ(ZAMNode::NotConfigured, child.isNodeConfigured());
    EXPECT_EQ(Log{"child:state=1"}, entries("state=1"));
    EXPECT_TRUE(entries("grandchild:expressions").empty());
    window->evaluate(true);
    EXPECT_EQ(Log{"child:state=1"}, entries("state=1"));  // no second report

    // A removed condition keeps the last state.
    child.setLoadIf("m:a = 2");
    window->evaluate(true);
    EXPECT_EQ(1u, entries("grandchild:expressions").size());
    child.setLoadIf("m:a = 3");
    window->evaluate(true);
    child.setLoadIf("");
    window->evaluate(true);
    EXPECT_EQ(ZAMNode::NotConfigured, child.isNodeConfigured());
    EXPECT_EQ(1u, entries("grandchild:expressions").size());
    EXPECT_EQ(ZAMNode::Undetermined, grandchild.isNodeConfigured());
}

#if !ZAMCORE_EARLIER_INTERFACE
// Forced on, the subtree is evaluated while the state follows the condition;
// forced off, it stops even for a true condition.
TEST_F(NodeTest, ForcedStatesOverrideTheCondition) {
    TestNode& child = root->add("child");
    TestNode& grandchild = child.add("grandchild");
    child.setLoadIf("1 = 2");
    child.forced = ZAMNode::Configured;
    window->evaluate(true);
    EXPECT_EQ(ZAMNode::NotConfigured, child.isNodeConfigured());
    EXPECT_EQ(1u, entries("grandchild:expressions").size());
    child.forced = ZAMNode::NotConfigured;
    child.setLoadIf("1 = 1");
    window->evaluate(true);
    EXPECT_EQ(ZAMNode::Configured, child.isNodeConfigured());
    EXPECT_EQ(1u, entries("grandchild:expressions").size());
    EXPECT_EQ(ZAMNode::Undetermined, grandchild.isNodeConfigured());
}
#endif

TEST_F(NodeTest, WithoutUpdatingNothingIsStoredButFalseStillStops) {
    TestNode& child = root->add("child");
    child.add("grandchild");
    child.setLoadIf("1 = 2");
    window->evaluate(false);
    EXPECT_EQ(ZAMNode::Undetermined, child.isNodeConfigured());
    EXPECT_TRUE(entries("state=1").empty());
    EXPECT_TRUE(entries("grandchild:expressions").empty());
    // An unset condition leaves the node Undetermined and goes on.
    child.setLoadIf("m:a = 1");
    window->evaluate(true);
    EXPECT_EQ(ZAMNode::Undetermined, child.isNodeConfigured());
    EXPECT_EQ(1u, entries("grandchild:expressions").size());
    // The host's own condition counts when there is no load-if condition.
    child.setLoadIf("");
    child.hasLegacyCondition = true;
    child.legacyCondition = ZAMNode::NotConfigured;
    window->evaluate(true);
    EXPECT_EQ(ZAMNode::NotConfigured, child.isNodeConfigured());
    EXPECT_EQ(1u, entries("grandchild:expressions").size());
}

TEST_F(NodeTest, RulesRunOnACopyThatFlowsDownAndSiblingsGetTheSameSet) {
    m->setRkl("set m:b to m:a + 1 set m:a to 1");
    TestNode& first = root->add("first", "m");
    TestNode& second = root->add("second", "m");
    TestNode& below = second.add("below");
    window->evaluate(true);
    // Each sibling started from the root's set, where a was unset.
    EXPECT_EQ("1", valueIn(first.getSos(), "a"));
    EXPECT_EQ("***UNSET***", valueIn(first.getSos(), "b"));
    EXPECT_EQ("***UNSET***", valueIn(second.getSos(), "b"));
    // The result flows down to the children.
    EXPECT_EQ("1", valueIn(below.getSos(), "a"));
    // evaluateChild runs one subtree again, from the parent's evaluated set.
    root->log().clear();
    root->evaluateChild(&second, true);
    EXPECT_EQ((Log{"second:expressions", "below:expressions"}), entries("expressions"));
    EXPECT_EQ("***UNSET***", valueIn(second.getSos(), "b"));
}

TEST_F(NodeTest, HostValuesAreMergedIntoEveryEvaluation) {
    m->setRkl("set m:b to m:a + 1");
    TestNode& node = root->add("node", "m");
    ZAMSelOptionSet values = chosen("a", 4, ZAMSelOptionSet::UserFixed);
    node.setSos(values);
    window->evaluate(true);
    window->evaluate(true);
    EXPECT_EQ("5", valueIn(node.getSos(), "b"));
    node.clearSos();
    // Put into the module's context, an emptied own set holds the defaults.
    EXPECT_EQ(2u, node.getSos().contents().size());
    EXPECT_EQ("***UNSET***", valueIn(node.getSos(), "a"));
    window->evaluate(true);
    EXPECT_EQ("***UNSET***", valueIn(node.getSos(), "a"));
}

TEST_F(NodeTest, ExceptionsCarryTheNodeThatRaisedThem) {
    m->setRkl("inform 1\nset m:a to 1 / 0");
    TestNode& deep = root->add("one").add("two").add("three", "m");
    TestNode& after = root->add("after");
    try {
        window->evaluate(true);
        ADD_FAILURE() << "no exception";
    } catch (const ZAMException& error) {
        EXPECT_EQ(203, error.code());
        EXPECT_EQ(2, error.line());
        EXPECT_EQ(&deep, error.node());
    }
    EXPECT_EQ(&deep, window->currentlyEvaluating());
    EXPECT_TRUE(entries("after:expressions").empty());
    EXPECT_EQ(&deep, adapter.messages.at(0).node);
    EXPECT_EQ(0, TestNode::liveIterators);

    // A condition's error names its node; a module the window cannot supply
    // fails before the rules, with no node.
    after.setLoadIf("m:a / 0 = 1");
    m->setRkl("");
    try {
        window->evaluate(true);
        ADD_FAILURE() << "no exception";
    } catch (const ZAMException& error) {
        EXPECT_EQ(&after, error.node());
    }
    after.setLoadIf("");
    after.add("lost", "missing");
    try {
        window->evaluate(true);
        ADD_FAILURE() << "no exception";
    } catch (const ZAMException& error) {
        EXPECT_EQ(302, error.code());
        EXPECT_EQ(nullptr, error.node());
    }
    EXPECT_EQ(0, TestNode::liveIterators);
}

TEST_F(NodeTest, ConditionsAreKeptThroughSyntaxErrorsAndCopies) {
    EXPECT_NE(root->getLoadIf().get(), root->getLoadIf().get());
    EXPECT_EQ(std::make_pair(true, false), root->getLoadIf()->getValue(ZAMSelOptionSet(window)));
    root->setLoadIf("m:a = 1");
    ref_count_ptr<ZAMConditionExp> condition = root->getLoadIf();
    EXPECT_THROW(root->setLoadIf("m:a = "), ZAMSyntaxError);
    EXPECT_EQ(condition.get(), root->getLoadIf().get());

    TestNode copy(*root);
    EXPECT_EQ(condition.get(), copy.getLoadIf().get());
    TestNode other(window, "other");
    other = *root;
    EXPECT_EQ(condition.get(), other.getLoadIf().get());
}

// A host that answers the module lookup of a running condition by giving the
// node a new condition: the running one finishes on what it was, and the
// next evaluation runs the new one. Both ways a lookup reaches the host.
TEST_F(NodeTest, AConditionReplacedWhileItRunsFinishesFirst) {
    TestNode& child = root->add("child");
    const auto replace = [&child] { child.setLoadIf("other:x = 2"); };
    adapter.onLoad = [&](ZAMWindow* at, const std::string& id) {
        at->createModule(id)->addOptionString("public x integer = 1 to 3 default 1");
        replace();
        return true;
    };
    adapter.onRefresh = [&](ZAMWindow*, ref_count_ptr<ZAMModule>) {
        replace();
        return true;
    };
    for (const char* way : {"load", "refresh"}) {
        if (std::string(way) == "refresh") {
            window->moduleNeedsRefresh("other");
        }
        child.setLoadIf("other:x = 1");
        window->evaluate(true);
        EXPECT_EQ(ZAMNode::Configured, child.isNodeConfigured()) << way;
        window->evaluate(true);
        EXPECT_EQ(ZAMNode::NotConfigured, child.isNodeConfigured()) << way;
    }
    EXPECT_EQ((std::vector<std::string>{"load:other", "refresh:other"}), adapter.calls);
}

// The id the next option would take.
std::int64_t nextOptionId() {
    const std::int64_t next = zamcore::setNextOptionId(0);
    zamcore::setNextOptionId(next);
    return next;
}

// A product that refers to what does not exist evaluates again and again
// without using up option ids: while the window's modules and options stay
// as they are, failed lookups find the placeholders of the first evaluation.
TEST_F(NodeTest, EvaluatingAgainTakesNoNewOptionIds) {
    m->setRkl("set gone:x to 1\nif m:a = nowhere:y then\n  set m:b to missing:z\nendif");
    root->add("child", "m").setLoadIf("gone:w = 1 or m:c = 2");
    window->evaluate(true);
    const std::int64_t first = nextOptionId();
    window->evaluate(true);
    window->evaluate(false);
    EXPECT_EQ(first, nextOptionId());

    window->createModule("unrelated");
    window->evaluate(true);
    const std::int64_t afterChange = nextOptionId();
    EXPECT_GT(afterChange, first);
    window->evaluate(true);
    EXPECT_EQ(afterChange, nextOptionId());
}

TEST_F(NodeTest, ConditionValues) {
    const ZAMSelOptionSet set = chosen("a", 3);
    const std::pair<const char*, std::pair<bool, bool>> rows[] = {
        {"m:a = 3", {false, true}},
        {"m:a = 4", {false, false}},
        {"m:b = 3", {true, false}},
        {"m:b = 3 or m:a = 3", {false, true}},
    };
    for (const auto& row : rows) {
        root->setLoadIf(row.first);
        EXPECT_EQ(row.second, root->getLoadIf()->getValue(set)) << row.first;
    }
    root->setLoadIf("m:a");
    EXPECT_ZAM_CODE(root->getLoadIf()->getValue(set), 202);
}

// Evaluation recurses once per level of the host's tree; a deep structure
// must fit the default 8 MB stack of a thread.
TEST_F(NodeTest, DeepStructuresEvaluate) {
#if defined(__SANITIZE_ADDRESS__)
    const int depth = 2000;  // instrumented frames are several times larger
#else
    const int depth = 10000;
#endif
    m->setRkl("set m:a to 1");
    TestNode* node = root.get();
    for (int level = 0; level < depth; ++level) {
        node = &node->add("n", level % 10 == 0 ? "m" : "");
    }
    pthread_attr_t attributes;
    ASSERT_EQ(0, pthread_attr_init(&attributes));
    ASSERT_EQ(0, pthread_attr_setstacksize(&attributes, 8 * 1024 * 1024));
    pthread_t thread;
    auto body = [](void* argument) -> void* {
        static_cast<ZAMWindow*>(argument)->evaluate(true);
        return nullptr;
    };
    ASSERT_EQ(0, pthread_create(&thread, &attributes, body, window.get()));
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    EXPECT_EQ(node, window->currentlyEvaluating());
    EXPECT_EQ("1", valueIn(node->getSos(), "a"));
}

}  // namespace
