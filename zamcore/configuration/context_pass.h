#ifndef ZAMCORE_CONFIGURATION_CONTEXT_PASS_H
#define ZAMCORE_CONFIGURATION_CONTEXT_PASS_H

#include <string>
#include <vector>

#include "zamcore/configuration/sel_option_set.h"

class ZAMModule;
class ZAMNode;

namespace zamcore {

// Puts selected option sets into the context of the module instance a node
// stands for. Afterwards a set holds one entry per non-legacy option of the
// node's module, all with the empty path: the values presented from above
// for this very instance (best path match), the module's defaults for the
// rest, and for a used option the value of the providing module instance
// nearest the root.
//
// Used options read the own sets of ancestor nodes, and each of those is put
// into its own node's context first, which may read further ancestors in
// turn. One pass serves one call from outside (setContext, getSos) with
// everything it reaches. Within it nothing but the pass writes those own
// sets, and an own set that has been put into its node's context comes out
// of a second putting unchanged, so the pass puts each ancestor's own set
// into context once and reads it as it is afterwards. Without this, every
// level of ancestors would multiply the work. A set holding an option
// presented to its own module is the exception: a second putting still
// delivers that option's value, so such a set is put into context each time.
class ContextPass {
public:
    ContextPass() = default;
    ContextPass(const ContextPass&) = delete;
    ContextPass& operator=(const ContextPass&) = delete;

    // Puts `set` into the context of `node`'s module instance. `ownSet` says
    // the set is the node's own, which is taken to sit at the instance
    // itself: only its entries with the empty path count. A node without a
    // module leaves the set alone. Exceptions from `set` and from looking up
    // a module pass out and leave the steps done so far done.
    void putInContext(ZAMSelOptionSet& set, const ZAMNode* node, bool ownSet);
    // The node's own set, put into the node's context. When that throws, the
    // own set is left as it was.
    const ZAMSelOptionSet& ownSetOf(const ZAMNode& node);

private:
    // Steps 1 to 7 of putting a set into context; the node's module, or null
    // when the node stands for none.
    ref_count_ptr<ZAMModule> place(ZAMSelOptionSet& set, const ZAMNode* node, bool ownSet);
    static void keepBestMatches(ZAMSelOptionSet& set, const ZAMModule& module,
                                const std::string& moduleId, const ZAMPath& contextPath);
    void fillOptions(ZAMSelOptionSet& set, const ZAMModule& module, const ZAMNode* node);
    // Gives the used option the values of its provider nearest the root.
    void inherit(ZAMSelOptionSet& set, const ref_count_ptr<ZAMOption>& used, const ZAMNode* node);

    bool reached(const ZAMNode* node) const;

    // Ancestors whose own sets this pass has put into context and may read
    // as they are. Few: at most the depth of the tree.
    std::vector<const ZAMNode*> reached_;
};

}  // namespace zamcore

#endif
