#include "zamcore/configuration/node.h"

#include <memory>

#include "zamcore/configuration/context_pass.h"
#include "zamcore/configuration/placed_own_sets.h"
#include "zamcore/configuration/write_trace_scope.h"
#include "zamcore/expressions/exp_root.h"
#include "zamcore/language/rkl_parser.h"
#include "zamcore/model/module.h"
#include "zamcore/model/window.h"
#include "zamcore/model/window_back_pointer.h"
#include "zamcore/runtime/exception.h"

namespace {

// Runs `action`; a ZAMException leaving it names `node`.
template <class Action>
void annotated(ZAMNode* node, Action action) {
    try {
        action();
    } catch (ZAMException& error) {
        error.setNode(node);
        throw;
    }
}

}  // namespace

ZAMNode::ZAMNode(ref_count_ptr<ZAMWindow> window)
    : ownSet_(window), evaluatedSet_(window), state_(Undetermined), hasOwnSet_(false) {}

ZAMNode::ZAMNode(const ZAMNode& other) = default;

ZAMNode& ZAMNode::operator=(const ZAMNode& other) {
    ownSet_ = other.ownSet_;
    evaluatedSet_ = other.evaluatedSet_;
    loadIf_ = other.loadIf_;
    state_ = other.state_;
    hasOwnSet_ = other.hasOwnSet_;
    zamcore::PlacedOwnSets::forgetAll(ownSet_.window().get());
    return *this;
}

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

#if !ZAMCORE_EARLIER_INTERFACE
ZAMNode::ConfigState ZAMNode::forcedConfigState() {
    return Undetermined;
}

ZAMNode::ConfigState ZAMNode::forcedState() {
    return forcedConfigState();
}
#else
ZAMNode::ConfigState ZAMNode::forcedState() {
    return Undetermined;
}
#endif

ref_count_ptr<ZAMWindow> ZAMNode::window() {
    return ownSet_.window();
}

ref_count_ptr<ZAMModule> ZAMNode::module() const {
    if (!hasModule()) {
        throw ZAMException(309, "", "", "");
    }
    return zamcore::requireWindow(ownSet_.window().get())->getModule(moduleId());
}

bool ZAMNode::isModuleBoundary() const {
    return hasModule() && module()->isModuleBoundary();
}

// Evaluation recurses once per level of the host's tree (through its
// virtual evaluate), so the frames stay small: the set copies live on the
// heap.
void ZAMNode::evaluate(const ZAMSelOptionSet& set, bool updateState) {
    zamcore::requireWindow(window().get())->setCurrentlyEvaluating(this);
    const ConfigState state = computeState(set, updateState);
    const ConfigState forced = forcedState();
    if (forced == NotConfigured || (state == NotConfigured && forced != Configured)) {
        return;
    }
    const zamcore::PlacedOwnSets::Level level(window(), this);
    auto local = std::make_unique<ZAMSelOptionSet>(set);
    if (isModuleBoundary()) {
        local->setContext(this, false);
    }
    if (hasOwnSet_) {
        local->merge(ownSet_);
    }
    evaluateLegacyExpressions();
    if (hasModule()) {
        runRules(*local);
    }
    zamcore::PlacedOwnSets::stored(ownSet_.window().get(), this);
    ownSet_ = *local;
    evaluatedSet_ = *local;
    local.reset();
    evaluateChildren(updateState);
    evaluateLegacyErrorChecks();
}

ZAMNode::ConfigState ZAMNode::computeState(const ZAMSelOptionSet& set, bool updateState) {
    ConfigState computed;
    // Held: the host may replace the condition while it runs (setLoadIf from
    // a module lookup it answers).
    if (const ref_count_ptr<ZAMConditionExp> loadIf = loadIf_) {
        std::pair<bool, bool> value;
        annotated(this, [&] { value = loadIf->getValue(set); });
        computed = value.first ? Undetermined : value.second ? Configured : NotConfigured;
    } else if (legacyConditionExists()) {
        computed = evaluateLegacyCondition();
    } else {
        return state_;
    }
    if (updateState && computed != state_) {
        state_ = computed;
        stateChanged(computed);
    }
    return computed;
}

void ZAMNode::runRules(ZAMSelOptionSet& set) {
    annotated(this, [&] {
        const ref_count_ptr<ZAMModule> module = this->module();
        const zamcore::WriteTraceScope rules(zamcore::WriteTraceScope::Rules, this, &module->id(),
                                             0);
        module->getRkl()->execute(set);
    });
}

// The iterator is the host's, deleted on every path out, also when a child
// throws.
void ZAMNode::evaluateChildren(bool updateState) {
    const std::unique_ptr<ZAMNodeIterator> children(this->children());
    const auto copy = std::make_unique<ZAMSelOptionSet>(evaluatedSet_);
    for (; children->hasMore(); children->next()) {
        children->current()->evaluate(*copy, updateState);
    }
}

void ZAMNode::evaluateChild(ZAMNode* child, bool updateState) {
    const auto copy = std::make_unique<ZAMSelOptionSet>(evaluatedSet_);
    child->evaluate(*copy, updateState);
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

const ZAMSelOptionSet& ZAMNode::getSos() const {
    zamcore::ContextPass pass;
    return pass.ownSetOf(*this);
}

// Put into context on the side, so that a failure leaves the node as it was;
// the copy keeps this node's window.
void ZAMNode::setSos(ZAMSelOptionSet& set) {
    ZAMSelOptionSet placed(ownSet_);
    placed = set;
    placed.setContext(this, true);
    ownSet_ = placed;
    hasOwnSet_ = true;
    zamcore::PlacedOwnSets::forgetAll(ownSet_.window().get());
}

void ZAMNode::clearSos() {
    hasOwnSet_ = false;
    ownSet_.clear();
    zamcore::PlacedOwnSets::forgetAll(ownSet_.window().get());
}

ZAMNodeIterator::~ZAMNodeIterator() = default;
