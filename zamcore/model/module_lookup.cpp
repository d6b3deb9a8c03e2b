#include "zamcore/model/module_lookup.h"

#include "zamcore/model/option.h"
#include "zamcore/model/window.h"

namespace zamcore {

std::uint64_t ModuleLookup::generation(const ZAMWindow& window) {
    return window.refreshSet_.empty() ? window.lookupGeneration_ : 0;
}

void ModuleLookup::changed(ZAMWindow* window) {
    if (window != nullptr) {
        window->lookupGeneration_ = fresh();
    }
}

// 64 bits do not run out: a change a nanosecond would take centuries.
std::uint64_t ModuleLookup::fresh() {
    static std::uint64_t last = 0;
    return ++last;
}

bool ModuleLookup::stillFound(const ZAMWindow& window, const ZAMWindow* foundIn,
                              std::uint64_t foundGeneration) {
    const std::uint64_t now = generation(window);
    return &window == foundIn && now == foundGeneration && now != 0;
}

const ZAMWindow* ModuleLookup::foundIn(const ZAMWindow& window, const ZAMOption& option) {
    return option.scope() == ZAMOption::Legacy ? nullptr : &window;
}

}  // namespace zamcore
