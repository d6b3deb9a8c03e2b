#ifndef ZAMCORE_TESTS_SUPPORT_TEST_NODE_H
#define ZAMCORE_TESTS_SUPPORT_TEST_NODE_H

#include <zamcore/zamcore.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// A host's structure node for tests: it owns its children, may stand for a
// module, and records every hook the engine calls in a log shared by the
// tree ("<name>:<hook>"). Hooks can be scripted to force a state, supply a
// host condition or throw.
class TestNode : public ZAMNode {
public:
    using Log = std::vector<std::string>;

    TestNode(ref_count_ptr<ZAMWindow> window, const std::string& name,
             const std::string& moduleId = "", TestNode* parent = nullptr,
             std::shared_ptr<Log> log = nullptr);

    // Copies take the engine's part of the node, its name and module, but
    // no children and no parent.
    TestNode(const TestNode& other);
    TestNode& operator=(const TestNode& other);

    // A new child of this node; the node owns it.
    TestNode& add(const std::string& name, const std::string& moduleId = "");
    TestNode& child(std::size_t index) { return *children_[index]; }

    ZAMNode* parent() const override { return parent_; }
    ZAMNodeIterator* children() override;
    bool hasModule() const override { return !moduleId_.empty(); }
    std::string moduleId() const override { return moduleId_; }
    std::string pathName() const override { return name_; }
    void stateChanged(ConfigState state) override;
    void evaluateLegacyExpressions() override;
    bool legacyConditionExists() override;
    ConfigState evaluateLegacyCondition() override;
    void evaluateLegacyErrorChecks() override;
#if !ZAMCORE_EARLIER_INTERFACE
    ConfigState forcedConfigState() override;
#endif

    const std::string& name() const {
        return name_;
    }
    Log& log() {
        return *log_;
    }

#if !ZAMCORE_EARLIER_INTERFACE
    ConfigState forced = Undetermined;
#endif
    bool hasLegacyCondition = false;
    ConfigState legacyCondition = Undetermined;
    // Called from evaluateLegacyExpressions, e.g. to throw.
    std::function<void()> onLegacyExpressions;
    // Called from every hook the engine calls, children() included, with the
    // hook's name as logged ("children" for children()): a host that changes
    // the product while it is evaluated or validated.
    std::function<void(const std::string& hook)> onHook;

    // Iterators handed out and not yet deleted, over all nodes.
    static int liveIterators;

private:
    void record(const std::string& hook) {
        log_->push_back(name_ + ":" + hook);
        if (onHook) {
            onHook(hook);
        }
    }

    std::string name_;
    std::string moduleId_;
    TestNode* parent_;
    std::shared_ptr<Log> log_;
    std::vector<std::unique_ptr<TestNode>> children_;
};

#endif
