#ifndef ZAMCORE_EXPRESSIONS_MATH_VALUE_EXP_H
#define ZAMCORE_EXPRESSIONS_MATH_VALUE_EXP_H

#include <functional>
#include <vector>

#include "zamcore/expressions/value_exp.h"
#include "zamcore/values/value.h"

namespace zamcore {

// The operands of one arithmetic node, shared by the four operators so that
// a left-grouped chain such as a + b - c * d, which mixes them, can be walked
// in a loop: evaluated, and released, without recursion that grows with its
// length.
class MathLink {
public:
    // Takes ownership of both operands.
    MathLink(ZAMValueExp* left, ZAMValueExp* right);
    MathLink(const MathLink&) = delete;
    MathLink& operator=(const MathLink&) = delete;
    virtual ~MathLink();

protected:
    // The right operand first, then the left one; then the operator. A chain
    // evaluates every right operand from the last link down to the first,
    // then the leftmost operand, and combines from there upwards, exactly as
    // the nested nodes would.
    ref_count_ptr<ZAMValue> evaluateChain(const ZAMSelOptionSet& set) const;

private:
    virtual ref_count_ptr<ZAMValue> apply(const ref_count_ptr<ZAMValue>& left,
                                          const ref_count_ptr<ZAMValue>& right) const = 0;

    ZAMValueExp* left_;   // owned
    ZAMValueExp* right_;  // owned
    MathLink* leftLink_;  // left_ when it is arithmetic too, else null
};

}  // namespace zamcore

// Arithmetic: `Op` is std::plus, minus, multiplies or divides over value
// handles, which apply the value operators (unset propagates; 202 for kinds
// that do not combine, 203 for a zero divisor). The right operand is
// evaluated before the left one.
template <class Op>
class ZAMMathValueExp final : public ZAMValueExp, public zamcore::MathLink {
public:
    // Takes ownership of both operands.
    ZAMMathValueExp(ZAMValueExp* left, ZAMValueExp* right) : zamcore::MathLink(left, right) {}

    ref_count_ptr<ZAMValue> evaluate(const ZAMSelOptionSet& set) const override {
        return evaluateChain(set);
    }
    std::vector<ref_count_ptr<ZAMValue>> values(const ZAMSelOptionSet&) const override {
        return {};
    }

private:
    ref_count_ptr<ZAMValue> apply(const ref_count_ptr<ZAMValue>& left,
                                  const ref_count_ptr<ZAMValue>& right) const override {
        return op_(left, right);
    }

    Op op_;
};

using ZAMPlusValueExp = ZAMMathValueExp<std::plus<ref_count_ptr<ZAMValue>>>;
using ZAMMinusValueExp = ZAMMathValueExp<std::minus<ref_count_ptr<ZAMValue>>>;
using ZAMTimesValueExp = ZAMMathValueExp<std::multiplies<ref_count_ptr<ZAMValue>>>;
using ZAMDivideValueExp = ZAMMathValueExp<std::divides<ref_count_ptr<ZAMValue>>>;

#endif
