#include "text_position.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/zam_test.h"
#include "uri.h"

namespace {

using rkl::lsp::offsetAt;
using rkl::lsp::Position;
using rkl::lsp::positionAt;

class TextPositionTest : public ZamTest {};

struct PositionCase {
    std::size_t offset;
    int line;
    int character;
};

// "é" takes two bytes and one UTF-16 unit, "😀" four bytes and two units.
const std::string kText = "ab\n\xC3\xA9x\n\xF0\x9F\x98\x80y\n";

TEST_F(TextPositionTest, CountsUtf16UnitsBothWays) {
    const std::vector<PositionCase> cases = {
        {0, 0, 0}, {2, 0, 2},  {3, 1, 0},  {5, 1, 1},  {6, 1, 2},
        {7, 2, 0}, {11, 2, 2}, {12, 2, 3}, {13, 3, 0},
    };
    for (const PositionCase& c : cases) {
        SCOPED_TRACE(c.offset);
        const Position position = positionAt(kText, c.offset);
        EXPECT_EQ(c.line, position.line);
        EXPECT_EQ(c.character, position.character);
        EXPECT_EQ(c.offset, offsetAt(kText, Position{c.line, c.character}));
    }
}

TEST_F(TextPositionTest, ClampsPositionsOutsideTheText) {
    EXPECT_EQ(2u, offsetAt(kText, Position{0, 40}));  // past the line's end
    EXPECT_EQ(13u, offsetAt(kText, Position{9, 0}));  // past the last line
    EXPECT_EQ(7u, offsetAt(kText, Position{2, 1}));   // inside the surrogate pair
    EXPECT_EQ(3, positionAt(kText, 99).line);         // past the text's end
    EXPECT_EQ(0, positionAt(kText, 99).character);
}

TEST_F(TextPositionTest, TurnsPathsIntoUrisAndBack) {
    const std::vector<std::string> paths = {"/tmp/bike/frame.rkl", "/tmp/a b/%x/\xC3\xA9.rkl"};
    for (const std::string& path : paths) {
        EXPECT_EQ(path, rkl::lsp::pathFromUri(rkl::lsp::uriFromPath(path)));
    }
    EXPECT_EQ("file:///tmp/a%20b/%25x", rkl::lsp::uriFromPath("/tmp/a b/%x"));
    EXPECT_EQ("/C:/x", rkl::lsp::pathFromUri("file:///C%3A/x"));
    for (const char* refused : {"http://host/x", "file://host/x", "file:///a%2", "file:///a%zz"}) {
        EXPECT_EQ("", rkl::lsp::pathFromUri(refused)) << refused;
    }
}

}  // namespace
