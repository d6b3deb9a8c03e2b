#ifndef ZAMCORE_EXPRESSIONS_OPTION_EXP_H
#define ZAMCORE_EXPRESSIONS_OPTION_EXP_H

#include <cstdint>
#include <string>

#include "zamcore/language/path.h"
#include "zamcore/runtime/ref_count_ptr.h"

class ZAMOption;
class ZAMWindow;

// A reference to an option as a text writes it: module id, option name and
// the bracketed path after it (empty when none is written). The mutually
// exclusive rules make references with only a name.
class ZAMOptionExp {
public:
    ZAMOptionExp(const std::string& moduleId, const std::string& name, const ZAMPath& path);
    ZAMOptionExp(const ZAMOptionExp&) = delete;
    ZAMOptionExp& operator=(const ZAMOptionExp&) = delete;
    virtual ~ZAMOptionExp();

    // The option in `window`, loading its module if needed; a placeholder
    // when the module or the option does not exist. Other failures throw.
    // The option found is remembered while the window's modules and their
    // options stay as they are (placeholders and legacy options are looked
    // up afresh every time).
    virtual ref_count_ptr<ZAMOption> option(const ref_count_ptr<ZAMWindow>& window) const;
    virtual const ZAMPath& path() const { return path_; }

    const std::string& moduleId() const { return moduleId_; }
    const std::string& name() const { return name_; }

    // The id of the option the last lookup found, while that is still what
    // a lookup in `window` finds; 0 when it must be looked up. Reading a
    // set's entry by this id touches neither the option nor its count.
    std::int32_t knownId(const ZAMWindow& window) const;

private:
    std::string moduleId_;
    std::string name_;
    ZAMPath path_;
    // The last option found; valid while its window keeps the generation
    // (zamcore::ModuleLookup), since until then the option stays in its
    // module and the module in the window.
    mutable const ZAMWindow* foundIn_;
    mutable std::uint64_t foundGeneration_;
    mutable ZAMOption* found_;
    mutable std::int32_t foundId_;  // 0 unless found_ is remembered
};

#endif
