#ifndef ZAMCORE_MODEL_OPTION_VALUE_H
#define ZAMCORE_MODEL_OPTION_VALUE_H

#include <utility>

#include "zamcore/runtime/export.h"
#include "zamcore/runtime/ref_count.h"
#include "zamcore/runtime/ref_count_ptr.h"
#include "zamcore/values/value.h"

// One constraint on the values an option allows. An option allows a value
// when any one of its constraints accepts it. Constraints are immutable and
// hold their bounds through counted handles. accepts() never throws: a bound
// does not accept a value of a kind it cannot be ordered against (a string
// against a number, anything against a logical bound). Building a range from
// bounds that cannot be ordered throws code 202.
class ZAMCORE_API ZAMOptionValue : public ref_count {
public:
    using Range = std::pair<ref_count_ptr<ZAMOptionValue>, ref_count_ptr<ZAMOptionValue>>;

    // The kind code; ZAMOption::addValue derives the option's value kind
    // from it.
    enum Kind {
        Enum = 0,
        Max = 1,
        Min = 2,
        MaxInc = 3,
        MinInc = 4,
        RangeKind = 5,
        AnyString = 6,
        AnyInt = 7,
        AnyReal = 8,
        Boolean = 9
    };

    ~ZAMOptionValue() override;
    virtual int kind() = 0;
    virtual bool accepts(ref_count_ptr<ZAMValue> value) = 0;
    // The single value of an enum, bound or inclusive bound. Anything else
    // throws code 2.
    virtual ref_count_ptr<ZAMValue> value();
    // The (lower, upper) bounds of a range. Anything else throws code 2.
    virtual Range range();
};

// Accepts a value equal to the stored one (never across kinds).
class ZAMCORE_API ZAMOptionEnumValue final : public ZAMOptionValue {
public:
    explicit ZAMOptionEnumValue(ref_count_ptr<ZAMValue> value);
    int kind() override { return Enum; }
    bool accepts(ref_count_ptr<ZAMValue> value) override;
    ref_count_ptr<ZAMValue> value() override { return value_; }

private:
    ref_count_ptr<ZAMValue> value_;
};

// Accepts values below the stored bound.
class ZAMCORE_API ZAMOptionMaxValue final : public ZAMOptionValue {
public:
    explicit ZAMOptionMaxValue(ref_count_ptr<ZAMValue> bound);
    int kind() override { return Max; }
    bool accepts(ref_count_ptr<ZAMValue> value) override;
    ref_count_ptr<ZAMValue> value() override { return bound_; }

private:
    ref_count_ptr<ZAMValue> bound_;
};

// Accepts values above the stored bound.
class ZAMCORE_API ZAMOptionMinValue final : public ZAMOptionValue {
public:
    explicit ZAMOptionMinValue(ref_count_ptr<ZAMValue> bound);
    int kind() override { return Min; }
    bool accepts(ref_count_ptr<ZAMValue> value) override;
    ref_count_ptr<ZAMValue> value() override { return bound_; }

private:
    ref_count_ptr<ZAMValue> bound_;
};

// Accepts values at or below the stored bound.
class ZAMCORE_API ZAMOptionMaxIncValue final : public ZAMOptionValue {
public:
    explicit ZAMOptionMaxIncValue(ref_count_ptr<ZAMValue> bound);
    int kind() override { return MaxInc; }
    bool accepts(ref_count_ptr<ZAMValue> value) override;
    ref_count_ptr<ZAMValue> value() override { return bound_; }

private:
    ref_count_ptr<ZAMValue> bound_;
};

// Accepts values at or above the stored bound.
class ZAMCORE_API ZAMOptionMinIncValue final : public ZAMOptionValue {
public:
    explicit ZAMOptionMinIncValue(ref_count_ptr<ZAMValue> bound);
    int kind() override { return MinInc; }
    bool accepts(ref_count_ptr<ZAMValue> value) override;
    ref_count_ptr<ZAMValue> value() override { return bound_; }

private:
    ref_count_ptr<ZAMValue> bound_;
};

// Accepts what both bounds accept, asking the lower bound first. The bounds
// are single-value constraints whose values must be in order: a lower value
// not below the upper one throws code 2, so a range spans more than a point.
class ZAMCORE_API ZAMOptionRangeValue final : public ZAMOptionValue {
public:
    ZAMOptionRangeValue(ref_count_ptr<ZAMOptionValue> lower, ref_count_ptr<ZAMOptionValue> upper);
    int kind() override { return RangeKind; }
    bool accepts(ref_count_ptr<ZAMValue> value) override;
    Range range() override { return Range(lower_, upper_); }

private:
    ref_count_ptr<ZAMOptionValue> lower_;
    ref_count_ptr<ZAMOptionValue> upper_;
};

// Accepts any string.
class ZAMCORE_API ZAMOptionAnyStringValue final : public ZAMOptionValue {
public:
    int kind() override { return AnyString; }
    bool accepts(ref_count_ptr<ZAMValue> value) override;
};

// Accepts any number, integer or real; gives its option the integer kind.
class ZAMCORE_API ZAMOptionAnyIntValue final : public ZAMOptionValue {
public:
    int kind() override { return AnyInt; }
    bool accepts(ref_count_ptr<ZAMValue> value) override;
};

// Accepts any number, integer or real; gives its option the real kind.
class ZAMCORE_API ZAMOptionAnyRealValue final : public ZAMOptionValue {
public:
    int kind() override { return AnyReal; }
    bool accepts(ref_count_ptr<ZAMValue> value) override;
};

// Accepts true and false.
class ZAMCORE_API ZAMOptionBooleanValue final : public ZAMOptionValue {
public:
    int kind() override { return Boolean; }
    bool accepts(ref_count_ptr<ZAMValue> value) override;
};

#endif
