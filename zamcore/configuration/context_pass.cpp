#include "zamcore/configuration/context_pass.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>

#include "zamcore/configuration/entry_table.h"
#include "zamcore/configuration/evaluation_caches.h"
#include "zamcore/configuration/instance_path.h"
#include "zamcore/configuration/node.h"
#include "zamcore/configuration/placed_own_sets.h"
#include "zamcore/configuration/sos_entry.h"
#include "zamcore/configuration/write_trace_scope.h"
#include "zamcore/model/module.h"
#include "zamcore/model/option.h"
#include "zamcore/runtime/adapter_access.h"
#include "zamcore/runtime/exception.h"

namespace zamcore {
namespace {

using Entry = ZAMSelOptionSet::ZAMSosEntry;
using Table = EntryTable;
using Option = ref_count_ptr<ZAMOption>;
using Value = ref_count_ptr<ZAMValue>;

// The option `option` presents when that belongs to module `moduleId`; null
// otherwise.
Option presentedTo(const ZAMOption& option, const std::string& moduleId) {
    if (option.type() != ZAMOption::Presented) {
        return Option();
    }
    Option base = option.basedOn();
    return base && base->moduleId() == moduleId ? base : Option();
}

// The entries presented to options of module `moduleId`, as entries of the
// options they present. Copied out, since storing them changes the contents
// being read; finding a base may reach the host, which may change the set,
// so the table is held while it is read.
std::vector<Entry> presentedEntries(const std::shared_ptr<const Table>& pinned,
                                    const std::string& moduleId) {
    std::vector<Entry> arriving;
    if (!pinned) {
        return arriving;
    }
    for (const EntrySlot& slot : pinned->slots()) {
        const Entry& stored = *slot.entry;
        if (Option base = presentedTo(*stored.option, moduleId)) {
            Entry copy = stored;
            copy.path = stored.option->path();
            copy.option = std::move(base);
            arriving.push_back(std::move(copy));
        }
    }
    return arriving;
}

// Whether a second putting into context would deliver presented values again.
// The contents are held as in presentedEntries.
bool presentsToItself(const std::shared_ptr<const Table>& pinned, const std::string& moduleId) {
    if (!pinned) {
        return false;
    }
    const Table::Slots& slots = pinned->slots();
    return std::any_of(slots.begin(), slots.end(), [&](const EntrySlot& slot) {
        return static_cast<bool>(presentedTo(*slot.entry->option, moduleId));
    });
}

// The option's default entry as the window's caches share it, unless the
// option's default has changed since.
EntryRef defaultEntryOf(const EvaluationCaches::Member& member) {
    const Value current = member.option->defaultValue();
    if (firstValue(*member.defaultEntry).get() == current.get()) {
        return member.defaultEntry;
    }
    return EntryRef(makeEntry(member.option, ZAMPath(), current, ZAMSelOptionSet::Default));
}

// Adds the base options of the module's used options that `bases` lacks.
void addBases(std::vector<Option>& bases, const EvaluationCaches::Layout& layout) {
    for (const Option& base : layout.bases) {
        const auto same = [&](const Option& known) { return known->id() == base->id(); };
        if (std::none_of(bases.begin(), bases.end(), same)) {
            bases.push_back(base);
        }
    }
}

}  // namespace

// The module's options as the window's caches know them.
class CurrentOptions {
public:
    explicit CurrentOptions(const ZAMModule& module)
        : layout_(EvaluationCaches::layoutOf(module)) {}

    const EvaluationCaches::Layout& layout() const { return *layout_; }

    // Whether the module still has an option of that option's name: at once
    // when it is the very option, by name otherwise (a redeclaration may have
    // put another option under the name). Only the name's absence counts
    // against an entry; any other failure of the lookup is no reason to drop
    // a value.
    bool stillHas(const ZAMModule& module, const ZAMOption& option) const {
        const std::vector<const ZAMOption*>& addresses = layout_->addresses;
        if (std::binary_search(addresses.begin(), addresses.end(), &option,
                               std::less<const ZAMOption*>())) {
            return true;
        }
        try {
            module.getOption(option.name());
        } catch (const ZAMException& error) {
            return error.code() != 102;
        }
        return true;
    }

private:
    // Held: finding a default may have the host change the window, which
    // empties its caches.
    std::shared_ptr<const EvaluationCaches::Layout> layout_;
};

const ContextPass::Provider* ContextPass::knownWalk(const Ancestor& ancestor, int baseId) {
    for (const auto& walk : ancestor.walks) {
        if (walk.first == baseId) {
            return &walk.second;
        }
    }
    return nullptr;
}

void ContextPass::putInContext(ZAMSelOptionSet& set, const ZAMNode* node, bool ownSet) {
    start(node);
    place(set, 0, ownSet);
}

const ZAMSelOptionSet& ContextPass::ownSetOf(const ZAMNode& node) {
    start(&node);
    return ownSetAt(0);
}

void ContextPass::start(const ZAMNode* node) {
    chain_.reserve(16);
    chain_.push_back(Ancestor{node, node->hasModule(), false, false, {}, {}, {}});
}

const ZAMSelOptionSet& ContextPass::ownSetAt(std::size_t at) {
    ZAMSelOptionSet& own = chain_[at].node->ownSet_;
    if (chain_[at].inContext) {
        return own;
    }
    if (chain_[at].fresh) {
        chain_[at].fresh = false;
        return own;
    }
    if (chain_[at].hasModule && PlacedOwnSets::isPlaced(chain_[at].node, *moduleAt(at))) {
        chain_[at].inContext = true;
        return own;
    }
    // Placed on the side and taken over whole, so that a failure leaves the
    // node's values as they were. The copy shares the contents until it
    // writes.
    ZAMSelOptionSet placed(own);
    const ref_count_ptr<ZAMModule> module = place(placed, at, true);
    own = placed;
    chain_[at].inContext = module && !presentsToItself(own.contents_, module->id());
    if (chain_[at].inContext) {
        PlacedOwnSets::placed(chain_[at].node, *module);
    }
    return own;
}

ref_count_ptr<ZAMModule> ContextPass::place(ZAMSelOptionSet& set, std::size_t at, bool ownSet) {
    if (!chain_[at].hasModule) {
        return ref_count_ptr<ZAMModule>();
    }
    const ref_count_ptr<ZAMModule> module = moduleAt(at);
    const WriteTraceScope tracing(WriteTraceScope::Context, chain_[at].node, nullptr, 0);
    const std::string moduleId = module->id();
    const ZAMPath contextPath = ownSet ? ZAMPath() : instancePathOf(chain_[at].node);
    const CurrentOptions options(*module);
    // Values presented from above become values of the options they present,
    // at the paths they are presented at, with their how-sets. The table read
    // is let go before the set is written, which would otherwise copy it.
    const std::vector<Entry> arriving = presentedEntries(set.contents_, moduleId);
    for (const Entry& entry : arriving) {
        set.set(entry);
    }
    keepBestMatches(set, *module, options, contextPath);
    set.contextNode_ = chain_[at].node;
    if (at == 0) {
        placeProviders(options.layout());
    }
    fillOptions(set, options.layout(), at);
    return module;
}

// Every ancestor that the first node reads, directly or through another, has
// its own set put into context from the top down, before any of them is
// read. Each then finds the providers it reads in context already, so no
// putting into context waits on another and the depth of the tree never
// reaches the stack. Which ancestors are read follows from the modules alone:
// those that provide a base option used below them.
void ContextPass::placeProviders(const EvaluationCaches::Layout& layout) {
    std::vector<Option> bases;
    addBases(bases, layout);
    if (bases.empty()) {
        return;
    }
    completeChain();
    std::vector<std::size_t> read;
    for (std::size_t at = 1; at < chain_.size(); ++at) {
        if (chain_[at].hasModule && providesAny(at, bases)) {
            read.push_back(at);
            addBases(bases, layoutAt(at));
        }
    }
    for (auto at = read.rbegin(); at != read.rend(); ++at) {
        ownSetAt(*at);
        // A set that is put into context on every read has had its first.
        chain_[*at].fresh = !chain_[*at].inContext;
    }
}

bool ContextPass::providesAny(std::size_t at, const std::vector<Option>& bases) {
    const std::string& moduleId = moduleAt(at)->id();
    for (const Option& base : bases) {
        if (base->moduleId() == moduleId) {
            return true;
        }
        for (const auto& user : usersAt(at)) {
            if (user.first == base->id()) {
                return true;
            }
        }
    }
    return false;
}

// Of each option of the module, the entry meant for this instance stays: the
// best path match, where a match nearer the top beats a deeper one, a longer
// match a shorter one, and the first in contents order a tie. The empty path
// matches with the lowest score. Everything else leaves the set: entries
// whose path does not occur in the context path, entries of other modules and
// entries of options the module no longer has.
void ContextPass::keepBestMatches(ZAMSelOptionSet& set, const ZAMModule& module,
                                  const CurrentOptions& options, const ZAMPath& contextPath) {
    if (!set.contents_) {
        return;
    }
    const std::string& moduleId = module.id();
    const Table& table = *set.contents_;
    const Table::Slots& slots = table.slots();
    std::vector<std::size_t> chosen;
    bool pathsEmpty = true;
    // The entries of one option sit next to each other.
    for (std::size_t at = 0; at < slots.size();) {
        const std::size_t next = table.upperBound(slots[at].optionId);
        const ZAMOption& option = *slots[at].entry->option;
        std::size_t best = Table::npos;
        if (option.moduleId() == moduleId && options.stillHas(module, option)) {
            int bestScore = -1;
            for (; at != next; ++at) {
                const int score = presentedFit(contextPath, slots[at].entry->path);
                if (score > bestScore) {
                    bestScore = score;
                    best = at;
                }
            }
        }
        at = next;
        if (best != Table::npos) {
            chosen.push_back(best);
            pathsEmpty = pathsEmpty && slots[best].emptyPath;
        }
    }
    if (pathsEmpty && chosen.size() == slots.size()) {
        return;  // already in these terms: keep the contents, shared or not
    }
    // The kept entries stay shared; only those that change path are copied.
    auto kept = std::make_shared<Table>();
    kept->reserve(chosen.size() + options.layout().stored.size());
    for (const std::size_t at : chosen) {
        kept->append(slots[at].entry);
        if (!slots[at].emptyPath) {
            kept->setPath(kept->size() - 1, ZAMPath());
        }
    }
    set.contents_ = kept->empty() ? nullptr : std::move(kept);
}

// Every option of the module gets an entry, a default if nothing else; used
// options take their providers' values. Legacy options stay with the host.
// The defaults go in all at once, as the window's shared default entries,
// unless a write trace is to see each one stored in the module's order.
void ContextPass::fillOptions(ZAMSelOptionSet& set, const EvaluationCaches::Layout& layout,
                              std::size_t at) {
    if (writeTrace.callback == nullptr) {
        addDefaults(set, layout);
        for (const Option& option : layout.used) {
            set.ensureContains(option);
            inherit(set, layout, option, at);
        }
        return;
    }
    for (const Option& option : layout.options) {
        if (option->type() == ZAMOption::Uses) {
            set.ensureContains(option);
            inherit(set, layout, option, at);
        } else if (option->scope() != ZAMOption::Legacy) {
            set.ensureContains(option);
        }
    }
}

// After the best matches were kept, each option has at most one entry and
// it has the empty path, so one merge of two lists ordered by id finds the
// options without one.
void ContextPass::addDefaults(ZAMSelOptionSet& set, const EvaluationCaches::Layout& layout) {
    static const Table none;
    const Table::Slots& slots = (set.contents_ ? *set.contents_ : none).slots();
    const auto slotAt = [&slots](std::size_t at) {
        return slots.begin() + static_cast<std::ptrdiff_t>(at);
    };
    Table::Slots merged;
    bool merging = false;
    std::size_t scan = 0;    // the next slot to compare
    std::size_t copied = 0;  // once merging, the slots before this are in `merged`
    for (const EvaluationCaches::Member& member : layout.stored) {
        while (scan < slots.size() && slots[scan].optionId < member.id) {
            ++scan;
        }
        if (scan < slots.size() && slots[scan].optionId == member.id) {
            continue;
        }
        if (!merging) {
            merging = true;
            merged.reserve(slots.size() + layout.stored.size());
        }
        merged.insert(merged.end(), slotAt(copied), slotAt(scan));
        copied = scan;
        merged.push_back(EntrySlot{member.id, true, defaultEntryOf(member)});
    }
    if (!merging) {
        return;
    }
    merged.insert(merged.end(), slotAt(copied), slots.end());
    if (!set.contents_ || set.contents_.use_count() > 1) {
        set.contents_ = std::make_shared<Table>();
    }
    set.contents_->assign(std::move(merged));
}

// Without a provider the option keeps what it has.
void ContextPass::inherit(ZAMSelOptionSet& set, const EvaluationCaches::Layout& layout,
                          const Option& used, std::size_t at) {
    const Option base = used->basedOn();
    if (!base) {
        return;
    }
    const Provider provider = providerFrom(at + 1, base);
    if (provider.at == kNone) {
        return;
    }
    // Held: checking the value and writing it may reach the host, which may
    // give the provider node new own values.
    const EntryRef provided = heldEntry(provider.at, provider.option);
    const Value& first = firstValue(*provided);
    if (!collectsValues(*used) && first && used->validateValue(first)) {
        const EntryRef defaultEntry = defaultEntryOf(layout.member(used->id()));
        inheritOne(set, *defaultEntry, Value(first));
        return;
    }
    // The stored entry goes back to the default first, so that the inherited
    // values replace it under the override rule. Copied out before the set
    // changes.
    Entry refill = set.get(used);
    set.clearEntry(refill);
    assignValues(refill, *provided, ZAMSelOptionSet::Inherited);
    set.set(refill);
}

EntryRef ContextPass::heldEntry(std::size_t at, const Option& option) {
    const ZAMSelOptionSet& own = chain_[at].node->ownSet_;
    const Entry& found = own.get(option);
    if (option->scope() != ZAMOption::Legacy && own.contents_) {
        const std::size_t slot = own.contents_->find(option->id(), ZAMPath::EmptyPath);
        if (slot != Table::npos) {
            return own.contents_->slots()[slot].entry;
        }
    }
    return EntryRef(found);  // a legacy value, read back into the set's cache
}

// The same for a single-valued option and an allowed value, worked out before
// anything is written: ancestors' sets are put into context again for every
// node below them, and their entries mostly hold the outcome already. The
// override rule is asked as setting the value over the default would ask it.
void ContextPass::inheritOne(ZAMSelOptionSet& set, const Entry& defaultEntry, Value value) {
    const Option& used = defaultEntry.option;
    Value outcome = firstValue(defaultEntry);
    ZAMSelOptionSet::HowSet outcomeHowSet = ZAMSelOptionSet::Default;
    if (value != outcome) {
        bool allowed = false;
        try {
            allowed = requireAdapter().allowOptionOverride(defaultEntry, set.contextNode_,
                                                           ZAMSelOptionSet::Inherited);
        } catch (...) {
            set.clearEntry(defaultEntry);  // as far as the plain way gets
            throw;
        }
        if (allowed) {
            outcome = value;
            outcomeHowSet = ZAMSelOptionSet::Inherited;
        }
    }
    const Entry& stored = set.get(used);
    if (valueCount(stored) == 1 && firstValue(stored).get() == outcome.get() &&
        firstHowSet(stored) == outcomeHowSet) {
        return;
    }
    set.clearEntry(defaultEntry);
    if (outcomeHowSet == ZAMSelOptionSet::Inherited) {
        // After the contents were rebuilt the option has one entry, at the
        // empty path.
        Table& table = set.writableContents();
        Entry& target = table.writable(table.find(used->id(), ZAMPath::EmptyPath));
        setFirst(target, value, ZAMSelOptionSet::Inherited);
        if (writeTrace.callback != nullptr) {
            traceWrite(set, target, &target, false);
        }
    }
}

// The providers are the ancestors standing for the base option's module, and
// those whose module uses the same base option; a match further up replaces
// a nearer one. A walk that ends where an earlier one started takes over
// that one's result: the providers above have been put into context already.
ContextPass::Provider ContextPass::providerFrom(std::size_t from, const Option& base) {
    completeChain();
    const int baseId = base->id();
    Provider found{kNone, Option()};
    bool remember = true;
    std::size_t end = from;
    for (; end < chain_.size(); ++end) {
        if (const Provider* known = knownWalk(chain_[end], baseId)) {
            if (known->at != kNone) {
                found = *known;
            }
            break;
        }
        if (!chain_[end].hasModule) {
            continue;
        }
        if (moduleAt(end)->id() == base->moduleId()) {
            ownSetAt(end);
            found = Provider{end, base};
        } else {
            for (const auto& user : usersAt(end)) {
                if (user.first == baseId) {
                    ownSetAt(end);
                    found = Provider{end, user.second};
                }
            }
        }
        remember = remember && (found.at != end || chain_[end].inContext);
    }
    if (remember) {
        // Below the provider the walk ends there; above it, nowhere.
        for (std::size_t j = from; j < end; ++j) {
            std::vector<std::pair<int, Provider>>& walks = chain_[j].walks;
            if (walks.empty()) {
                walks.reserve(4);  // a module uses a few bases; one allocation for them
            }
            walks.emplace_back(baseId, j <= found.at ? found : Provider{kNone, Option()});
        }
    }
    return found;
}

const ref_count_ptr<ZAMModule>& ContextPass::moduleAt(std::size_t at) {
    Ancestor& ancestor = chain_[at];
    if (!ancestor.module) {
        ancestor.module = ancestor.node->module();
    }
    return ancestor.module;
}

const EvaluationCaches::Layout& ContextPass::layoutAt(std::size_t at) {
    Ancestor& ancestor = chain_[at];
    if (!ancestor.layout) {
        // Held by the ancestor: the host may change the window meanwhile.
        const std::shared_ptr<const EvaluationCaches::Layout> layout =
            EvaluationCaches::layoutOf(*moduleAt(at));
        chain_[at].layout = layout;
    }
    return *chain_[at].layout;
}

void ContextPass::completeChain() {
    if (chainComplete_) {
        return;
    }
    for (const ZAMNode* up = chain_.back().node->parent(); up != nullptr; up = up->parent()) {
        chain_.push_back(Ancestor{up, up->hasModule(), false, false, {}, {}, {}});
    }
    chainComplete_ = true;
}

}  // namespace zamcore
