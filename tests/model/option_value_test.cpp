#include <zamcore/zamcore.h>

#include <string>

#include "support/zam_test.h"

namespace {

using Value = ref_count_ptr<ZAMValue>;
using Constraint = ref_count_ptr<ZAMOptionValue>;

Value I(int v) {
    return ZAMValue::createInt(v);
}
Value R(double v) {
    return ZAMValue::createReal(v);
}
Value S(const std::string& v) {
    return ZAMValue::createString(v);
}

using OptionValueTest = ZamTest;

TEST_F(OptionValueTest, BoundsAreExclusiveOrInclusiveAsNamed) {
    struct Row {
        const char* name;
        Constraint constraint;
        Value value;
        bool accepted;
    };
    const Row rows[] = {
        {"max 10 / 9", new ZAMOptionMaxValue(I(10)), I(9), true},
        {"max 10 / 10", new ZAMOptionMaxValue(I(10)), I(10), false},
        {"max 10 / 9.5", new ZAMOptionMaxValue(I(10)), R(9.5), true},
        {"maxinc 10 / 10", new ZAMOptionMaxIncValue(I(10)), I(10), true},
        {"maxinc 10 / 10.5", new ZAMOptionMaxIncValue(I(10)), R(10.5), false},
        {"min 1 / 1", new ZAMOptionMinValue(I(1)), I(1), false},
        {"min 1 / 2", new ZAMOptionMinValue(I(1)), I(2), true},
        {"mininc 1 / 1", new ZAMOptionMinIncValue(I(1)), I(1), true},
        {"mininc 1 / 0", new ZAMOptionMinIncValue(I(1)), I(0), false},
        {"mininc 1.5 / 1", new ZAMOptionMinIncValue(R(1.5)), I(1), false},
        {"max 'm' / 'a'", new ZAMOptionMaxValue(S("m")), S("a"), true},
        {"max 10 / unset", new ZAMOptionMaxValue(I(10)), ZAMValue::createUnset(), false},
        {"enum 2 / 2", new ZAMOptionEnumValue(I(2)), I(2), true},
        {"enum 2 / 2.0", new ZAMOptionEnumValue(I(2)), R(2.0), false},
        {"enum 'x' / 'X'", new ZAMOptionEnumValue(S("x")), S("X"), false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.accepted, row.constraint->accepts(row.value)) << row.name;
        EXPECT_TRUE(row.constraint->value()) << row.name;
    }
}

TEST_F(OptionValueTest, RangeAcceptsBothEndsAndNeedsOrderedBounds) {
    Constraint range =
        new ZAMOptionRangeValue(new ZAMOptionMinIncValue(I(1)), new ZAMOptionMaxIncValue(I(5)));
    EXPECT_EQ(ZAMOptionValue::RangeKind, range->kind());
    for (int v : {1, 3, 5}) {
        EXPECT_TRUE(range->accepts(I(v))) << v;
    }
    for (int v : {0, 6}) {
        EXPECT_FALSE(range->accepts(I(v))) << v;
    }
    ZAMOptionValue::Range bounds = range->range();
    EXPECT_EQ(1, bounds.first->value()->intValue());
    EXPECT_EQ(5, bounds.second->value()->intValue());

    for (int lower : {5, 6}) {
        try {
            ZAMOptionRangeValue bad(new ZAMOptionMinIncValue(I(lower)),
                                    new ZAMOptionMaxIncValue(I(5)));
            ADD_FAILURE() << "range " << lower << " to 5 was built";
        } catch (const ZAMException& error) {
            EXPECT_EQ(2, error.code());
            EXPECT_EQ("Max must be > min for range value", error.info());
        }
    }
}

TEST_F(OptionValueTest, AnyKindConstraintsAcceptTheirKinds) {
    Constraint anyInt = new ZAMOptionAnyIntValue();
    Constraint anyReal = new ZAMOptionAnyRealValue();
    Constraint anyString = new ZAMOptionAnyStringValue();
    Constraint boolean = new ZAMOptionBooleanValue();
    EXPECT_TRUE(anyInt->accepts(R(2.5)));
    EXPECT_TRUE(anyReal->accepts(I(3)));
    EXPECT_FALSE(anyInt->accepts(S("3")));
    EXPECT_FALSE(anyReal->accepts(S("3")));
    EXPECT_TRUE(anyString->accepts(S("")));
    EXPECT_FALSE(anyString->accepts(I(1)));
    EXPECT_TRUE(boolean->accepts(ZAMValue::createBool(false)));
    EXPECT_FALSE(boolean->accepts(I(1)));
    EXPECT_EQ(6, anyString->kind());
    EXPECT_EQ(7, anyInt->kind());
    EXPECT_EQ(8, anyReal->kind());
    EXPECT_EQ(9, boolean->kind());
}

TEST_F(OptionValueTest, ValueAndRangeAreRefusedWhereTheyDoNotExist) {
    Constraint anyString = new ZAMOptionAnyStringValue();
    Constraint max = new ZAMOptionMaxValue(I(3));
    Constraint range =
        new ZAMOptionRangeValue(new ZAMOptionMinIncValue(I(1)), new ZAMOptionMaxIncValue(I(5)));
    try {
        anyString->value();
        ADD_FAILURE() << "any-string has no single value";
    } catch (const ZAMException& error) {
        EXPECT_EQ(2, error.code());
        EXPECT_EQ("Asked for value of a non-value OptionValue", error.info());
    }
    EXPECT_ZAM_CODE(range->value(), 2);
    try {
        max->range();
        ADD_FAILURE() << "a bound is not a range";
    } catch (const ZAMException& error) {
        EXPECT_EQ(2, error.code());
        EXPECT_EQ("Asked for range of a non-range OptionValue", error.info());
    }
}

// A bound answers no for a value it cannot be ordered against, so that an
// option's validation never fails with an error; only building a range from
// such bounds does.
TEST_F(OptionValueTest, BoundsDoNotAcceptWhatTheyCannotBeOrderedAgainst) {
    const Value yes = ZAMValue::createBool(true);
    const Constraint range =
        new ZAMOptionRangeValue(new ZAMOptionMinIncValue(I(1)), new ZAMOptionMaxIncValue(I(5)));
    struct Row {
        const char* name;
        Constraint constraint;
        Value value;
    };
    const Row rows[] = {
        {"string below 10", new ZAMOptionMaxValue(I(10)), S("a")},
        {"logical above 0", new ZAMOptionMinValue(I(0)), yes},
        {"string in 1 to 5", range, S("3")},
        {"number at or above \"m\"", new ZAMOptionMinIncValue(S("m")), I(5)},
        {"logical at or below \"m\"", new ZAMOptionMaxIncValue(S("m")), yes},
        {"number below a logical bound", new ZAMOptionMaxValue(yes), R(1.5)},
    };
    for (const Row& row : rows) {
        EXPECT_FALSE(row.constraint->accepts(row.value)) << row.name;
    }
    EXPECT_TRUE(range->accepts(R(2.5))) << "numbers still order across integer and real";
    EXPECT_ZAM_CODE(ZAMOptionRangeValue(new ZAMOptionMinIncValue(ZAMValue::createBool(false)),
                                        new ZAMOptionMaxIncValue(ZAMValue::createBool(true))),
                    202);
}

}  // namespace
