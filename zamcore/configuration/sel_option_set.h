#ifndef ZAMCORE_CONFIGURATION_SEL_OPTION_SET_H
#define ZAMCORE_CONFIGURATION_SEL_OPTION_SET_H

#include <vector>

#include "zamcore/language/path.h"
#include "zamcore/model/option.h"
#include "zamcore/runtime/export.h"
#include "zamcore/runtime/ref_count_ptr.h"
#include "zamcore/values/value.h"

class ZAMNode;
class ZAMOption;
class ZAMValue;
class ZAMWindow;

// The values chosen for options during one configuration, each recorded with
// how it was set. Not reference counted; copied by value.
class ZAMCORE_API ZAMSelOptionSet {
public:
    // How a value came to be. The precedence between these decides whether a
    // new value may replace a stored one (AdapterInterface::allowOptionOverride).
    enum HowSet : int {
        Default = 0,    // the option's declared default, or a legacy value read back
        UserSet = 1,    // chosen by the host's user; rules may still change it
        RuleSet = 2,    // written by a rule "set" statement
        UserFixed = 3,  // chosen by the host's user; rule statements may not change it
        RuleFixed = 4,  // written by a rule "fix" statement
        Inherited = 5,  // copied from the module instance that provides a used option
        Imposed = 6     // replaces whatever is stored; any later setting replaces it
    };

    // One option's value or values at one path. values and howSets have the
    // same length; a stored entry holds at least one value.
    struct ZAMSosEntry {
        ref_count_ptr<ZAMOption> option;
        ZAMPath path;
        std::vector<ref_count_ptr<ZAMValue>> values;
        std::vector<HowSet> howSets;
    };

    explicit ZAMSelOptionSet(const ref_count_ptr<ZAMWindow>& window);

    ref_count_ptr<ZAMWindow> window() const;
    const ZAMSosEntry& get(const ref_count_ptr<ZAMOption>& option) const;
    void set(const ZAMSosEntry& entry);
    bool matchValue(std::string name, std::string value) const;
    ref_count_ptr<ZAMOption> getOption(std::string name);

private:
    friend class ZAMWindow;
    explicit ZAMSelOptionSet(ZAMWindow* window);

    ZAMWindow* window_;  // not owned
};

#endif
