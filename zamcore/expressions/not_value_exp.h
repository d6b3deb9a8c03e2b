#ifndef ZAMCORE_EXPRESSIONS_NOT_VALUE_EXP_H
#define ZAMCORE_EXPRESSIONS_NOT_VALUE_EXP_H

#include <vector>

#include "zamcore/expressions/value_exp.h"

// Three-valued "not": unset stays unset, a logical value is negated, and a
// value of any other kind (not being true) gives true.
class ZAMNotValueExp final : public ZAMValueExp {
public:
    // Takes ownership of the operand.
    explicit ZAMNotValueExp(ZAMValueExp* operand);
    ~ZAMNotValueExp() override;

    ref_count_ptr<ZAMValue> evaluate(const ZAMSelOptionSet& set) const override;
    std::vector<ref_count_ptr<ZAMValue>> values(const ZAMSelOptionSet& set) const override;

private:
    ZAMValueExp* operand_;  // owned
};

#endif
