#ifndef ZAMCORE_EXPRESSIONS_AND_VALUE_EXP_H
#define ZAMCORE_EXPRESSIONS_AND_VALUE_EXP_H

#include <vector>

#include "zamcore/expressions/value_exp.h"

// Three-valued "and": true when both sides are true, else unset when either
// side is unset (so false and unset is unset), else false. A value of
// another kind than logical counts as not true. Both sides are always
// evaluated, left first.
//
// "and" groups to the right like "or", and its chains are walked in a loop.
class ZAMAndValueExp final : public ZAMValueExp {
public:
    // Takes ownership of both operands.
    ZAMAndValueExp(ZAMValueExp* left, ZAMValueExp* right);
    ~ZAMAndValueExp() override;

    ref_count_ptr<ZAMValue> evaluate(const ZAMSelOptionSet& set) const override;
    std::vector<ref_count_ptr<ZAMValue>> values(const ZAMSelOptionSet& set) const override;

private:
    ZAMValueExp* left_;           // owned
    ZAMValueExp* right_;          // owned
    ZAMAndValueExp* rightChain_;  // right_ when it is an "and" too, else null
};

#endif
