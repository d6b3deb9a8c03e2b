#include "zamcore/expressions/not_value_exp.h"

#include "zamcore/values/value.h"

ZAMNotValueExp::ZAMNotValueExp(ZAMValueExp* operand) : operand_(operand) {}

ZAMNotValueExp::~ZAMNotValueExp() {
    delete operand_;
}

ref_count_ptr<ZAMValue> ZAMNotValueExp::evaluate(const ZAMSelOptionSet& set) const {
    ref_count_ptr<ZAMValue> value = operand_->evaluate(set);
    switch (value->type()) {
        case ZAMValue::VT_UNSET:
            return value;
        case ZAMValue::VT_BOOL:
            return ZAMValue::createBool(!value->boolValue());
        default:
            return ZAMValue::createBool(true);
    }
}

std::vector<ref_count_ptr<ZAMValue>> ZAMNotValueExp::values(const ZAMSelOptionSet&) const {
    return {};
}
