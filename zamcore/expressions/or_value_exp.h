#ifndef ZAMCORE_EXPRESSIONS_OR_VALUE_EXP_H
#define ZAMCORE_EXPRESSIONS_OR_VALUE_EXP_H

#include <vector>

#include "zamcore/expressions/value_exp.h"

// Three-valued "or": true when either side is true, else unset when either
// side is unset, else false. A value of another kind than logical counts as
// not true. Both sides are always evaluated, left first.
//
// "or" groups to the right, so a chain a or b or c is a or (b or c): the
// chain is walked in a loop, never by recursion, both when evaluating and
// when deleting.
class ZAMOrValueExp final : public ZAMValueExp {
public:
    // Takes ownership of both operands.
    ZAMOrValueExp(ZAMValueExp* left, ZAMValueExp* right);
    ~ZAMOrValueExp() override;

    ref_count_ptr<ZAMValue> evaluate(const ZAMSelOptionSet& set) const override;
    std::vector<ref_count_ptr<ZAMValue>> values(const ZAMSelOptionSet& set) const override;

private:
    ZAMValueExp* left_;          // owned
    ZAMValueExp* right_;         // owned
    ZAMOrValueExp* rightChain_;  // right_ when it is an "or" too, else null
};

#endif
