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
    bool allTrue = true;
    bool anyUnset = false;
    auto take = [&](const ZAMValueExp& operand) {
        const ref_count_ptr<ZAMValue> value = operand.evaluate(set);
        const ZAMValue::ValueType type = value->type();
        allTrue = allTrue && type == ZAMValue::VT_BOOL && value->boolValue();
        anyUnset = anyUnset || type == ZAMValue::VT_UNSET;
    };
    const ZAMAndValueExp* link = this;
    for (; link->rightChain_ != nullptr; link = link->rightChain_) {
        take(*link->left_);
    }
    take(*link->left_);
    take(*link->right_);
    if (allTrue) {
        return ZAMValue::createBool(true);
    }
    return anyUnset ? ZAMValue::createUnset() : ZAMValue::createBool(false);
}

std::vector<ref_count_ptr<ZAMValue>> ZAMAndValueExp::values(const ZAMSelOptionSet&) const {
    return {};
}
