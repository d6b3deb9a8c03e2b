#include <zamcore/zamcore.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "support/caught_error.h"
#include "support/zam_test.h"

namespace {

using Names = std::vector<std::string>;

class PathTest : public ZamTest {};

TEST_F(PathTest, ParsesNamesBetweenDots) {
    const std::pair<const char*, Names> cases[] = {
        {"", {}},
        {"  \n ", {}},
        {"...", {}},
        {"a..b", {"a", "b"}},
        {".a.b.", {"a", "b"}},
        {"a b", {"a", "b"}},
        {"frame # the top\n.'front axle'", {"frame", "front axle"}},
        {"a.if.b", {"a", "if", "b"}},
        {"_1.x2", {"_1", "x2"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.second, ZAMPath::parsePath(c.first).path()) << c.first;
    }
    EXPECT_TRUE(ZAMPath::parsePath("") == ZAMPath::EmptyPath);
}

TEST_F(PathTest, ParsePathRejectsWhatIsNotANameOrDot) {
    const std::pair<const char*, const char*> cases[] = {
        {"a,b", "a,b\n ^"},    {"a.10", "a.10\n  ^"},          {"if", "if\n^"},
        {"a.!b", "a.!b\n  ^"}, {"a\n.b\n[", "a .b [\n     ^"},
    };
    for (const auto& c : cases) {
        const CaughtError error = catchSyntaxError([&] { ZAMPath::parsePath(c.first); });
        EXPECT_EQ("Syntax Error Parsing paths - expected path id or '.'", error.info) << c.first;
        EXPECT_EQ(c.second, error.context);
    }
    EXPECT_EQ(3, catchSyntaxError([] { ZAMPath::parsePath("a\n.b\n["); }).line);
    EXPECT_EQ("Unterminated single quotes",
              catchSyntaxError([] { ZAMPath::parsePath("a.'b"); }).info);
}

TEST_F(PathTest, PrintsForDisplayAndForReadingBack) {
    const ZAMPath path(Names{"front axle", "it's", "x_1"});
    EXPECT_EQ("front axle.it's.x_1", path.toDisplayString());
    EXPECT_EQ(R"('front axle'.'it\'s'.x_1)", path.toParseableString());
    EXPECT_TRUE(ZAMPath::parsePath(path.toParseableString()) == path);

    const ZAMPath odd(Names{"10", "if", "a.b", "2nd"});
    EXPECT_TRUE(ZAMPath::parsePath(odd.toParseableString()) == odd) << odd.toParseableString();

    // A keyword alone prints unquoted and then reads as the keyword.
    const ZAMPath keyword(Names{"if"});
    EXPECT_EQ("if", keyword.toParseableString());
    EXPECT_TRUE(catchSyntaxError([&] { ZAMPath::parsePath(keyword.toParseableString()); }).thrown);
}

TEST_F(PathTest, ReadsAnOptionalBracketedPath) {
    ZAMLexer lexer("[front . 'left side'] rest");
    EXPECT_EQ((Names{"front", "left side"}), ZAMPath::parseBracketPath(lexer).path());
    EXPECT_EQ("rest", lexer.identifierValue());

    // Without "[" nothing is consumed.
    EXPECT_TRUE(ZAMPath::parseBracketPath(lexer).isEmpty());
    EXPECT_EQ("rest", lexer.identifierValue());

    ZAMLexer empty("[]");
    EXPECT_TRUE(ZAMPath::parseBracketPath(empty).isEmpty());
    EXPECT_EQ(ZAMLexer::TK_END, empty.type());
}

TEST_F(PathTest, UnclosedBracketRaisesAtTheOffendingToken) {
    const std::pair<const char*, const char*> cases[] = {
        {"[a,b]", "[a,b]\n  ^"},
        {"[a 1]", "[a 1]\n   ^"},
        {"[a", "[a\n  ^"},
    };
    for (const auto& c : cases) {
        ZAMLexer lexer(c.first);
        const CaughtError error = catchSyntaxError([&] { ZAMPath::parseBracketPath(lexer); });
        EXPECT_EQ("Syntax Error Parsing path - expected one '.'  or  ']'  or a path name",
                  error.info);
        EXPECT_EQ(c.second, error.context) << c.first;
    }
}

TEST_F(PathTest, CompareScoresTheFirstOccurrence) {
    const ZAMPath abc(Names{"a", "b", "c"});
    const std::pair<Names, int> cases[] = {
        {{"a"}, 4},       {{"b"}, 2},
        {{"c"}, 1},       {{"a", "b"}, 6},
        {{"b", "c"}, 3},  {{"a", "b", "c"}, 7},
        {{"c", "b"}, -1}, {{}, 0},
        {{"d"}, -1},      {{"a", "b", "c", "d"}, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.second, abc.compare(ZAMPath(c.first))) << ZAMPath(c.first).toDisplayString();
    }
    EXPECT_EQ(-1, ZAMPath().compare(ZAMPath(Names{"a"})));
    EXPECT_EQ(0, ZAMPath().compare(ZAMPath()));
    EXPECT_EQ(12, ZAMPath(Names{"a", "b", "a", "b"}).compare(ZAMPath(Names{"a", "b"})));
}

Names distinctNames(std::size_t count) {
    Names names;
    for (std::size_t i = 0; i < count; ++i) {
        names.push_back("n" + std::to_string(i));
    }
    return names;
}

int scoreOfRun(const Names& names, std::size_t start, std::size_t length) {
    const Names run(names.begin() + start, names.begin() + start + length);
    return ZAMPath(names).compare(ZAMPath(run));
}

// Runs listed by earlier start first and, for one start, longer first must
// score strictly less at each step down the list.
TEST_F(PathTest, CompareRanksRunsOfLongPathsLikeShortOnes) {
    for (std::size_t m : {1, 2, 30, 31, 32, 40}) {
        const Names names = distinctNames(m);
        int previous = INT_MAX;
        bool first = true;
        for (std::size_t start = 0; start < m; ++start) {
            for (std::size_t length = m - start; length >= 1; --length) {
                const int score = scoreOfRun(names, start, length);
                EXPECT_GT(score, 0);
                if (!first) {
                    EXPECT_LT(score, previous) << "m " << m << " start " << start;
                }
                previous = score;
                first = false;
            }
        }
    }
}

TEST_F(PathTest, CompareOfLongPathsIsTheRankOfTheRun) {
    const Names names31 = distinctNames(31);
    EXPECT_EQ(INT_MAX, scoreOfRun(names31, 0, 31));
    EXPECT_EQ(1 << 30, scoreOfRun(names31, 0, 1));

    const Names names32 = distinctNames(32);
    EXPECT_EQ(32 * 33 / 2, scoreOfRun(names32, 0, 32));
    EXPECT_EQ(31 * 32 / 2 + 1, scoreOfRun(names32, 0, 1));
    EXPECT_EQ(1, scoreOfRun(names32, 31, 1));

    // The rank fits up to 65535 names and saturates beyond.
    const Names names65535 = distinctNames(65535);
    EXPECT_EQ(2147450880, scoreOfRun(names65535, 0, 65535));
    EXPECT_EQ(2147450880 - 1, scoreOfRun(names65535, 0, 65534));
    const Names names65536 = distinctNames(65536);
    EXPECT_EQ(INT_MAX, scoreOfRun(names65536, 0, 65536));
    EXPECT_EQ(INT_MAX, scoreOfRun(names65536, 0, 32767));
    EXPECT_EQ(INT_MAX - 1, scoreOfRun(names65536, 0, 32766));
    EXPECT_EQ(2147385346, scoreOfRun(names65536, 1, 1));
    EXPECT_EQ(1, scoreOfRun(names65536, 65535, 1));
}

}  // namespace
