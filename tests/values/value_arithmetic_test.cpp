#include <zamcore/zamcore.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "support/zam_test.h"
#include "values/value_checks.h"

namespace {

using ValueArithmeticTest = ZamTest;
using Apply = std::function<Value(const Value&, const Value&)>;

// Expected outcome of one operation: a result of some kind, or code 202.
enum Out { U, INT, REAL, STR, E202 };

const char* const kindNames[] = {"unset", "logical", "integer", "real", "string"};

// One operand of each kind, in ValueType order. The left and right numbers
// differ so that swapped operands and truncation show.
std::vector<Value> leftOperands() {
    return {ZAMValue::createUnset(), ZAMValue::createBool(true), ZAMValue::createInt(7),
            ZAMValue::createReal(1.5), ZAMValue::createString("ab")};
}

std::vector<Value> rightOperands() {
    return {ZAMValue::createUnset(), ZAMValue::createBool(false), ZAMValue::createInt(2),
            ZAMValue::createReal(0.5), ZAMValue::createString("cd")};
}

// The common scheme: unset wins, integers stay integers unless a real takes
// part, everything else is refused.
const Out commonScheme[5][5] = {
    {U, U, U, U, U},
    {U, E202, E202, E202, E202},
    {U, E202, INT, REAL, E202},
    {U, E202, REAL, REAL, E202},
    {U, E202, E202, E202, E202},
};

struct Operator {
    const char* name;
    Apply apply;
    std::function<int(int, int)> intResult;
    std::function<double(double, double)> realResult;
    bool joinsStrings;  // "+" alone joins two strings
};

TEST_F(ValueArithmeticTest, EveryKindCombinationOfEveryOperator) {
    const Operator operators[] = {
        {"+", [](const Value& a, const Value& b) { return a + b; },
         [](int a, int b) { return a + b; }, [](double a, double b) { return a + b; }, true},
        {"-", [](const Value& a, const Value& b) { return a - b; },
         [](int a, int b) { return a - b; }, [](double a, double b) { return a - b; }, false},
        {"*", [](const Value& a, const Value& b) { return a * b; },
         [](int a, int b) { return a * b; }, [](double a, double b) { return a * b; }, false},
        {"/", [](const Value& a, const Value& b) { return a / b; },
         [](int a, int b) { return a / b; }, [](double a, double b) { return a / b; }, false},
    };
    const std::vector<Value> lefts = leftOperands();
    const std::vector<Value> rights = rightOperands();
    for (const Operator& op : operators) {
        for (int l = 0; l < 5; ++l) {
            for (int r = 0; r < 5; ++r) {
                const Value& left = lefts[l];
                const Value& right = rights[r];
                const std::string cell =
                    std::string(kindNames[l]) + " " + op.name + " " + kindNames[r];
                const std::string leftText = left->displayString();
                const std::string rightText = right->displayString();
                const bool strings = l == ZAMValue::VT_STRING && r == ZAMValue::VT_STRING;
                const Out expected = op.joinsStrings && strings ? STR : commonScheme[l][r];
                if (expected == E202) {
                    expectBareCode([&] { op.apply(left, right); }, 202, cell);
                } else {
                    const Value result = op.apply(left, right);
                    switch (expected) {
                        case U:
                            EXPECT_EQ(ZAMValue::createUnset().get(), result.get()) << cell;
                            break;
                        case INT:
                            ASSERT_EQ(ZAMValue::VT_INT, result->type()) << cell;
                            EXPECT_EQ(op.intResult(left->intValue(), right->intValue()),
                                      result->intValue())
                                << cell;
                            break;
                        case REAL:
                            ASSERT_EQ(ZAMValue::VT_REAL, result->type()) << cell;
                            EXPECT_EQ(op.realResult(left->realValue(), right->realValue()),
                                      result->realValue())
                                << cell;
                            break;
                        default:
                            ASSERT_EQ(ZAMValue::VT_STRING, result->type()) << cell;
                            EXPECT_EQ("abcd", result->strValue()) << cell;
                    }
                }
                // Operands are never changed, also not by a refused operation.
                EXPECT_EQ(l, left->type()) << cell;
                EXPECT_EQ(leftText, left->displayString()) << cell;
                EXPECT_EQ(rightText, right->displayString()) << cell;
            }
        }
    }
}

TEST_F(ValueArithmeticTest, JoiningStringsKeepsEveryByte) {
    const struct {
        std::string left;
        std::string right;
    } cases[] = {{"ab", "cd"}, {"", ""}, {"ab", ""}, {"", "cd"}, {std::string("a\0", 2), "\xff z"}};
    for (const auto& c : cases) {
        const Value joined = ZAMValue::createString(c.left) + ZAMValue::createString(c.right);
        ASSERT_EQ(ZAMValue::VT_STRING, joined->type());
        EXPECT_EQ(c.left + c.right, joined->strValue());
    }
}

TEST_F(ValueArithmeticTest, JoiningStopsAtTheLongestString) {
    const std::size_t half = ZAMValue::kMaxJoinedLength / 2;
    const Value left = ZAMValue::createString(std::string(half, 'a'));
    EXPECT_EQ(ZAMValue::kMaxJoinedLength,
              (left + ZAMValue::createString(std::string(half, 'b')))->strValue().size());
    try {
        left + ZAMValue::createString(std::string(half + 1, 'b'));
        ADD_FAILURE() << "a string one byte too long was joined";
    } catch (const ZAMException& error) {
        EXPECT_EQ(2, error.code());
        EXPECT_EQ("String value too long", error.info());
    }
}

// The divisor is looked at before anything else, so a zero divisor wins over
// an unset or unsupported left operand.
TEST_F(ValueArithmeticTest, ZeroDivisorIsRefusedWhateverTheLeftOperand) {
    const Value lefts[] = {ZAMValue::createUnset(),   ZAMValue::createBool(true),
                           ZAMValue::createInt(1),    ZAMValue::createInt(0),
                           ZAMValue::createReal(1.5), ZAMValue::createString("a")};
    const Value zeros[] = {ZAMValue::createInt(0), ZAMValue::createReal(0.0),
                           ZAMValue::createReal(-0.0)};
    for (const Value& left : lefts) {
        for (const Value& zero : zeros) {
            expectBareCode([&] { left / zero; }, 203,
                           left->displayString() + " / " + zero->displayString());
        }
    }

    const Value unset = ZAMValue::createUnset();
    EXPECT_EQ(unset.get(), (ZAMValue::createInt(1) / unset).get());
    EXPECT_EQ(unset.get(), (unset / unset).get());

    // Divisors that are merely tiny or not a number are not zero.
    const Value tiny = ZAMValue::createReal(5e-324);
    EXPECT_TRUE(std::isinf((ZAMValue::createReal(1.5) / tiny)->realValue()));
    EXPECT_TRUE(std::isinf((ZAMValue::createInt(1) / tiny)->realValue()));
    EXPECT_TRUE(std::isnan((ZAMValue::createInt(1) / ZAMValue::createReal(NAN))->realValue()));
}

// An integer next to a real is widened, and the result is real even when it
// is whole or beyond the integer range.
TEST_F(ValueArithmeticTest, IntegerMeetingRealGivesReal) {
    const struct {
        Value result;
        double expected;
    } cases[] = {
        {ZAMValue::createInt(7) / ZAMValue::createReal(2.0), 3.5},
        {ZAMValue::createReal(7.0) / ZAMValue::createInt(2), 3.5},
        {ZAMValue::createReal(1.5) * ZAMValue::createInt(2), 3.0},
        {ZAMValue::createInt(1) + ZAMValue::createReal(0.5), 1.5},
        {ZAMValue::createInt(INT_MAX) + ZAMValue::createReal(1.0), 2147483648.0},
        {ZAMValue::createInt(INT_MIN) - ZAMValue::createReal(1.0), -2147483649.0},
        {ZAMValue::createReal(2.0) * ZAMValue::createInt(INT_MAX), 4294967294.0},
        {ZAMValue::createInt(16777217) - ZAMValue::createReal(16777216.0), 1.0},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(ZAMValue::VT_REAL, c.result->type());
        EXPECT_EQ(c.expected, c.result->realValue());
    }
}

// The reference: exact 64-bit arithmetic (whose division truncates toward
// zero too), reduced modulo 2^32 into the signed 32-bit range.
std::int64_t wrap32(std::int64_t exact) {
    const std::int64_t modulus = std::int64_t{1} << 32;
    std::int64_t r = exact % modulus;
    if (r < 0) {
        r += modulus;
    }
    return r >= (modulus >> 1) ? r - modulus : r;
}

TEST_F(ValueArithmeticTest, IntegerArithmeticWrapsAndDividesTowardZero) {
    EXPECT_EQ(INT_MIN, (ZAMValue::createInt(INT_MAX) + ZAMValue::createInt(1))->intValue());
    EXPECT_EQ(INT_MAX, (ZAMValue::createInt(INT_MIN) - ZAMValue::createInt(1))->intValue());
    EXPECT_EQ(-2, (ZAMValue::createInt(INT_MAX) * ZAMValue::createInt(2))->intValue());
    EXPECT_EQ(INT_MIN, (ZAMValue::createInt(0) - ZAMValue::createInt(INT_MIN))->intValue());
    EXPECT_EQ(0, (ZAMValue::createInt(65536) * ZAMValue::createInt(65536))->intValue());
    // Division truncates toward zero; the one quotient that does not fit wraps.
    EXPECT_EQ(3, (ZAMValue::createInt(7) / ZAMValue::createInt(2))->intValue());
    EXPECT_EQ(-3, (ZAMValue::createInt(-7) / ZAMValue::createInt(2))->intValue());
    EXPECT_EQ(INT_MIN, (ZAMValue::createInt(INT_MIN) / ZAMValue::createInt(-1))->intValue());

    std::vector<std::int64_t> spread = {
        0,     1,       -1,      2,           -2,          7,       -7,        46341,     -46341,
        65536, INT_MAX, INT_MIN, INT_MAX - 1, INT_MIN + 1, 1 << 30, 123456789, -987654321};
    // A few more from a fixed linear congruential sequence.
    std::uint32_t state = 12345;
    for (int i = 0; i < 8; ++i) {
        state = state * 1103515245u + 12345u;
        spread.push_back(wrap32(state));
    }
    for (std::int64_t a : spread) {
        for (std::int64_t b : spread) {
            const Value left = ZAMValue::createInt(static_cast<int>(a));
            const Value right = ZAMValue::createInt(static_cast<int>(b));
            EXPECT_EQ(wrap32(a + b), (left + right)->intValue()) << a << " + " << b;
            EXPECT_EQ(wrap32(a - b), (left - right)->intValue()) << a << " - " << b;
            EXPECT_EQ(wrap32(a * b), (left * right)->intValue()) << a << " * " << b;
            if (b != 0) {
                EXPECT_EQ(wrap32(a / b), (left / right)->intValue()) << a << " / " << b;
            }
        }
    }
}

// Expected outcome of an ordering: all four false, a real comparison, or
// refused.
enum Order { F, CMP, REFUSED };

struct Ordering {
    bool lt, gt, le, ge;
};

Ordering orderOf(const Value& a, const Value& b) {
    return {a<b, a> b, a <= b, a >= b};
}

TEST_F(ValueArithmeticTest, OrderingOfEveryKindCombination) {
    // The right unset side is looked at first, so even a logical value on
    // the left answers false there.
    const Order table[5][5] = {
        {F, F, F, F, F},
        {F, REFUSED, REFUSED, REFUSED, REFUSED},
        {F, REFUSED, CMP, CMP, REFUSED},
        {F, REFUSED, CMP, CMP, REFUSED},
        {F, REFUSED, REFUSED, REFUSED, CMP},
    };
    const std::vector<Value> lefts = {ZAMValue::createUnset(), ZAMValue::createBool(true),
                                      ZAMValue::createInt(1), ZAMValue::createReal(2.5),
                                      ZAMValue::createString("abc")};
    const std::vector<Value> rights = {ZAMValue::createUnset(), ZAMValue::createBool(false),
                                       ZAMValue::createInt(2), ZAMValue::createReal(2.5),
                                       ZAMValue::createString("abd")};
    for (int l = 0; l < 5; ++l) {
        for (int r = 0; r < 5; ++r) {
            const Value& a = lefts[l];
            const Value& b = rights[r];
            const std::string cell = std::string(kindNames[l]) + " ? " + kindNames[r];
            switch (table[l][r]) {
                case F: {
                    const Ordering o = orderOf(a, b);
                    EXPECT_FALSE(o.lt || o.gt || o.le || o.ge) << cell;
                    break;
                }
                case REFUSED:
                    expectBareCode([&] { return a < b; }, 202, cell + " <");
                    expectBareCode([&] { return a > b; }, 202, cell + " >");
                    expectBareCode([&] { return a <= b; }, 202, cell + " <=");
                    expectBareCode([&] { return a >= b; }, 202, cell + " >=");
                    break;
                case CMP:
                    // The answers themselves are checked row by row below.
                    EXPECT_NO_THROW(orderOf(a, b)) << cell;
            }
        }
    }
}

TEST_F(ValueArithmeticTest, NumbersOrderAcrossKinds) {
    const Value nan = ZAMValue::createReal(NAN);
    const struct {
        const char* name;
        Value a;
        Value b;
        Ordering expected;
    } cases[] = {
        {"1 ? 2.5", ZAMValue::createInt(1), ZAMValue::createReal(2.5), {true, false, true, false}},
        {"2.5 ? 2", ZAMValue::createReal(2.5), ZAMValue::createInt(2), {false, true, false, true}},
        {"2 ? 2.0", ZAMValue::createInt(2), ZAMValue::createReal(2.0), {false, false, true, true}},
        {"2 ? 2", ZAMValue::createInt(2), ZAMValue::createInt(2), {false, false, true, true}},
        {"min ? max",
         ZAMValue::createInt(INT_MIN),
         ZAMValue::createInt(INT_MAX),
         {true, false, true, false}},
        {"-1 ? 1", ZAMValue::createInt(-1), ZAMValue::createInt(1), {true, false, true, false}},
        {"-0.0 ? 0.0",
         ZAMValue::createReal(-0.0),
         ZAMValue::createReal(0.0),
         {false, false, true, true}},
        {"16777217 ? 16777216.0",
         ZAMValue::createInt(16777217),
         ZAMValue::createReal(16777216.0),
         {false, true, false, true}},
        {"max ? max + 0.5",
         ZAMValue::createInt(INT_MAX),
         ZAMValue::createReal(2147483647.5),
         {true, false, true, false}},
        {"NaN ? 1", nan, ZAMValue::createInt(1), {false, false, false, false}},
        {"1 ? NaN", ZAMValue::createInt(1), nan, {false, false, false, false}},
        {"NaN ? NaN", nan, nan, {false, false, false, false}},
    };
    for (const auto& c : cases) {
        const Ordering o = orderOf(c.a, c.b);
        EXPECT_EQ(c.expected.lt, o.lt) << c.name << " <";
        EXPECT_EQ(c.expected.gt, o.gt) << c.name << " >";
        EXPECT_EQ(c.expected.le, o.le) << c.name << " <=";
        EXPECT_EQ(c.expected.ge, o.ge) << c.name << " >=";
    }
}

TEST_F(ValueArithmeticTest, StringsOrderByUnsignedBytes) {
    const struct {
        std::string a;
        std::string b;
        int order;  // sign of a compared with b
    } cases[] = {
        {"abc", "abd", -1},
        {"ab", "abc", -1},
        {"", "a", -1},
        {"", "", 0},
        {"B", "a", -1},
        {"Z", "z", -1},
        {"\x80", "z", 1},
        {"\xff", "\x7f", 1},
        {"a", std::string("a\0", 2), -1},
        {std::string("\0", 1), "", 1},
        {"abc", "abc", 0},
    };
    for (const auto& c : cases) {
        const Ordering o = orderOf(ZAMValue::createString(c.a), ZAMValue::createString(c.b));
        EXPECT_EQ(c.order < 0, o.lt) << c.a << " < " << c.b;
        EXPECT_EQ(c.order > 0, o.gt) << c.a << " > " << c.b;
        EXPECT_EQ(c.order <= 0, o.le) << c.a << " <= " << c.b;
        EXPECT_EQ(c.order >= 0, o.ge) << c.a << " >= " << c.b;
    }
}

// Generic code, the expression templates among it, reaches the value
// operators through the standard function objects.
TEST_F(ValueArithmeticTest, StandardFunctionObjectsUseTheValueOperators) {
    const Value two = ZAMValue::createInt(2);
    const Value otherTwo = ZAMValue::createInt(2);
    const Value seven = ZAMValue::createInt(7);
    const Value realTwo = ZAMValue::createReal(2.0);

    EXPECT_EQ(9, std::plus<Value>()(seven, two)->intValue());
    EXPECT_EQ(5, std::minus<Value>()(seven, two)->intValue());
    EXPECT_EQ(14, std::multiplies<Value>()(seven, two)->intValue());
    EXPECT_EQ(3, std::divides<Value>()(seven, two)->intValue());
    EXPECT_EQ(
        "abcd",
        std::plus<Value>()(ZAMValue::createString("ab"), ZAMValue::createString("cd"))->strValue());
    expectBareCode([&] { std::divides<Value>()(seven, ZAMValue::createInt(0)); }, 203,
                   "divides by 0");

    // Separate objects with equal values: an identity-based comparison would
    // order them one way or the other.
    EXPECT_FALSE(std::less<Value>()(two, otherTwo));
    EXPECT_FALSE(std::less<Value>()(otherTwo, two));
    EXPECT_TRUE(std::less<Value>()(two, seven));
    EXPECT_FALSE(std::greater<Value>()(two, seven));
    EXPECT_TRUE(std::greater<Value>()(seven, realTwo));
    EXPECT_TRUE(std::less_equal<Value>()(two, realTwo));
    EXPECT_TRUE(std::greater_equal<Value>()(realTwo, otherTwo));
    EXPECT_FALSE(std::greater_equal<Value>()(two, seven));
    expectBareCode([&] { std::less<Value>()(ZAMValue::createBool(true), two); }, 202,
                   "less on a logical value");

    EXPECT_TRUE(std::equal_to<Value>()(two, otherTwo));
    EXPECT_FALSE(std::equal_to<Value>()(two, realTwo));
    EXPECT_FALSE(std::not_equal_to<Value>()(two, otherTwo));
    EXPECT_TRUE(std::not_equal_to<Value>()(two, realTwo));
}

TEST_F(ValueArithmeticTest, OrderedSetOfIntegersKeysByValue) {
    std::set<Value> set;
    for (int n : {5, 1, INT_MAX, 3, -2, 5, INT_MIN, 1}) {
        set.insert(ZAMValue::createInt(n));
    }
    std::vector<int> listed;
    for (const Value& v : set) {
        listed.push_back(v->intValue());
    }
    EXPECT_EQ((std::vector<int>{INT_MIN, -2, 1, 3, 5, INT_MAX}), listed);
    EXPECT_EQ(1u, set.count(ZAMValue::createInt(5)));
    EXPECT_NE(set.end(), set.find(ZAMValue::createInt(3)));
    EXPECT_EQ(set.end(), set.find(ZAMValue::createInt(4)));
}

// Code that sees only the handle header (ZAMValue forward-declared) compares
// and orders value handles through the generic handle operators; they must
// agree with the value operators, or containers built in different places
// would disagree about their keys.
TEST_F(ValueArithmeticTest, GenericHandleOperatorsCompareByValue) {
    const Value values[] = {
        ZAMValue::createInt(-3),     ZAMValue::createInt(2),    ZAMValue::createInt(2),
        ZAMValue::createReal(2.0),   ZAMValue::createReal(2.5), ZAMValue::createString("\x80"),
        ZAMValue::createString("z"), ZAMValue::createUnset(),   ZAMValue::createBool(true)};
    for (const Value& a : values) {
        for (const Value& b : values) {
            const std::string pair = a->displayString() + " ? " + b->displayString();
            bool less = false;
            bool refused = false;
            try {
                less = a < b;
            } catch (const ZAMException&) {
                refused = true;
            }
            if (refused) {
                expectBareCode([&] { operator< <ZAMValue>(a, b); }, 202, pair);
            } else {
                EXPECT_EQ(less, operator< <ZAMValue>(a, b)) << pair;
            }
            EXPECT_EQ(a == b, operator==<ZAMValue>(a, b)) << pair;
            EXPECT_EQ(a != b, operator!=<ZAMValue>(a, b)) << pair;
        }
    }
}

}  // namespace
