#ifndef ZAMCORE_EXPRESSIONS_LOGICAL_VALUE_EXP_H
#define ZAMCORE_EXPRESSIONS_LOGICAL_VALUE_EXP_H

#include <functional>
#include <vector>

#include "zamcore/expressions/option_value_exp.h"
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
    ZAMLogicalValueExp(ZAMValueExp* left, ZAMValueExp* right)
        : left_(left),
          right_(right),
          leftRead_(dynamic_cast<const ZAMOptionValueExp*>(left)),
          rightRead_(dynamic_cast<const ZAMOptionValueExp*>(right)) {}
    ~ZAMLogicalValueExp() override {
        delete left_;
        delete right_;
    }

    ref_count_ptr<ZAMValue> evaluate(const ZAMSelOptionSet& set) const override {
        bool leftMany = false;
        ref_count_ptr<ZAMValue> left = side(*left_, leftRead_, set, leftMany);
        if (left->type() == ZAMValue::VT_UNSET) {
            return left;
        }
        bool rightMany = false;
        ref_count_ptr<ZAMValue> right = side(*right_, rightRead_, set, rightMany);
        if (right->type() == ZAMValue::VT_UNSET) {
            return right;
        }
        if (!leftMany && !rightMany) {
            return ZAMValue::createBool(op_(left, right));
        }
        return ZAMValue::createBool(anyHolds(set, leftMany, rightMany, left, right));
    }

    std::vector<ref_count_ptr<ZAMValue>> values(const ZAMSelOptionSet&) const override {
        return {};
    }

private:
    using Values = std::vector<ref_count_ptr<ZAMValue>>;

    // An option read looks its entry up once for its value and for whether
    // it holds several; no other operand ever holds several.
    static ref_count_ptr<ZAMValue> side(const ZAMValueExp& operand, const ZAMOptionValueExp* read,
                                        const ZAMSelOptionSet& set, bool& many) {
        if (read != nullptr) {
            return read->evaluate(set, many);
        }
        ref_count_ptr<ZAMValue> value = operand.evaluate(set);
        many = operand.isMultiValued(set);
        return value;
    }

    bool anyHolds(const ZAMSelOptionSet& set, bool leftMany, bool rightMany,
                  const ref_count_ptr<ZAMValue>& left, const ref_count_ptr<ZAMValue>& right) const {
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
    // The operands again when they read an option, else null.
    const ZAMOptionValueExp* leftRead_;
    const ZAMOptionValueExp* rightRead_;
    Op op_;
};

using ZAMEqualValueExp = ZAMLogicalValueExp<std::equal_to<ref_count_ptr<ZAMValue>>>;
using ZAMNotEqualValueExp = ZAMLogicalValueExp<std::not_equal_to<ref_count_ptr<ZAMValue>>>;
using ZAMLessValueExp = ZAMLogicalValueExp<std::less<ref_count_ptr<ZAMValue>>>;
using ZAMGreaterValueExp = ZAMLogicalValueExp<std::greater<ref_count_ptr<ZAMValue>>>;
using ZAMLessEqualValueExp = ZAMLogicalValueExp<std::less_equal<ref_count_ptr<ZAMValue>>>;
using ZAMGreaterEqualValueExp = ZAMLogicalValueExp<std::greater_equal<ref_count_ptr<ZAMValue>>>;

#endif
