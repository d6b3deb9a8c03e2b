#include "zamcore/expressions/and_value_exp.h"

#include "zamcore/expressions/chain.h"
#include "zamcore/values/value.h"

ZAMAndValueExp::ZAMAndValueExp(ZAMValueExp* left, ZAMValueExp* right)
    : left_(left), right_(right), rightChain_(dynamic_cast<ZAMAndValueExp*>(right)) {}

ZAMAndValueExp::~ZAMAndValueExp() {
    delete left_;
    zamcore::deleteChain(right_, rightChain_, &ZAMAndValueExp::right_,
                         &ZAMAndValueExp::rightChain_);
}

// Nested "and"s combine to: true when every operand is true, else unset when
// any is unset, else false. So the chain's operands are evaluated left to
// right in one loop, in the order the nesting evaluates them.
ref_count_ptr<ZAMValue> ZAMAndValueExp::evaluate(const ZAMSelOptionSet& set) const {
    const zamcore::ChainTally tally = zamcore::tallyChain(
        *this, &ZAMAndValueExp::left_, &ZAMAndValueExp::right_, &ZAMAndValueExp::rightChain_, set);
    if (tally.trues == tally.operands) {
        return ZAMValue::createBool(true);
    }
    return tally.anyUnset ? ZAMValue::createUnset() : ZAMValue::createBool(false);
}

std::vector<ref_count_ptr<ZAMValue>> ZAMAndValueExp::values(const ZAMSelOptionSet&) const {
    return {};
}
