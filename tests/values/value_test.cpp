#include <zamcore/zamcore.h>

#include <cfloat>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "support/zam_test.h"
#include "values/value_checks.h"

namespace {

using ValueTest = ZamTest;

// typeNames is protected: read it through a class derived from ZAMValue.
struct TypeNames : ZAMValue {
    static const std::string& at(ValueType type) { return typeNames[type]; }
};

// The reference rendering of a real, taken from the C library while the
// process is still in the "C" locale.
std::string printfReal(double value) {
    std::vector<char> text(512);
    const int length = std::snprintf(text.data(), text.size(), "%lf", value);
    return std::string(text.data(), static_cast<std::size_t>(length));
}

TEST_F(ValueTest, LogicalAndUnsetValuesAreSharedOthersAreNot) {
    const std::int32_t before = liveObjects();
    Value t1 = ZAMValue::createBool(true);
    Value t2 = ZAMValue::createBool(true);
    Value f1 = ZAMValue::createBool(false);
    Value f2 = ZAMValue::createBool(false);
    Value u1 = ZAMValue::createUnset();
    Value u2 = ZAMValue::createUnset();
    EXPECT_EQ(t1.get(), t2.get());
    EXPECT_EQ(f1.get(), f2.get());
    EXPECT_NE(t1.get(), f1.get());
    EXPECT_EQ(u1.get(), u2.get());
    EXPECT_TRUE(t1->boolValue());
    EXPECT_FALSE(f1->boolValue());
    EXPECT_EQ(before, liveObjects()) << "shared values must not be created again";

    // Every other factory call makes a new object, equal values included.
    Value i1 = ZAMValue::createInt(1);
    Value i2 = ZAMValue::createInt(1);
    Value r1 = ZAMValue::createReal(1.0);
    Value r2 = ZAMValue::createReal(1.0);
    Value s1 = ZAMValue::createString("x");
    Value s2 = ZAMValue::createString("x");
    EXPECT_NE(i1.get(), i2.get());
    EXPECT_NE(r1.get(), r2.get());
    EXPECT_NE(s1.get(), s2.get());
    EXPECT_EQ(before + 6, liveObjects());
}

TEST_F(ValueTest, KindsAndTheirNames) {
    const struct {
        Value value;
        int type;
        const char* name;
    } cases[] = {
        {ZAMValue::createUnset(), 0, "Unset"},     {ZAMValue::createBool(false), 1, "bool"},
        {ZAMValue::createInt(0), 2, "integer"},    {ZAMValue::createReal(0.0), 3, "real"},
        {ZAMValue::createString(""), 4, "string"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.type, c.value->type()) << c.name;
        EXPECT_EQ(c.name, TypeNames::at(c.value->type()));
    }
}

// One row per kind: the conversions it allows give the payload, the others
// throw code 202 with empty texts and leave the value usable.
TEST_F(ValueTest, ConversionTable) {
    const std::string withNul("a\0b", 3);
    const struct {
        const char* name;
        Value value;
        std::optional<std::string> str;
        std::optional<int> integer;
        std::optional<double> real;
        std::optional<bool> logical;
    } rows[] = {
        {"unset", ZAMValue::createUnset(), {}, {}, {}, {}},
        {"true", ZAMValue::createBool(true), {}, {}, {}, true},
        {"false", ZAMValue::createBool(false), {}, {}, {}, false},
        {"int 7", ZAMValue::createInt(7), {}, 7, 7.0, {}},
        {"int min", ZAMValue::createInt(INT_MIN), {}, INT_MIN, -2147483648.0, {}},
        {"real 7.0", ZAMValue::createReal(7.0), {}, {}, 7.0, {}},
        {"real -0.25", ZAMValue::createReal(-0.25), {}, {}, -0.25, {}},
        {"string '7'", ZAMValue::createString("7"), "7", {}, {}, {}},
        {"string 'true'", ZAMValue::createString("true"), "true", {}, {}, {}},
        {"string with NUL", ZAMValue::createString(withNul), withNul, {}, {}, {}},
    };
    for (const auto& row : rows) {
        const Value& v = row.value;
        if (row.str) {
            EXPECT_EQ(*row.str, v->strValue()) << row.name;
        } else {
            expectBareCode([&] { v->strValue(); }, 202, std::string(row.name) + " strValue");
        }
        if (row.integer) {
            EXPECT_EQ(*row.integer, v->intValue()) << row.name;
        } else {
            expectBareCode([&] { v->intValue(); }, 202, std::string(row.name) + " intValue");
        }
        if (row.real) {
            EXPECT_EQ(*row.real, v->realValue()) << row.name;
        } else {
            expectBareCode([&] { v->realValue(); }, 202, std::string(row.name) + " realValue");
        }
        if (row.logical) {
            EXPECT_EQ(*row.logical, v->boolValue()) << row.name;
        } else {
            expectBareCode([&] { v->boolValue(); }, 202, std::string(row.name) + " boolValue");
        }
    }
}

TEST_F(ValueTest, EqualityNeverCrossesKinds) {
    const Value nan = ZAMValue::createReal(std::nan(""));
    const struct {
        const char* name;
        Value a;
        Value b;
        bool equal;
    } cases[] = {
        {"int 2 / real 2.0", ZAMValue::createInt(2), ZAMValue::createReal(2.0), false},
        {"int 2 / string '2'", ZAMValue::createInt(2), ZAMValue::createString("2"), false},
        {"real 2.0 / string '2'", ZAMValue::createReal(2.0), ZAMValue::createString("2"), false},
        {"int 0 / false", ZAMValue::createInt(0), ZAMValue::createBool(false), false},
        {"unset / int 0", ZAMValue::createUnset(), ZAMValue::createInt(0), false},
        {"unset / empty string", ZAMValue::createUnset(), ZAMValue::createString(""), false},
        {"unset / false", ZAMValue::createUnset(), ZAMValue::createBool(false), false},
        {"string 'true' / true", ZAMValue::createString("true"), ZAMValue::createBool(true), false},
        {"int 5 / int 5", ZAMValue::createInt(5), ZAMValue::createInt(5), true},
        {"int 5 / int -5", ZAMValue::createInt(5), ZAMValue::createInt(-5), false},
        {"real 2.0 / real 2.0", ZAMValue::createReal(2.0), ZAMValue::createReal(2.0), true},
        {"real 0.0 / real -0.0", ZAMValue::createReal(0.0), ZAMValue::createReal(-0.0), true},
        {"NaN / itself", nan, nan, false},
        {"NaN / another NaN", nan, ZAMValue::createReal(std::nan("")), false},
        {"'a' / 'A'", ZAMValue::createString("a"), ZAMValue::createString("A"), false},
        {"'ab' / 'ab'", ZAMValue::createString("ab"), ZAMValue::createString("ab"), true},
        {"'a' / 'a\\0'", ZAMValue::createString("a"), ZAMValue::createString(std::string("a\0", 2)),
         false},
        {"'' / ''", ZAMValue::createString(""), ZAMValue::createString(""), true},
        {"unset / unset", ZAMValue::createUnset(), ZAMValue::createUnset(), true},
        {"true / true", ZAMValue::createBool(true), ZAMValue::createBool(true), true},
        {"true / false", ZAMValue::createBool(true), ZAMValue::createBool(false), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.equal, c.a == c.b) << c.name;
        EXPECT_EQ(c.equal, c.b == c.a) << c.name << " (swapped)";
        EXPECT_EQ(!c.equal, c.a != c.b) << c.name;
        EXPECT_EQ(!c.equal, c.b != c.a) << c.name << " (swapped)";
    }
}

TEST_F(ValueTest, DisplayTexts) {
    const struct {
        Value value;
        std::string text;
    } cases[] = {
        {ZAMValue::createUnset(), "***UNSET***"},
        {ZAMValue::createBool(true), "true"},
        {ZAMValue::createBool(false), "false"},
        {ZAMValue::createInt(-5), "-5"},
        {ZAMValue::createInt(0), "0"},
        {ZAMValue::createInt(INT_MIN), "-2147483648"},
        {ZAMValue::createInt(INT_MAX), "2147483647"},
        {ZAMValue::createReal(0.1), "0.100000"},
        {ZAMValue::createReal(-0.5), "-0.500000"},
        {ZAMValue::createReal(2.5), "2.500000"},
        {ZAMValue::createReal(0.0), "0.000000"},
        {ZAMValue::createReal(123456789.0), "123456789.000000"},
        {ZAMValue::createString(""), ""},
        {ZAMValue::createString("  say \"hi\"\n"), "  say \"hi\"\n"},
        {ZAMValue::createString(std::string("a\0\xff", 3)), std::string("a\0\xff", 3)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.text, c.value->displayString());
    }
}

// Reals render as "%lf" does in the "C" locale, at every magnitude: huge
// values in full fixed notation, tiny ones rounded to six decimals, signs
// kept on negative zero.
TEST_F(ValueTest, RealTextMatchesFixedSixDecimalsAtEveryMagnitude) {
    const double reals[] = {1e300,    -1e300,    DBL_MAX, -DBL_MAX,  1e31,      -1e31,
                            1e32,     -1e32,     -0.0,    0.0000004, -4e-7,     0.0000005,
                            0.125,    2.0000005, 1e-300,  DBL_MIN,   1.0 / 3.0, 9.9999995,
                            INFINITY, -INFINITY, NAN,     -NAN};
    for (double real : reals) {
        EXPECT_EQ(printfReal(real), ZAMValue::createReal(real)->displayString()) << real;
    }

    const std::string huge = ZAMValue::createReal(1e300)->displayString();
    EXPECT_EQ(301u + 7u, huge.size()) << "301 integer digits, the point and six decimals";
    EXPECT_EQ("1000000000000000052504760255204420248704", huge.substr(0, 40));
    EXPECT_EQ(".000000", huge.substr(huge.size() - 7));
}

// A host may switch the process to a locale whose decimal separator is a
// comma; the text of a real must not follow it.
class CommaLocaleTest : public ValueTest {
protected:
    void TearDown() override {
        std::setlocale(LC_ALL, "C");
        ValueTest::TearDown();
    }

    // Switches the whole process to the first installed locale that writes
    // decimals with a comma; false when there is none.
    static bool enterCommaLocale() {
        const char* names[] = {"de_DE.UTF-8", "de_DE.utf8",  "de_DE",       "fr_FR.UTF-8",
                               "fr_FR.utf8",  "fr_FR",       "nl_NL.UTF-8", "it_IT.UTF-8",
                               "es_ES.UTF-8", "ru_RU.UTF-8", "pl_PL.UTF-8", "de_DE@euro"};
        for (const char* name : names) {
            if (std::setlocale(LC_ALL, name) != nullptr &&
                std::string(std::localeconv()->decimal_point) == ",") {
                return true;
            }
        }
        std::setlocale(LC_ALL, "C");
        return false;
    }
};

TEST_F(CommaLocaleTest, RealTextKeepsThePoint) {
    const std::string hugeInC = printfReal(1e300);
    if (!enterCommaLocale()) {
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    ASSERT_EQ("2,500000", printfReal(2.5)) << "the locale really is in effect";
    EXPECT_EQ("2.500000", ZAMValue::createReal(2.5)->displayString());
    EXPECT_EQ("-0.500000", ZAMValue::createReal(-0.5)->displayString());
    EXPECT_EQ(hugeInC, ZAMValue::createReal(1e300)->displayString());
    EXPECT_EQ("-1234567", ZAMValue::createInt(-1234567)->displayString());
}

}  // namespace
