#ifndef ZAMCORE_EXPRESSIONS_SET_EXP_H
#define ZAMCORE_EXPRESSIONS_SET_EXP_H

#include "zamcore/configuration/sel_option_set.h"
#include "zamcore/expressions/exp.h"

class ZAMOptionExp;
class ZAMValueExp;

// "set" or "fix" target "to" value: writes the value into the selected
// option set, how-set RuleSet for "set" and RuleFixed for "fix", at the path
// written with the target. Whether it replaces what is stored is the set's
// override rule's decision. Nothing is written when resolving the target or
// evaluating the value throws.
class ZAMSetExp final : public ZAMExp {
public:
    // Takes ownership of the target and the value.
    ZAMSetExp(ZAMOptionExp* target, ZAMValueExp* value, bool fix, int line);
    ~ZAMSetExp() override;

protected:
    void doExecute(ZAMSelOptionSet& set) override;

private:
    // Fills `entry` (empty on entry) and hands it to the set.
    void store(ZAMSelOptionSet& set, ZAMSelOptionSet::ZAMSosEntry& entry) const;

    ZAMOptionExp* target_;  // owned
    ZAMValueExp* value_;    // owned
    bool fix_;
    // The entry a run hands to the set, kept with its vectors between runs so
    // that a run allocates nothing for it; it holds no option or value
    // between runs. A run that starts while another is under way (a host's
    // override rule evaluating the same rules) makes an entry of its own.
    ZAMSelOptionSet::ZAMSosEntry entry_;
    bool entryInUse_;
};

#endif
