#ifndef ZAMCORE_CONFIGURATION_EVALUATION_CACHES_H
#define ZAMCORE_CONFIGURATION_EVALUATION_CACHES_H

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "zamcore/configuration/entry_table.h"
#include "zamcore/configuration/placed_own_sets.h"
#include "zamcore/runtime/ref_count_ptr.h"

class ZAMModule;
class ZAMOption;
class ZAMWindow;

namespace zamcore {

// What evaluations of one window remember between nodes, kept with the
// window.
//
// Everything here is derived from the window's modules and their options.
// The window's generation (ModuleLookup) changes whenever a module or option
// comes or goes, so the caches record the generation they were filled at,
// and every use goes through of(), which compares it first and starts empty
// when it moved (the record of placed own sets keeps its levels but forgets
// every putting); while refreshes are pending (generation 0) nothing is kept
// from one use to the next. A reader may therefore take anything found here
// as true for the window as it is now, and a change to the window's modules
// or options needs nothing but the generation to reach the caches.
//
// Loading a base option may reach the host, which may change the window and
// so empty the caches; what is handed out is therefore held by the caller.
class EvaluationCaches {
public:
    // An option of a module as the context step needs it.
    struct Member {
        std::int32_t id;
        ref_count_ptr<ZAMOption> option;
        EntryRef defaultEntry;  // the option's default at the empty path
    };

    // A module's options: in the module's order, their addresses ordered
    // (to tell an option of the module at once), the used ones in the
    // module's order, and those stored in sets (all but legacy ones) ordered
    // by id, each with its default entry. A default entry is shared by every
    // set that holds it, until one of them writes it.
    struct Layout {
        std::vector<ref_count_ptr<ZAMOption>> options;
        std::vector<const ZAMOption*> addresses;
        std::vector<ref_count_ptr<ZAMOption>> used;
        std::vector<Member> stored;
        // The module's using options (usingOptions()) with the ids of their
        // base options; 0 for a base that cannot be found.
        std::vector<std::pair<int, ref_count_ptr<ZAMOption>>> users;
        // The base options of the using options, each once.
        std::vector<ref_count_ptr<ZAMOption>> bases;

        // The stored option with this id; the option must be one.
        const Member& member(std::int32_t id) const;
    };

    // The layout of `module` as it is now; made afresh without a window.
    static std::shared_ptr<const Layout> layoutOf(const ZAMModule& module);
    // Which own sets the evaluations under way have put into context.
    static PlacedOwnSets& placedOwnSets(ZAMWindow& window);

private:
    // The caches of `window`, emptied first when they are out of date.
    static EvaluationCaches& of(ZAMWindow& window);

    std::uint64_t generation_ = 0;
    std::unordered_map<const ZAMModule*, std::shared_ptr<const Layout>> layouts_;
    PlacedOwnSets placed_;
};

}  // namespace zamcore

#endif
