#include "zamcore/configuration/evaluation_caches.h"

#include <algorithm>
#include <functional>

#include "zamcore/configuration/sos_entry.h"
#include "zamcore/model/module.h"
#include "zamcore/model/module_lookup.h"
#include "zamcore/model/option.h"
#include "zamcore/model/window.h"

namespace zamcore {
namespace {

// Used options are filled like every other, whatever their scope says.
bool storedInSets(const ZAMOption& option) {
    return option.type() == ZAMOption::Uses || option.scope() != ZAMOption::Legacy;
}

// Finding a base may load modules through the host: the list walked is a
// copy.
void addUsers(EvaluationCaches::Layout& layout, const ZAMModule& module) {
    const std::vector<ref_count_ptr<ZAMOption>> users = module.usingOptions();
    for (const ref_count_ptr<ZAMOption>& user : users) {
        ref_count_ptr<ZAMOption> base = user->basedOn();
        // Option ids start at 1.
        layout.users.emplace_back(base ? base->id() : 0, user);
        if (!base) {
            continue;
        }
        const auto same = [&base](const ref_count_ptr<ZAMOption>& known) {
            return known->id() == base->id();
        };
        if (std::none_of(layout.bases.begin(), layout.bases.end(), same)) {
            layout.bases.push_back(std::move(base));
        }
    }
}

std::shared_ptr<const EvaluationCaches::Layout> makeLayout(const ZAMModule& module) {
    auto made = std::make_shared<EvaluationCaches::Layout>();
    made->options = module.options();
    for (const ref_count_ptr<ZAMOption>& option : made->options) {
        made->addresses.push_back(option.get());
        if (option->type() == ZAMOption::Uses) {
            made->used.push_back(option);
        }
        if (storedInSets(*option)) {
            made->stored.push_back(EvaluationCaches::Member{
                option->id(), option,
                EntryRef(makeEntry(option, ZAMPath(), option->defaultValue(),
                                   ZAMSelOptionSet::Default))});
        }
    }
    std::sort(made->addresses.begin(), made->addresses.end(), std::less<const ZAMOption*>());
    addUsers(*made, module);
    std::sort(made->stored.begin(), made->stored.end(),
              [](const EvaluationCaches::Member& a, const EvaluationCaches::Member& b) {
                  return a.id < b.id;
              });
    return made;
}

}  // namespace

EvaluationCaches& EvaluationCaches::of(ZAMWindow& window) {
    if (!window.evaluationCaches_) {
        window.evaluationCaches_.reset(new EvaluationCaches());
    }
    EvaluationCaches& caches = *window.evaluationCaches_;
    const std::uint64_t now = ModuleLookup::generation(window);
    if (now == 0 || now != caches.generation_) {
        caches.layouts_.clear();
        caches.placed_.forget();
        caches.generation_ = now;
    }
    return caches;
}

const EvaluationCaches::Member& EvaluationCaches::Layout::member(std::int32_t id) const {
    return *std::lower_bound(
        stored.begin(), stored.end(), id,
        [](const Member& member, std::int32_t sought) { return member.id < sought; });
}

PlacedOwnSets& EvaluationCaches::placedOwnSets(ZAMWindow& window) {
    return of(window).placed_;
}

std::shared_ptr<const EvaluationCaches::Layout> EvaluationCaches::layoutOf(
    const ZAMModule& module) {
    const ref_count_ptr<ZAMWindow> window = module.window();
    if (!window) {
        return makeLayout(module);
    }
    EvaluationCaches& caches = of(*window);
    const auto found = caches.layouts_.find(&module);
    if (found != caches.layouts_.end()) {
        return found->second;
    }
    // Finding a default may load modules through the host; what changed the
    // window meanwhile emptied the caches, and the layout is not kept.
    const std::uint64_t generation = caches.generation_;
    std::shared_ptr<const Layout> made = makeLayout(module);
    if (generation != 0 && ModuleLookup::generation(*window) == generation) {
        of(*window).layouts_.emplace(&module, made);
    }
    return made;
}

}  // namespace zamcore
