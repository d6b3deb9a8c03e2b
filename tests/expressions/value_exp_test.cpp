#include <zamcore/zamcore.h>

#include <string>

#include "support/rule_fixture.h"

namespace {

using ValueExpTest = RuleFixture;

// Operands of the truth tables: T true, F false, U an option holding no
// value, N an integer (not logical, so not true).
std::string operand(char kind) {
    switch (kind) {
        case 'T':
            return "true";
        case 'F':
            return "false";
        case 'U':
            return "m:a";
        default:
            return "m:lim";
    }
}

TEST_F(ValueExpTest, ThreeValuedOrAndAndNot) {
    choose("lim", ZAMValue::createInt(4));
    struct Row {
        char left, right;
        const char* orTruth;
        const char* andTruth;
    };
    // "-" is unset: the if takes neither branch.
    const Row rows[] = {
        {'T', 'T', "T", "T"}, {'T', 'F', "T", "F"}, {'T', 'U', "T", "-"}, {'F', 'T', "T", "F"},
        {'F', 'F', "F", "F"}, {'F', 'U', "-", "-"}, {'U', 'T', "T", "-"}, {'U', 'F', "-", "-"},
        {'U', 'U', "-", "-"}, {'T', 'N', "T", "F"}, {'N', 'F', "F", "F"}, {'N', 'U', "-", "-"},
    };
    for (const Row& row : rows) {
        const std::string left = operand(row.left);
        const std::string right = operand(row.right);
        EXPECT_EQ(row.orTruth, truthOf(left + " or " + right)) << left << " or " << right;
        EXPECT_EQ(row.andTruth, truthOf(left + " and " + right)) << left << " and " << right;
    }
    const std::pair<const char*, const char*> negations[] = {{"not true", "F"},
                                                             {"not false", "T"},
                                                             {"not m:a", "-"},
                                                             {"not m:lim", "T"},
                                                             {"not \"x\"", "T"}};
    for (const auto& negation : negations) {
        EXPECT_EQ(negation.second, truthOf(negation.first)) << negation.first;
    }
}

TEST_F(ValueExpTest, PrecedenceAndGrouping) {
    choose("a", ZAMValue::createInt(2));
    const std::pair<const char*, const char*> values[] = {
        {"10 - 4 - 3", "3"},
        {"100 / 10 / 5", "2"},
        {"2 * 3 + 4 * 5", "26"},
        {"2 + 3 * 4", "14"},
        {"(2 + 3) * 4", "20"},
        {"-m:a * 3", "-6"},
        {"- - m:a", "2"},
        {"1 - -1", "2"},
        {"7 / 2", "3"},
        {"-7 / 2", "-3"},
        {"1 + 2.5", "3.500000"},
        {"\"ab\" + \"cd\"", "abcd"},
        {"2147483647 + 1", "-2147483648"},
    };
    for (const auto& value : values) {
        EXPECT_EQ(value.second, valueOf(value.first)) << value.first;
    }
    const std::pair<const char*, const char*> conditions[] = {
        // "and" binds tighter than "or"; "not" applies to the comparison.
        {"true or false and false", "T"},
        {"m:a = 1 and m:a = 2 or m:a = 2", "T"},
        {"not m:a = 1", "T"},
        // A keyword needs white space after it: "false)" would be a name.
        {"(true or false ) and false", "F"},
        {"m:a + 1 > 2", "T"},
        {"3 < (m:a + 2)", "T"},
        {"((m:a = 2))", "T"},
    };
    for (const auto& condition : conditions) {
        EXPECT_EQ(condition.second, truthOf(condition.first)) << condition.first;
    }
}

// Chains of "+" and "-" of every length around the point where their
// pending operands move from the stack to the heap pair each operand with
// its own operator: 1000 - 1 + 2 - 3 + ... (n terms after the first).
TEST_F(ValueExpTest, LongArithmeticChainsKeepEachOperandWithItsOperator) {
    for (int n : {1, 7, 8, 9, 10, 25}) {
        std::string text = "1000";
        int expected = 1000;
        for (int i = 1; i <= n; ++i) {
            text += i % 2 == 1 ? " - " : " + ";
            text += std::to_string(i);
            expected += i % 2 == 1 ? -i : i;
        }
        EXPECT_EQ(std::to_string(expected), valueOf(text)) << text;
    }
}

TEST_F(ValueExpTest, EvaluationOrderDecidesWhichErrorWins) {
    struct Row {
        const char* expression;
        int code;  // 0: no error
    };
    const Row rows[] = {
        // Arithmetic evaluates its right operand first.
        {"inform (1 / 0) + (\"a\" - 1)", 202},
        {"inform (\"a\" - 1) + (1 / 0)", 203},
        // An unset left side of a comparison skips the right side.
        {"if m:a = 1 / 0 then endif", 0},
        {"if 1 / 0 = m:a then endif", 203},
        {"if 1 = m:a then endif", 0},
        // Both sides of "or" and "and" are always evaluated.
        {"if true or 1 / 0 = 1 then endif", 203},
        {"if false and 1 / 0 = 1 then endif", 203},
        // Orderings refuse kinds without an order; equality never fails.
        {"if true < false then endif", 202},
        {"if 1 < \"a\" then endif", 202},
        {"if 1 = \"a\" then endif", 0},
        {"inform -\"x\"", 202},
        // A condition that is not logical runs neither part and is no error.
        {"if m:lim then inform 1 endif", 0},
    };
    for (const Row& row : rows) {
        if (row.code == 0) {
            EXPECT_NO_THROW(run(row.expression)) << row.expression;
        } else {
            EXPECT_ZAM_CODE(run(row.expression), row.code);
        }
    }
}

#if !ZAMCORE_EARLIER_INTERFACE
TEST_F(ValueExpTest, MultiValuedOptionsCompareBySomeValue) {
    choose("mv", ZAMValue::createInt(1));
    choose("mv", ZAMValue::createInt(5));
    choose("ms", ZAMValue::createString("a"));
    choose("ms", ZAMValue::createString("b"));
    EXPECT_EQ("1|5", valuesOf("mv"));
    const std::pair<const char*, const char*> rows[] = {
        {"m:mv > 3", "T"},     {"m:mv < 0", "F"},      {"3 < m:mv", "T"},    {"6 <= m:mv", "F"},
        {"m:ms = \"a\"", "T"}, {"m:ms != \"a\"", "T"}, {"m:mv = m:mv", "T"}, {"m:ms = \"c\"", "F"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.second, truthOf(row.first)) << row.first;
    }
    // Read as a single value, a multi-valued option gives its first value.
    EXPECT_EQ("1", valueOf("m:mv"));
}
#endif

TEST_F(ValueExpTest, ReadingAnOptionGivesItADefaultEntry) {
    m->addOptionString("public d integer default 7");
    EXPECT_EQ("8", valueOf("m:d + 1"));
    EXPECT_EQ(ZAMSelOptionSet::Default, howSetOf("d"));
    EXPECT_EQ(1u, set->contents().count(option("d")));
    // An option the window cannot find reads as unset.
    EXPECT_EQ("***UNSET***", valueOf("nowhere:x"));
}

}  // namespace
