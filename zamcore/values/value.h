#ifndef ZAMCORE_VALUES_VALUE_H
#define ZAMCORE_VALUES_VALUE_H

#include <cstddef>
#include <string>

#include "zamcore/runtime/export.h"
#include "zamcore/runtime/ref_count.h"
#include "zamcore/runtime/ref_count_ptr.h"

// An immutable datum of one of five kinds: unset, logical, integer, real or
// string. Values are shared freely through counted handles; create them with
// the factories below. One true, one false and one unset value exist per
// process; every other factory call makes a new object.
class ZAMCORE_API ZAMValue : public ref_count {
public:
    // Fixed numbers: they index typeNames and callers store them.
    enum ValueType { VT_UNSET = 0, VT_BOOL = 1, VT_INT = 2, VT_REAL = 3, VT_STRING = 4 };

    ZAMValue() = default;
    ~ZAMValue() override;

    // Text for people: "***UNSET***", "true"/"false", "%d", "%lf" (six
    // decimals) or the string itself. Independent of the process locale.
    virtual std::string displayString() const = 0;
    // The conversions below throw code 202 unless the kind allows them: a
    // string gives its text, an integer its number (also widened to double),
    // a real its number, a logical value its truth. Nothing is parsed.
    virtual const std::string strValue() const;
    virtual int intValue() const;
    virtual double realValue() const;
    virtual bool boolValue() const;
    virtual ValueType type() const = 0;

    static ref_count_ptr<ZAMValue> createInt(int value);
    static ref_count_ptr<ZAMValue> createReal(double value);
    static ref_count_ptr<ZAMValue> createString(const std::string& value);
    // The shared true or false value.
    static ref_count_ptr<ZAMValue> createBool(bool value);
    // The shared unset value.
    static ref_count_ptr<ZAMValue> createUnset();

    // The longest string "+" joins, in bytes, far beyond any value a person
    // enters. Joining is the one operation whose result outgrows its
    // operands: unbounded, a rule text that doubles a value statement by
    // statement would ask for memory exponential in its length.
    static constexpr std::size_t kMaxJoinedLength = std::size_t(1) << 20;

    friend ZAMCORE_API bool operator==(const ref_count_ptr<ZAMValue>& a,
                                       const ref_count_ptr<ZAMValue>& b);
    friend ZAMCORE_API bool operator!=(const ref_count_ptr<ZAMValue>& a,
                                       const ref_count_ptr<ZAMValue>& b);
    friend struct ref_count_traits<ZAMValue>;

protected:
    // Same kind and same payload; never converts between kinds.
    virtual bool equals(const ZAMValue& other) const = 0;

    // Names of the kinds, indexed by ValueType: "Unset", "bool", "integer",
    // "real", "string".
    static const std::string typeNames[5];
};

class ZAMCORE_API ZAMUnsetValue final : public ZAMValue {
public:
    ZAMUnsetValue() = default;
    std::string displayString() const override;
    ValueType type() const override { return VT_UNSET; }

protected:
    bool equals(const ZAMValue& other) const override;
};

class ZAMCORE_API ZAMBoolValue final : public ZAMValue {
public:
    explicit ZAMBoolValue(bool value) : value_(value) {}
    std::string displayString() const override;
    bool boolValue() const override { return value_; }
    ValueType type() const override { return VT_BOOL; }

protected:
    bool equals(const ZAMValue& other) const override;

private:
    const bool value_;
};

class ZAMCORE_API ZAMIntValue final : public ZAMValue {
public:
    explicit ZAMIntValue(int value) : value_(value) {}
    std::string displayString() const override;
    int intValue() const override { return value_; }
    double realValue() const override { return value_; }
    ValueType type() const override { return VT_INT; }

protected:
    bool equals(const ZAMValue& other) const override;

private:
    const int value_;
};

class ZAMCORE_API ZAMRealValue final : public ZAMValue {
public:
    explicit ZAMRealValue(double value) : value_(value) {}
    std::string displayString() const override;
    double realValue() const override { return value_; }
    ValueType type() const override { return VT_REAL; }

protected:
    bool equals(const ZAMValue& other) const override;

private:
    const double value_;
};

class ZAMCORE_API ZAMStringValue final : public ZAMValue {
public:
    explicit ZAMStringValue(const std::string& value) : value_(value) {}
    ~ZAMStringValue() override;
    std::string displayString() const override { return value_; }
    const std::string strValue() const override { return value_; }
    ValueType type() const override { return VT_STRING; }

protected:
    bool equals(const ZAMValue& other) const override;

private:
    const std::string value_;
};

// Equality never fails: values of different kinds are simply unequal
// (integer 2 is not real 2.0). Both handles must be non-null.
ZAMCORE_API bool operator==(const ref_count_ptr<ZAMValue>& a, const ref_count_ptr<ZAMValue>& b);
ZAMCORE_API bool operator!=(const ref_count_ptr<ZAMValue>& a, const ref_count_ptr<ZAMValue>& b);

// Arithmetic makes a new value. An unset operand gives the unset value;
// integers combine in wrapping 32-bit arithmetic and are promoted to real
// next to a real; "+" also joins two strings, and throws code 2 "String value
// too long" for a result longer than ZAMValue::kMaxJoinedLength. Other kinds
// throw code 202, and a zero divisor throws code 203 whatever the left
// operand is.
ZAMCORE_API ref_count_ptr<ZAMValue> operator+(const ref_count_ptr<ZAMValue>& left,
                                              const ref_count_ptr<ZAMValue>& right);
ZAMCORE_API ref_count_ptr<ZAMValue> operator-(const ref_count_ptr<ZAMValue>& left,
                                              const ref_count_ptr<ZAMValue>& right);
ZAMCORE_API ref_count_ptr<ZAMValue> operator*(const ref_count_ptr<ZAMValue>& left,
                                              const ref_count_ptr<ZAMValue>& right);
ZAMCORE_API ref_count_ptr<ZAMValue> operator/(const ref_count_ptr<ZAMValue>& left,
                                              const ref_count_ptr<ZAMValue>& right);

// Ordering: false whenever either side is unset; numbers order across
// integer and real; strings order byte-wise as unsigned bytes. Logical values
// and mixed kinds throw code 202.
ZAMCORE_API bool operator<(const ref_count_ptr<ZAMValue>& left,
                           const ref_count_ptr<ZAMValue>& right);
ZAMCORE_API bool operator>(const ref_count_ptr<ZAMValue>& left,
                           const ref_count_ptr<ZAMValue>& right);
ZAMCORE_API bool operator<=(const ref_count_ptr<ZAMValue>& left,
                            const ref_count_ptr<ZAMValue>& right);
ZAMCORE_API bool operator>=(const ref_count_ptr<ZAMValue>& left,
                            const ref_count_ptr<ZAMValue>& right);

#endif
