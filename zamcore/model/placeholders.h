#ifndef ZAMCORE_MODEL_PLACEHOLDERS_H
#define ZAMCORE_MODEL_PLACEHOLDERS_H

#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "zamcore/runtime/ref_count_ptr.h"

class ZAMOption;
class ZAMWindow;

namespace zamcore {

// The placeholders that failed option lookups made in one window, by module
// id and option name. Option ids are never reused, so a host that evaluates a
// product with a dangling reference again and again would otherwise use up
// the ids. A placeholder is handed out again while the window's modules and
// their options stay as they are (its lookup generation, ModuleLookup): a
// lookup that failed then fails again. When the generation has moved, the
// remembered placeholders are dropped before the next one is kept. Owned by
// the window; the placeholders point back at it without holding it.
class Placeholders {
public:
    // The placeholder kept for (module id, name), or null.
    ref_count_ptr<ZAMOption> find(const ZAMWindow& window, const std::string& moduleId,
                                  const std::string& name);
    // Keeps a placeholder just made; nothing while refreshes are pending,
    // when the next lookup may find what this one missed.
    void keep(const ZAMWindow& window, const ref_count_ptr<ZAMOption>& placeholder);

private:
    // Drops the placeholders once the window's generation moved.
    void follow(const ZAMWindow& window);

    std::map<std::pair<std::string, std::string>, ref_count_ptr<ZAMOption>> kept_;
    std::uint64_t generation_ = 0;  // of kept_; 0: nothing kept
};

}  // namespace zamcore

#endif
