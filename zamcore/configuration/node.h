#ifndef ZAMCORE_CONFIGURATION_NODE_H
#define ZAMCORE_CONFIGURATION_NODE_H

#include <string>

#include "zamcore/configuration/sel_option_set.h"
#include "zamcore/expressions/condition_exp.h"
#include "zamcore/runtime/export.h"
#include "zamcore/runtime/ref_count_ptr.h"

class ZAMNodeIterator;
class ZAMWindow;

// A node of the host's product structure. The host derives from it, supplies
// the tree (parent, children) and says which nodes stand for a module
// instance; the engine evaluates the tree. Not reference counted: the host
// owns its nodes. The order of the virtual operations is part of the binary
// interface.
class ZAMCORE_API ZAMNode {
public:
    enum ConfigState : int {
        Undetermined = 0,  // not decided; also "nothing forced"
        NotConfigured = 1,
        Configured = 2
    };

    explicit ZAMNode(ref_count_ptr<ZAMWindow> window);
    virtual ~ZAMNode();

    // The parent node (not owned); null at the root.
    virtual ZAMNode* parent() const = 0;
    // A new iterator over the children, never null; the caller deletes it.
    virtual ZAMNodeIterator* children() = 0;
    virtual bool hasModule() const = 0;
    // Asked only when hasModule() is true.
    virtual std::string moduleId() const = 0;
    // The node's component in paths; an empty name is left out.
    virtual std::string pathName() const = 0;
    // Told the new state when evaluation changes the stored state.
    virtual void stateChanged(ConfigState state);
    // Evaluates this node and its subtree against `set`.
    virtual void evaluate(const ZAMSelOptionSet& set, bool updateState) = 0;
    virtual void evaluateLegacyExpressions();
    virtual bool legacyConditionExists();
    virtual ConfigState evaluateLegacyCondition();
    virtual void evaluateLegacyErrorChecks();
    // Configured or NotConfigured forces the evaluation; Undetermined leaves
    // it to the condition.
    virtual ConfigState forcedConfigState();

    ref_count_ptr<ZAMWindow> window();
    ConfigState isNodeConfigured() const { return state_; }

    // Parses `text` as the node's load-if condition; an empty text removes
    // the condition. A syntax error keeps the old condition.
    void setLoadIf(const std::string& text);
    // The condition; a new, empty (undetermined) one when the node has none.
    ref_count_ptr<ZAMConditionExp> getLoadIf();

private:
    ZAMSelOptionSet ownSet_;
    ZAMSelOptionSet evaluatedSet_;
    ref_count_ptr<ZAMConditionExp> loadIf_;  // null without a condition
    ConfigState state_;
    bool hasOwnSet_;
};

// Iterates over the children of a node. Implemented by the host; created by
// ZAMNode::children() and deleted by its caller.
class ZAMCORE_API ZAMNodeIterator {
public:
    virtual bool hasMore() = 0;
    virtual ZAMNode* current() = 0;
    virtual void next() = 0;
    virtual ~ZAMNodeIterator();
};

#endif
