#include "zamcore/model/placeholders.h"

#include "zamcore/model/module_lookup.h"
#include "zamcore/model/option.h"

namespace zamcore {

ref_count_ptr<ZAMOption> Placeholders::find(const ZAMWindow& window, const std::string& moduleId,
                                            const std::string& name) {
    follow(window);
    auto found = kept_.find({moduleId, name});
    return found != kept_.end() ? found->second : ref_count_ptr<ZAMOption>();
}

void Placeholders::keep(const ZAMWindow& window, const ref_count_ptr<ZAMOption>& placeholder) {
    follow(window);
    if (generation_ != 0) {
        kept_.emplace(std::make_pair(placeholder->moduleId(), placeholder->name()), placeholder);
    }
}

void Placeholders::follow(const ZAMWindow& window) {
    const std::uint64_t now = ModuleLookup::generation(window);
    if (now != generation_) {
        kept_.clear();
        generation_ = now;
    }
}

}  // namespace zamcore
