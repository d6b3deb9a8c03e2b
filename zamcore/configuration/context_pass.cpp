#include "zamcore/configuration/context_pass.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "zamcore/configuration/node.h"
#include "zamcore/model/module.h"
#include "zamcore/model/option.h"
#include "zamcore/runtime/exception.h"

namespace zamcore {
namespace {

using Entry = ZAMSelOptionSet::ZAMSosEntry;
using Contents = ZAMSelOptionSet::Contents;
using Option = ref_count_ptr<ZAMOption>;

// Where the node sits inside the module instance that encloses it: the path
// names from just below the nearest ancestor that stands for a module down to
// the node itself. Nodes without a name add nothing.
ZAMPath contextPathOf(const ZAMNode* node) {
    ZAMPath path;
    for (const ZAMNode* at = node; at != nullptr;) {
        const std::string name = at->pathName();
        if (!name.empty()) {
            path.append(name);
        }
        at = at->parent();
        if (at != nullptr && at->hasModule()) {
            break;
        }
    }
    path.reverse();
    return path;
}

// The option `option` presents when that belongs to module `moduleId`; null
// otherwise.
Option presentedTo(const ZAMOption& option, const std::string& moduleId) {
    if (option.type() != ZAMOption::Presented) {
        return Option();
    }
    Option base = option.basedOn();
    return base && base->moduleId() == moduleId ? base : Option();
}

// Values presented from above become values of the options they present, at
// the paths they are presented at, with their how-sets.
void deliverPresented(ZAMSelOptionSet& set, const std::string& moduleId) {
    // Copied out first: storing them changes the contents being read.
    std::vector<Entry> arriving;
    for (const auto& keyed : set.contents()) {
        if (Option base = presentedTo(*keyed.first, moduleId)) {
            Entry copy = keyed.second;
            copy.path = keyed.first->path();
            copy.option = std::move(base);
            arriving.push_back(std::move(copy));
        }
    }
    for (const Entry& entry : arriving) {
        set.set(entry);
    }
}

// Whether a second putting into context would deliver presented values again.
bool presentsToItself(const ZAMSelOptionSet& set, const std::string& moduleId) {
    const Contents& contents = set.contents();
    return std::any_of(contents.begin(), contents.end(), [&](const Contents::value_type& keyed) {
        return static_cast<bool>(presentedTo(*keyed.first, moduleId));
    });
}

// Whether the module still has an option of that name. Only its absence
// counts against an entry; any other failure of the lookup is no reason to
// drop a value.
bool stillHas(const ZAMModule& module, const std::string& name) {
    try {
        module.getOption(name);
    } catch (const ZAMException& error) {
        return error.code() != 102;
    }
    return true;
}

}  // namespace

void ContextPass::putInContext(ZAMSelOptionSet& set, const ZAMNode* node, bool ownSet) {
    place(set, node, ownSet);
}

const ZAMSelOptionSet& ContextPass::ownSetOf(const ZAMNode& node) {
    ZAMSelOptionSet& own = node.ownSet_;
    if (reached(&node)) {
        return own;
    }
    // Placed on the side and taken over whole, so that a failure leaves the
    // node's values as they were. The copy shares the contents until it
    // writes.
    ZAMSelOptionSet placed(own);
    const ref_count_ptr<ZAMModule> module = place(placed, &node, true);
    own = placed;
    if (module && !presentsToItself(own, module->id())) {
        reached_.push_back(&node);
    }
    return own;
}

ref_count_ptr<ZAMModule> ContextPass::place(ZAMSelOptionSet& set, const ZAMNode* node,
                                            bool ownSet) {
    if (!node->hasModule()) {
        return ref_count_ptr<ZAMModule>();
    }
    ref_count_ptr<ZAMModule> module = node->module();
    const std::string moduleId = module->id();
    const ZAMPath contextPath = ownSet ? ZAMPath() : contextPathOf(node);
    deliverPresented(set, moduleId);
    keepBestMatches(set, *module, moduleId, contextPath);
    set.contextNode_ = node;
    fillOptions(set, *module, node);
    return module;
}

// Of each option of the module, the entry meant for this instance stays: the
// best path match, where a match nearer the top beats a deeper one, a longer
// match a shorter one, and the first in contents order a tie. The empty path
// matches with the lowest score. Everything else leaves the set: entries
// whose path does not occur in the context path, entries of other modules and
// entries of options the module no longer has.
void ContextPass::keepBestMatches(ZAMSelOptionSet& set, const ZAMModule& module,
                                  const std::string& moduleId, const ZAMPath& contextPath) {
    const Contents& contents = set.contents();
    std::vector<const Entry*> chosen;
    bool pathsEmpty = true;
    // The entries of one option sit next to each other.
    for (auto it = contents.begin(); it != contents.end();) {
        const Option& option = it->first;
        const auto next = contents.upper_bound(option);
        const Entry* best = nullptr;
        if (option->moduleId() == moduleId && stillHas(module, option->name())) {
            int bestScore = -1;
            for (; it != next; ++it) {
                const int score = contextPath.compare(it->second.path);
                if (score > bestScore) {
                    bestScore = score;
                    best = &it->second;
                }
            }
        }
        it = next;
        if (best != nullptr) {
            chosen.push_back(best);
            pathsEmpty = pathsEmpty && best->path.isEmpty();
        }
    }
    if (pathsEmpty && chosen.size() == contents.size()) {
        return;  // already in these terms: keep the contents, shared or not
    }
    auto kept = std::make_shared<Contents>();
    for (const Entry* entry : chosen) {
        auto placed = kept->emplace_hint(kept->end(), entry->option, *entry);
        placed->second.path = ZAMPath();
    }
    set.contents_ = kept->empty() ? nullptr : std::move(kept);
}

// Every option of the module gets an entry, a default if nothing else; used
// options take their providers' values. Legacy options stay with the host.
void ContextPass::fillOptions(ZAMSelOptionSet& set, const ZAMModule& module, const ZAMNode* node) {
    for (const Option& option : module.options()) {
        if (option->type() == ZAMOption::Uses) {
            set.ensureContains(option);
            inherit(set, option, node);
        } else if (option->scope() != ZAMOption::Legacy) {
            set.ensureContains(option);
        }
    }
}

// The providers are the ancestors standing for the base option's module, and
// those whose module uses the same base option; the one nearest the root
// wins. Each provider's own set is read in its own context. Without a
// provider the option keeps what it has.
void ContextPass::inherit(ZAMSelOptionSet& set, const Option& used, const ZAMNode* node) {
    const Option base = used->basedOn();
    if (!base) {
        return;
    }
    const std::string baseModuleId = base->moduleId();
    std::vector<ref_count_ptr<ZAMValue>> found;
    bool provided = false;
    for (const ZAMNode* at = node->parent(); at != nullptr; at = at->parent()) {
        if (!at->hasModule()) {
            continue;
        }
        const ref_count_ptr<ZAMModule> module = at->module();
        if (module->id() == baseModuleId) {
            found = ownSetOf(*at).get(base).values;
            provided = true;
            continue;
        }
        // By index: reading a provider may call the host, which may change
        // the module's options.
        for (std::size_t i = 0; i < module->usingOptions().size(); ++i) {
            const Option user = module->usingOptions()[i];
            const Option userBase = user->basedOn();
            if (userBase && userBase->id() == base->id()) {
                found = ownSetOf(*at).get(user).values;
                provided = true;
            }
        }
    }
    if (!provided) {
        return;
    }
    // The stored entry goes back to the default first, so that the inherited
    // values replace it under the override rule.
    Entry refill = set.get(used);
    set.clearEntry(refill);
    refill.values = std::move(found);
    refill.howSets.assign(refill.values.size(), ZAMSelOptionSet::Inherited);
    set.set(refill);
}

bool ContextPass::reached(const ZAMNode* node) const {
    return std::find(reached_.begin(), reached_.end(), node) != reached_.end();
}

}  // namespace zamcore
