#include "zamcore/expressions/or_value_exp.h"

#include "zamcore/expressions/chain.h"
#include "zamcore/values/value.h"

ZAMOrValueExp::ZAMOrValueExp(ZAMValueExp* left, ZAMValueExp* right)
    : left_(left), right_(right), rightChain_(dynamic_cast<ZAMOrValueExp*>(right)) {}

ZAMOrValueExp::~ZAMOrValueExp() {
    delete left_;
    zamcore::deleteChain(right_, rightChain_, &ZAMOrValueExp::right_, &ZAMOrValueExp::rightChain_);
}

// Nested "or"s combine to: true when any operand is true, else unset when any
// is unset, else false. So the chain's operands are evaluated left to right
// in one loop, in the order the nesting evaluates them.
ref_count_ptr<ZAMValue> ZAMOrValueExp::evaluate(const ZAMSelOptionSet& set) const {
    const zamcore::ChainTally tally = zamcore::tallyChain(
        *this, &ZAMOrValueExp::left_, &ZAMOrValueExp::right_, &ZAMOrValueExp::rightChain_, set);
    if (tally.trues != 0) {
        return ZAMValue::createBool(true);
    }
    return tally.anyUnset ? ZAMValue::createUnset() : ZAMValue::createBool(false);
}

std::vector<ref_count_ptr<ZAMValue>> ZAMOrValueExp::values(const ZAMSelOptionSet&) const {
    return {};
}
