#include "zamcore/configuration/node.h"

#include "zamcore/language/rkl_parser.h"
#include "zamcore/model/window.h"

ZAMNode::ZAMNode(ref_count_ptr<ZAMWindow> window)
    : ownSet_(window), evaluatedSet_(window), state_(Undetermined), hasOwnSet_(false) {}

ZAMNode::~ZAMNode() = default;

void ZAMNode::stateChanged(ConfigState) {}

void ZAMNode::evaluateLegacyExpressions() {}

bool ZAMNode::legacyConditionExists() {
    return false;
}

ZAMNode::ConfigState ZAMNode::evaluateLegacyCondition() {
    return Undetermined;
}

void ZAMNode::evaluateLegacyErrorChecks() {}

ZAMNode::ConfigState ZAMNode::forcedConfigState() {
    return Undetermined;
}

ref_count_ptr<ZAMWindow> ZAMNode::window() {
    return ownSet_.window();
}

void ZAMNode::setLoadIf(const std::string& text) {
    if (text.empty()) {
        loadIf_ = ref_count_ptr<ZAMConditionExp>();
        return;
    }
    ZAMRklParser parser(text);
    loadIf_ = parser.parseCondition();
}

ref_count_ptr<ZAMConditionExp> ZAMNode::getLoadIf() {
    return loadIf_ ? loadIf_ : ref_count_ptr<ZAMConditionExp>(new ZAMConditionExp());
}

ZAMNodeIterator::~ZAMNodeIterator() = default;
