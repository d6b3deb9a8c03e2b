#include <zamcore/zamcore.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/test_node.h"
#include "support/window_fixture.h"
#include "zamcore/configuration/sos_entry.h"

namespace {

using Findings = std::vector<std::string>;

// Modules top (public x, private y), sub (public pub, private priv), deep
// (public far), gearbox (public ratio) and rulesonly (rules, no interface, so
// no boundary), in a tree:
//
//   root (top)
//   ├── side (sub) ── deepnode (deep)
//   ├── bay ── frame (sub)
//   ├── "" ── hidden (sub)
//   ├── gear (gearbox)
//   └── helper (rulesonly)
class ValidatorTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        declare("top", {"public x integer", "private y integer"});
        declare("sub", {"public pub integer", "private priv integer"});
        declare("deep", {"public far integer"});
        declare("gearbox", {"public ratio integer"});
        declare("rulesonly", {});
        root = std::make_unique<TestNode>(window, "root", "top");
        deepnode = &root->add("side", "sub").add("deepnode", "deep");
        bay = &root->add("bay");
        frame = &bay->add("frame", "sub");
        root->add("").add("hidden", "sub");
        root->add("gear", "gearbox");
        root->add("helper", "rulesonly");
    }
    void TearDown() override {
        root.reset();
        EXPECT_EQ(0, TestNode::liveIterators);
        WindowFixture::TearDown();
    }

    void declare(const std::string& id, const std::vector<std::string>& declarations) {
        ref_count_ptr<ZAMModule> module = window->createModule(id);
        for (const std::string& declaration : declarations) {
            module->addOptionString(declaration);
        }
    }

    // "<node> <code> <module>:<option>" for each finding, in order.
    static Findings findings(const ZAMValidator& validator) {
        Findings result;
        for (const ValidationError& error : validator.errors()) {
            const ref_count_ptr<ZAMOption> option = error.option();
            result.push_back(static_cast<TestNode*>(error.node())->name() + " " +
                             std::to_string(error.code()) + " " + option->moduleId() + ":" +
                             option->name());
        }
        return result;
    }

    Findings validate(ZAMNode* start, bool recurse = true) {
        ZAMValidator validator;
        validator.validateNode(start, recurse);
        return findings(validator);
    }

    std::unique_ptr<TestNode> root;
    TestNode* deepnode;
    TestNode* bay;
    TestNode* frame;
};

TEST_F(ValidatorTest, RulesSeeTheirInstanceAndPublicOptionsOfTheNearestInstancesBelow) {
    const struct {
        const char* module;
        const char* rules;
        Findings expected;
    } rows[] = {
        {"top", "set top:x to top:y + sub:pub + gearbox:ratio", {}},
        {"top",
         "if sub:priv = 1 then set top:x to sub:priv endif\nset sub:priv to 2",
         {"root 2 sub:priv"}},
        {"top", "set top:x to deep:far", {"root 2 deep:far"}},
        {"rulesonly", "set top:y to sub:priv + sub:pub", {"helper 2 sub:priv"}},
        {"sub", "set sub:priv to deep:far + sub:pub", {"frame 2 deep:far", "hidden 2 deep:far"}},
    };
    for (const auto& row : rows) {
        window->getModule(row.module)->setRkl(row.rules);
        EXPECT_EQ(row.expected, validate(root.get())) << row.rules;
        window->getModule(row.module)->setRkl("");
    }
}

TEST_F(ValidatorTest, PresentedOptionsNeedAVisibleBaseAndAnInstanceAtTheirPath) {
    const struct {
        const char* declaration;
        Findings expected;
    } rows[] = {
        {"public p presents sub:pub", {}},
        {"public p presents sub:pub[side]", {}},
        {"public p presents sub:pub[bay.frame]", {}},
        {"public p presents sub:pub[hidden]", {}},
        {"public p presents gearbox:ratio[gear]", {}},
        {"public p presents sub:pub[frame.bay]", {"root 1 top:p"}},
        {"public p presents sub:pub[frame]", {}},
        {"public p presents sub:pub[bay]", {}},
        {"public p presents sub:pub[nowhere]", {"root 1 top:p"}},
        {"public p presents sub:pub[gear]", {"root 1 top:p"}},
        {"public p presents deep:far", {"root 0 top:p"}},
        {"public p presents deep:far[side.deepnode]", {"root 0 top:p"}},
    };
    ref_count_ptr<ZAMModule> top = window->getModule("top");
    for (const auto& row : rows) {
        top->addOptionString(row.declaration);
        EXPECT_EQ(row.expected, validate(root.get())) << row.declaration;
        top->deleteOption("p");
    }
}

// A presented value reaches an instance when its path occurs as a run inside
// the instance's path, which starts below the nearest node standing for a
// module. The validator reports a presented path exactly when evaluation
// delivers the value to no instance of the base's module.
TEST_F(ValidatorTest, PresentedPathFindingsAgreeWithWhatEvaluationDelivers) {
    // A module node that is no boundary restarts the paths below it.
    TestNode& inner = root->add("mid", "rulesonly").add("inner", "sub");
    window->getModule("sub")->addOptionString("public pub integer = 1 to 9");
    const std::vector<TestNode*> instances = {&root->child(0), frame, &root->child(1).child(0),
                                              &inner};
    const struct {
        const char* path;
        bool delivered;
    } rows[] = {
        {"[frame]", true},      {"[bay]", true},        {"[bay.frame]", true},
        {"[inner]", true},      {"[side]", true},       {"[frame.bay]", false},
        {"[mid.inner]", false}, {"[root.side]", false}, {"[nowhere]", false},
    };
    ref_count_ptr<ZAMModule> top = window->getModule("top");
    window->setRoot(root.get());
    for (const auto& row : rows) {
        const ref_count_ptr<ZAMOption> p =
            top->addOptionString(std::string("public p presents sub:pub") + row.path);
        ZAMSelOptionSet chosen(window);
        chosen.set({p, ZAMPath(), {ZAMValue::createInt(7)}, {ZAMSelOptionSet::UserSet}});
        root->setSos(chosen);
        window->evaluate(true);
        bool delivered = false;
        for (TestNode* instance : instances) {
            const ref_count_ptr<ZAMOption> pub = window->getModule("sub")->getOption("pub");
            const ZAMSelOptionSet::ZAMSosEntry& entry = instance->getSos().get(pub);
            delivered = delivered || zamcore::firstValue(entry)->type() == ZAMValue::VT_INT;
        }
        const Findings reported = validate(root.get());
        EXPECT_EQ(row.delivered, delivered) << row.path;
        EXPECT_EQ(row.delivered ? Findings{} : Findings{"root 1 top:p"}, reported) << row.path;
        root->clearSos();
        top->deleteOption("p");
    }
    window->setRoot(nullptr);
}

TEST_F(ValidatorTest, LoadIfConditionsSeeTheirParentsContext) {
    const struct {
        TestNode* node;
        const char* condition;
        Findings expected;
    } rows[] = {
        {root.get(), "sub:priv = 1", {}},
        {bay, "top:y = 1", {}},
        {frame, "sub:priv = 1", {"frame 3 sub:priv"}},
        {bay, "deep:far = 2 or sub:priv = 1", {"bay 3 sub:priv", "bay 3 deep:far"}},
        {deepnode, "top:x = 1", {"deepnode 3 top:x"}},
    };
    for (const auto& row : rows) {
        row.node->setLoadIf(row.condition);
        EXPECT_EQ(row.expected, validate(root.get())) << row.node->name() << ": " << row.condition;
        row.node->setLoadIf("");
    }
}

TEST_F(ValidatorTest, FindingsComeInPreOrderAndEachCallAppends) {
    window->getModule("top")->addOptionString("public p presents deep:far");
    window->getModule("top")->setRkl("set top:x to deep:far + sub:priv + sub:priv");
    window->getModule("sub")->setRkl("set sub:pub to deep:far");
    bay->setLoadIf("sub:priv = 1");
    frame->setLoadIf("sub:priv = 1");
    const Findings all = {"root 0 top:p",     "root 2 sub:priv",  "root 2 deep:far",
                          "bay 3 sub:priv",   "frame 3 sub:priv", "frame 2 deep:far",
                          "hidden 2 deep:far"};
    EXPECT_EQ(all, validate(root.get()));

    ZAMValidator validator;
    validator.validateNode(root.get(), false);
    validator.validateNode(root.get(), false);
    Findings rootTwice(all.begin(), all.begin() + 3);
    rootTwice.insert(rootTwice.end(), all.begin(), all.begin() + 3);
    EXPECT_EQ(rootTwice, findings(validator));
    EXPECT_EQ(Findings{"bay 3 sub:priv"}, validate(bay, false));
}

TEST_F(ValidatorTest, AStartAtABoundarySeesNothingForItsLoadIf) {
    frame->setLoadIf("top:x = 1 and sub:pub = 1");
    bay->setLoadIf("sub:pub = 1 or top:x = 1");
    EXPECT_EQ((Findings{"frame 3 top:x", "frame 3 sub:pub"}), validate(frame));
    // A start below no boundary sees what lies below it.
    EXPECT_EQ((Findings{"bay 3 top:x", "frame 3 top:x"}), validate(bay));
}

TEST_F(ValidatorTest, ExceptionsPassOutKeepingEarlierFindings) {
    adapter.onLoad = [](ZAMWindow*, const std::string& id) -> bool {
        throw ZAMException(4242, id, "", "");
    };
    bay->setLoadIf("sub:priv = 1");
    TestNode& last = frame->add("last");
    const struct {
        const char* failure;
        std::function<void()> arrange;
    } rows[] = {
        {"a condition naming a module that fails to load", [&] { last.setLoadIf("boom:x = 1"); }},
        {"a node whose module fails to load",
         [&] {
             last.setLoadIf("");
             last.add("lost", "boom");
         }},
    };
    for (const auto& row : rows) {
        row.arrange();
        ZAMValidator validator;
        EXPECT_ZAM_CODE(validator.validateNode(root.get(), true), 4242);
        EXPECT_EQ(Findings{"bay 3 sub:priv"}, findings(validator)) << row.failure;
        EXPECT_EQ(0, TestNode::liveIterators) << row.failure;
    }
}

}  // namespace
