#include "zamcore/values/value.h"

#include <charconv>
#include <system_error>

#include "zamcore/runtime/exception.h"

namespace {

[[noreturn]] void throwUnsupported() {
    throw ZAMException(202, "", "", "");
}

}  // namespace

const std::string ZAMValue::typeNames[5] = {"Unset", "bool", "integer", "real", "string"};

ZAMValue::~ZAMValue() = default;

const std::string ZAMValue::strValue() const {
    throwUnsupported();
}

int ZAMValue::intValue() const {
    throwUnsupported();
}

double ZAMValue::realValue() const {
    throwUnsupported();
}

bool ZAMValue::boolValue() const {
    throwUnsupported();
}

ref_count_ptr<ZAMValue> ZAMValue::createInt(int value) {
    return new ZAMIntValue(value);
}

ref_count_ptr<ZAMValue> ZAMValue::createReal(double value) {
    return new ZAMRealValue(value);
}

ref_count_ptr<ZAMValue> ZAMValue::createString(const std::string& value) {
    return new ZAMStringValue(value);
}

// Logical and unset values are the most frequent results of rule evaluation;
// sharing one instance of each keeps them free of allocation.
ref_count_ptr<ZAMValue> ZAMValue::createBool(bool value) {
    static ref_count_ptr<ZAMValue> trueValue;
    static ref_count_ptr<ZAMValue> falseValue;
    if (!trueValue) {
        trueValue = new ZAMBoolValue(true);
        falseValue = new ZAMBoolValue(false);
    }
    return value ? trueValue : falseValue;
}

ref_count_ptr<ZAMValue> ZAMValue::createUnset() {
    static ref_count_ptr<ZAMValue> unset(new ZAMUnsetValue());
    return unset;
}

std::string ZAMUnsetValue::displayString() const {
    return "***UNSET***";
}

bool ZAMUnsetValue::equals(const ZAMValue& other) const {
    return other.type() == VT_UNSET;
}

std::string ZAMBoolValue::displayString() const {
    return value_ ? "true" : "false";
}

bool ZAMBoolValue::equals(const ZAMValue& other) const {
    return other.type() == VT_BOOL && other.boolValue() == value_;
}

// std::to_chars is locale-independent, unlike printf: a host that switched
// LC_NUMERIC still reads "2.500000".
std::string ZAMIntValue::displayString() const {
    char text[16];
    auto result = std::to_chars(text, text + sizeof text, value_);
    return std::string(text, result.ptr);
}

bool ZAMIntValue::equals(const ZAMValue& other) const {
    return other.type() == VT_INT && other.intValue() == value_;
}

// Fixed notation with six decimals for every magnitude: the largest double
// has 309 integer digits.
std::string ZAMRealValue::displayString() const {
    char text[400];
    auto result = std::to_chars(text, text + sizeof text, value_, std::chars_format::fixed, 6);
    return std::string(text, result.ptr);
}

bool ZAMRealValue::equals(const ZAMValue& other) const {
    return other.type() == VT_REAL && other.realValue() == value_;
}

ZAMStringValue::~ZAMStringValue() = default;

bool ZAMStringValue::equals(const ZAMValue& other) const {
    return other.type() == VT_STRING && other.strValue() == value_;
}

bool operator==(const ref_count_ptr<ZAMValue>& a, const ref_count_ptr<ZAMValue>& b) {
    return a->equals(*b);
}

bool operator!=(const ref_count_ptr<ZAMValue>& a, const ref_count_ptr<ZAMValue>& b) {
    return !a->equals(*b);
}

bool ref_count_traits<ZAMValue>::equal(const ZAMValue* a, const ZAMValue* b) {
    return a->equals(*b);
}
