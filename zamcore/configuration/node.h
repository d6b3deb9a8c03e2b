#ifndef ZAMCORE_CONFIGURATION_NODE_H
#define ZAMCORE_CONFIGURATION_NODE_H

#include <string>

#include "zamcore/configuration/sel_option_set.h"
#include "zamcore/expressions/condition_exp.h"
#include "zamcore/revision.h"
#include "zamcore/runtime/export.h"
#include "zamcore/runtime/ref_count_ptr.h"

class ZAMModule;
class ZAMNodeIterator;
class ZAMWindow;

namespace zamcore {
class ContextPass;
}

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

    // Both sets for `window`; no condition; Undetermined; no own values.
    explicit ZAMNode(ref_count_ptr<ZAMWindow> window);
    // Copies both sets (an assigned set keeps this node's window), shares
    // the condition, and copies the state and the own-values flag.
    ZAMNode(const ZAMNode& other);
    ZAMNode& operator=(const ZAMNode& other);
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
    // Evaluates this node and its subtree against `set`: the load-if
    // condition decides the state (reported through stateChanged when
    // updateState is true); a node that is not configured stops there.
    // Otherwise a copy of `set` is put into the module's context at a module
    // boundary, takes the host's own values of the node, runs the module's
    // rules, becomes the node's own and evaluated set, and is handed to
    // every child. An exception from the condition or the rules carries
    // this node.
    virtual void evaluate(const ZAMSelOptionSet& set, bool updateState);
    // The host's own expressions, run before the module's rules.
    virtual void evaluateLegacyExpressions();
    // Whether the host has its own condition for a node without a load-if
    // condition, and the state it gives.
    virtual bool legacyConditionExists();
    virtual ConfigState evaluateLegacyCondition();
    // The host's own checks, run after the children.
    virtual void evaluateLegacyErrorChecks();
#if !ZAMCORE_EARLIER_INTERFACE
    // Configured or NotConfigured forces the evaluation; Undetermined leaves
    // it to the condition.
    virtual ConfigState forcedConfigState();
#endif

    ref_count_ptr<ZAMWindow> window();
    // The module the node stands for; code 309 when it stands for none.
    ref_count_ptr<ZAMModule> module() const;
    // Whether the node stands for a module that is a boundary.
    bool isModuleBoundary() const;
    ConfigState isNodeConfigured() const {
        return state_;
    }

    // Evaluates every child against one copy of the evaluated set.
    void evaluateChildren(bool updateState);
    // Evaluates one child against a copy of the evaluated set.
    void evaluateChild(ZAMNode* child, bool updateState);

    // Parses `text` as the node's load-if condition; an empty text removes
    // the condition. A syntax error keeps the old condition.
    void setLoadIf(const std::string& text);
    // The condition; a new, empty (undetermined) one when the node has none.
    ref_count_ptr<ZAMConditionExp> getLoadIf();

    // The node's own set, put into the node's module context first (so this
    // changes it although it is const). When that fails, the own set stays
    // as it was.
    const ZAMSelOptionSet& getSos() const;
    // Makes `set` the node's own values, put into the node's module context;
    // they are merged into every later evaluation of the node. When putting
    // them into context fails, the node keeps its former own values.
    void setSos(ZAMSelOptionSet& set);
    // Forgets the node's own values.
    void clearSos();

private:
    friend class zamcore::ContextPass;  // puts the own set into context

    // The new state from the condition (or the host's own condition), or the
    // stored state when the node has neither; stored when asked to.
    ConfigState computeState(const ZAMSelOptionSet& set, bool updateState);
    void runRules(ZAMSelOptionSet& set);
    // What the host forces; nothing in the earlier revision of the
    // interface, which has no forced state.
    ConfigState forcedState();

    // getSos() puts the own set into context although it is const.
    mutable ZAMSelOptionSet ownSet_;
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
