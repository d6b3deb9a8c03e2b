#include "zamcore/model/option_value.h"

#include <utility>

#include "zamcore/runtime/exception.h"

namespace {

bool isNumber(const ref_count_ptr<ZAMValue>& value) {
    const ZAMValue::ValueType type = value->type();
    return type == ZAMValue::VT_INT || type == ZAMValue::VT_REAL;
}

// Numbers order against numbers and strings against strings. A bound does
// not accept what it cannot be compared with: asking whether "red" lies below
// 10 is answered no rather than with an error.
bool orderable(const ref_count_ptr<ZAMValue>& value, const ref_count_ptr<ZAMValue>& bound) {
    if (isNumber(value)) {
        return isNumber(bound);
    }
    return value->type() == ZAMValue::VT_STRING && bound->type() == ZAMValue::VT_STRING;
}

}  // namespace

ZAMOptionValue::~ZAMOptionValue() = default;

ref_count_ptr<ZAMValue> ZAMOptionValue::value() {
    throw ZAMException(2, "Asked for value of a non-value OptionValue", "", "");
}

ZAMOptionValue::Range ZAMOptionValue::range() {
    throw ZAMException(2, "Asked for range of a non-range OptionValue", "", "");
}

ZAMOptionEnumValue::ZAMOptionEnumValue(ref_count_ptr<ZAMValue> value) : value_(std::move(value)) {}

bool ZAMOptionEnumValue::accepts(ref_count_ptr<ZAMValue> value) {
    return value == value_;
}

ZAMOptionMaxValue::ZAMOptionMaxValue(ref_count_ptr<ZAMValue> bound) : bound_(std::move(bound)) {}

bool ZAMOptionMaxValue::accepts(ref_count_ptr<ZAMValue> value) {
    return orderable(value, bound_) && value < bound_;
}

ZAMOptionMinValue::ZAMOptionMinValue(ref_count_ptr<ZAMValue> bound) : bound_(std::move(bound)) {}

bool ZAMOptionMinValue::accepts(ref_count_ptr<ZAMValue> value) {
    return orderable(value, bound_) && value > bound_;
}

ZAMOptionMaxIncValue::ZAMOptionMaxIncValue(ref_count_ptr<ZAMValue> bound)
    : bound_(std::move(bound)) {}

bool ZAMOptionMaxIncValue::accepts(ref_count_ptr<ZAMValue> value) {
    return orderable(value, bound_) && value <= bound_;
}

ZAMOptionMinIncValue::ZAMOptionMinIncValue(ref_count_ptr<ZAMValue> bound)
    : bound_(std::move(bound)) {}

bool ZAMOptionMinIncValue::accepts(ref_count_ptr<ZAMValue> value) {
    return orderable(value, bound_) && value >= bound_;
}

ZAMOptionRangeValue::ZAMOptionRangeValue(ref_count_ptr<ZAMOptionValue> lower,
                                         ref_count_ptr<ZAMOptionValue> upper)
    : lower_(std::move(lower)), upper_(std::move(upper)) {
    if (lower_->value() >= upper_->value()) {
        throw ZAMException(2, "Max must be > min for range value", "", "");
    }
}

bool ZAMOptionRangeValue::accepts(ref_count_ptr<ZAMValue> value) {
    return lower_->accepts(value) && upper_->accepts(value);
}

bool ZAMOptionAnyStringValue::accepts(ref_count_ptr<ZAMValue> value) {
    return value->type() == ZAMValue::VT_STRING;
}

bool ZAMOptionAnyIntValue::accepts(ref_count_ptr<ZAMValue> value) {
    return isNumber(value);
}

bool ZAMOptionAnyRealValue::accepts(ref_count_ptr<ZAMValue> value) {
    return isNumber(value);
}

bool ZAMOptionBooleanValue::accepts(ref_count_ptr<ZAMValue> value) {
    return value->type() == ZAMValue::VT_BOOL;
}
