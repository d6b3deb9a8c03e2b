#ifndef ZAMCORE_EXPRESSIONS_SET_EXP_H
#define ZAMCORE_EXPRESSIONS_SET_EXP_H

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
    ZAMOptionExp* target_;  // owned
    ZAMValueExp* value_;    // owned
    bool fix_;
};

#endif
