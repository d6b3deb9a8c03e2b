#include "zamcore/expressions/literal_value_exp.h"

ZAMLiteralValueExp::ZAMLiteralValueExp() : value_(ZAMValue::createUnset()) {}

ZAMLiteralValueExp::ZAMLiteralValueExp(const std::string& value)
    : value_(ZAMValue::createString(value)) {}

ZAMLiteralValueExp::ZAMLiteralValueExp(int value) : value_(ZAMValue::createInt(value)) {}

ZAMLiteralValueExp::ZAMLiteralValueExp(double value) : value_(ZAMValue::createReal(value)) {}

ZAMLiteralValueExp::ZAMLiteralValueExp(bool value) : value_(ZAMValue::createBool(value)) {}

ref_count_ptr<ZAMValue> ZAMLiteralValueExp::evaluate(const ZAMSelOptionSet&) const {
    return value_;
}

std::vector<ref_count_ptr<ZAMValue>> ZAMLiteralValueExp::values(const ZAMSelOptionSet&) const {
    return {};
}
