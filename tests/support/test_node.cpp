#include "support/test_node.h"

int TestNode::liveIterators = 0;

namespace {

class TestIterator : public ZAMNodeIterator {
public:
    explicit TestIterator(const std::vector<std::unique_ptr<TestNode>>& children)
        : children_(children) {
        ++TestNode::liveIterators;
    }
    ~TestIterator() override { --TestNode::liveIterators; }

    bool hasMore() override { return index_ < children_.size(); }
    ZAMNode* current() override { return children_[index_].get(); }
    void next() override { ++index_; }

private:
    const std::vector<std::unique_ptr<TestNode>>& children_;
    std::size_t index_ = 0;
};

}  // namespace

TestNode::TestNode(ref_count_ptr<ZAMWindow> window, const std::string& name,
                   const std::string& moduleId, TestNode* parent, std::shared_ptr<Log> log)
    : ZAMNode(window),
      name_(name),
      moduleId_(moduleId),
      parent_(parent),
      log_(log ? log : std::make_shared<Log>()) {}

TestNode::TestNode(const TestNode& other)
    : ZAMNode(other),
      name_(other.name_),
      moduleId_(other.moduleId_),
      parent_(nullptr),
      log_(other.log_) {}

TestNode& TestNode::operator=(const TestNode& other) {
    ZAMNode::operator=(other);
    return *this;
}

TestNode& TestNode::add(const std::string& name, const std::string& moduleId) {
    children_.push_back(std::make_unique<TestNode>(window(), name, moduleId, this, log_));
    return *children_.back();
}

ZAMNodeIterator* TestNode::children() {
    if (onHook) {
        onHook("children");
    }
    return new TestIterator(children_);
}

void TestNode::stateChanged(ConfigState state) {
    record("state=" + std::to_string(state));
}

void TestNode::evaluateLegacyExpressions() {
    record("expressions");
    if (onLegacyExpressions) {
        onLegacyExpressions();
    }
}

bool TestNode::legacyConditionExists() {
    record("conditionExists");
    return hasLegacyCondition;
}

ZAMNode::ConfigState TestNode::evaluateLegacyCondition() {
    record("condition");
    return legacyCondition;
}

void TestNode::evaluateLegacyErrorChecks() {
    record("errorChecks");
}

#if !ZAMCORE_EARLIER_INTERFACE
ZAMNode::ConfigState TestNode::forcedConfigState() {
    record("forced");
    return forced;
}
#endif
