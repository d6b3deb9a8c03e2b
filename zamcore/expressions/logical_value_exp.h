#ifndef ZAMCORE_EXPRESSIONS_LOGICAL_VALUE_EXP_H
#define ZAMCORE_EXPRESSIONS_LOGICAL_VALUE_EXP_H

#include <functional>
#include <vector>

#include "zamcore/expressions/value_exp.h"
#include "zamcore/values/value.h"

// A comparison: `Op` is std::equal_to, not_equal_to, less, greater,
// less_equal or greater_equal over value handles. An unset left side gives
// unset without evaluating the right side; an unset right side gives unset.
// When a side reads a multi-valued option, the comparison holds when it holds
// for some value of that side (for some pair when both are).
template <class Op>
class ZAMLogicalValueExp final : public ZAMValueExp {
public:
    // Takes ownership of both operands.
    ZAMLogicalValueExp(ZAMValueExp* left, ZAMValueExp* right) : left_(left), right_(right) {}
    ~ZAMLogicalValueExp() override {
        delete left_;
        delete right_;
    }

    ref_count_ptr<ZAMValue> evaluate(const ZAMSelOptionSet& set) const override {
        ref_count_ptr<ZAMValue> left = left_->evaluate(set);
        if (left->type() == ZAMValue::VT_UNSET) {
            return left;
        }
        ref_count_ptr<ZAMValue> right = right_->evaluate(set);
        if (right->type() == ZAMValue::VT_UNSET) {
            return right;
        }
        const bool leftMany = left_->isMultiValued(set);
        if (!leftMany && !right_->isMultiValued(set)) {
            return ZAMValue::createBool(op_(left, right));
        }
        return ZAMValue::createBool(anyHolds(set, leftMany, left, right));
    }

    std::vector<ref_count_ptr<ZAMValue>> values(const ZAMSelOptionSet&) const override {
        return {};
    }

private:
    using Values = std::vector<ref_count_ptr<ZAMValue>>;

    bool anyHolds(const ZAMSelOptionSet& set, bool leftMany, const ref_count_ptr<ZAMValue>& left,
                  const ref_count_ptr<ZAMValue>& right) const {
        const bool rightMany = right_->isMultiValued(set);
        const Values rights = rightMany ? right_->values(set) : Values{right};
        const Values lefts = leftMany ? left_->values(set) : Values{left};
        for (const ref_count_ptr<ZAMValue>& u : lefts) {
            for (const ref_count_ptr<ZAMValue>& v : rights) {
                if (op_(u, v)) {
                    return true;
                }
            }
        }
        return false;
    }

    ZAMValueExp* left_;   // owned
    ZAMValueExp* right_;  // owned
    Op op_;
};

using ZAMEqualValueExp = ZAMLogicalValueExp<std::equal_to<ref_count_ptr<ZAMValue>>>;
using ZAMNotEqualValueExp = ZAMLogicalValueExp<std::not_equal_to<ref_count_ptr<ZAMValue>>>;
using ZAMLessValueExp = ZAMLogicalValueExp<std::less<ref_count_ptr<ZAMValue>>>;
using ZAMGreaterValueExp = ZAMLogicalValueExp<std::greater<ref_count_ptr<ZAMValue>>>;
using ZAMLessEqualValueExp = ZAMLogicalValueExp<std::less_equal<ref_count_ptr<ZAMValue>>>;
using ZAMGreaterEqualValueExp = ZAMLogicalValueExp<std::greater_equal<ref_count_ptr<ZAMValue>>>;

#endif
