#ifndef ZAMCORE_CONFIGURATION_CONTEXT_PASS_H
#define ZAMCORE_CONFIGURATION_CONTEXT_PASS_H

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "zamcore/configuration/evaluation_caches.h"
#include "zamcore/configuration/sel_option_set.h"

class ZAMModule;
class ZAMNode;

namespace zamcore {

class CurrentOptions;

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
// everything it reaches, and for the length of it takes the host's tree and
// the modules to stay as they are. Nothing but the pass writes the
// ancestors' own sets then, and an own set that has been put into its node's
// context comes out of a second putting unchanged. So the pass puts each
// ancestor's own set into context once, from the top down before the first
// of them is read (no putting into context waits on another, however deep
// the tree), and reads it as it is afterwards; and it remembers where each
// walk up the tree found its provider, since the same walks recur for every
// ancestor. Without this, every level of ancestors would multiply the work.
// A set holding an option presented to its own module is the exception: a
// second putting delivers that option's value again, so such a set is put
// into context again on every read after the first, and walks through it are
// not remembered.
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
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    // Where a walk up the tree found the provider nearest the root: the
    // ancestor's place in the chain (kNone: nowhere) and the option to read
    // there.
    struct Provider {
        std::size_t at;
        ref_count_ptr<ZAMOption> option;
    };

    // A node on the way from the node of the outside call up to the root,
    // with what the pass has learnt about it.
    struct Ancestor {
        const ZAMNode* node;
        bool hasModule;
        bool inContext;                   // own set in context, to be read as it is
        bool fresh;                       // put into context ahead of its first read
        ref_count_ptr<ZAMModule> module;  // looked up on first need
        // The module's layout, looked up on first need.
        std::shared_ptr<const EvaluationCaches::Layout> layout;
        // Per base option id, the provider nearest the root from here up.
        std::vector<std::pair<int, Provider>> walks;
    };

    void start(const ZAMNode* node);
    // Puts a set into context for the node at chain place `at`: presented
    // values delivered, the best matches kept, the module's options filled.
    // Returns the node's module, or null when the node stands for none.
    ref_count_ptr<ZAMModule> place(ZAMSelOptionSet& set, std::size_t at, bool ownSet);
    static void keepBestMatches(ZAMSelOptionSet& set, const ZAMModule& module,
                                const CurrentOptions& options, const ZAMPath& contextPath);
    void placeProviders(const EvaluationCaches::Layout& layout);
    bool providesAny(std::size_t at, const std::vector<ref_count_ptr<ZAMOption>>& bases);
    void fillOptions(ZAMSelOptionSet& set, const EvaluationCaches::Layout& layout, std::size_t at);
    static void addDefaults(ZAMSelOptionSet& set, const EvaluationCaches::Layout& layout);
    // Gives the used option the values of its provider nearest the root.
    void inherit(ZAMSelOptionSet& set, const EvaluationCaches::Layout& layout,
                 const ref_count_ptr<ZAMOption>& used, std::size_t at);
    static void inheritOne(ZAMSelOptionSet& set, const ZAMSelOptionSet::ZAMSosEntry& defaultEntry,
                           ref_count_ptr<ZAMValue> value);
    // The entry of `option` in the own set at chain place `at`, held.
    EntryRef heldEntry(std::size_t at, const ref_count_ptr<ZAMOption>& option);
    // The provider nearest the root at or above chain place `from`. Every
    // provider met on the way is read, nearest first, as its own set in
    // context.
    Provider providerFrom(std::size_t from, const ref_count_ptr<ZAMOption>& base);
    static const Provider* knownWalk(const Ancestor& ancestor, int baseId);
    const ZAMSelOptionSet& ownSetAt(std::size_t at);
    const ref_count_ptr<ZAMModule>& moduleAt(std::size_t at);
    const EvaluationCaches::Layout& layoutAt(std::size_t at);
    const std::vector<std::pair<int, ref_count_ptr<ZAMOption>>>& usersAt(std::size_t at) {
        return layoutAt(at).users;
    }
    // Reads the parents up to the root, once.
    void completeChain();

    // chain_[0] is the node of the outside call; each next one its parent.
    std::vector<Ancestor> chain_;
    bool chainComplete_ = false;
};

}  // namespace zamcore

#endif
