#include "zamcore/expressions/condition_exp.h"

#include "zamcore/expressions/value_exp.h"
#include "zamcore/values/value.h"

ZAMConditionExp::ZAMConditionExp() : expression_(nullptr) {}

// Owns `expression` from the call on: should copying the text or the list
// fail, the expression is deleted here.
ZAMConditionExp::ZAMConditionExp(ZAMValueExp* expression, const std::string& rkl,
                                 const std::vector<ZAMOptionExp*>& options) try
    : ZAMRklExp(rkl, options), expression_(expression) {
} catch (...) {
    delete expression;
}

ZAMConditionExp::~ZAMConditionExp() {
    delete expression_;
}

std::pair<bool, bool> ZAMConditionExp::getValue(const ZAMSelOptionSet& set) const {
    if (expression_ == nullptr) {
        return {true, false};
    }
    const ref_count_ptr<ZAMValue> value = expression_->evaluate(set);
    if (value->type() == ZAMValue::VT_UNSET) {
        return {true, false};
    }
    return {false, value->boolValue()};
}
