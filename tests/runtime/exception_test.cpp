#include <zamcore/zamcore.h>

#include <vector>

#include "support/zam_test.h"

namespace {

std::vector<int> reported;

void recordCode(int code) {
    reported.push_back(code);
}

class ExceptionTest : public ZamTest {
protected:
    void SetUp() override {
        ZamTest::SetUp();
        reported.clear();
    }
};

TEST_F(ExceptionTest, ConstructorsFillCodeLineAndTexts) {
    ZAMException plain(105, "info", "context", "extra");
    EXPECT_EQ(105, plain.code());
    EXPECT_EQ(0, plain.line());
    EXPECT_EQ(nullptr, plain.node());
    EXPECT_EQ("info", plain.info());
    EXPECT_EQ("context", plain.context());
    EXPECT_EQ(&plain.context(), &plain.extrainfo1());
    EXPECT_EQ("extra", plain.extrainfo2());

    ZAMException lined(2, 17, "a", "b", "c");
    EXPECT_EQ(17, lined.line());
    EXPECT_EQ("c", lined.extrainfo2());

    ZAMException empty;
    EXPECT_EQ(0, empty.code());
    EXPECT_EQ(0, empty.line());
    EXPECT_EQ(nullptr, empty.node());
    EXPECT_TRUE(empty.info().empty() && empty.context().empty() && empty.extrainfo2().empty());
}

TEST_F(ExceptionTest, SyntaxErrorIsCodeTenAndCaughtAsException) {
    try {
        throw ZAMSyntaxError("Unexpected input", "abc\n^", 4);
    } catch (const ZAMException& error) {
        EXPECT_EQ(10, error.code());
        EXPECT_EQ(4, error.line());
        EXPECT_EQ("Unexpected input", error.info());
        EXPECT_EQ("abc\n^", error.extrainfo1());
        EXPECT_TRUE(error.extrainfo2().empty());
    }
}

TEST_F(ExceptionTest, SettersAnnotateACaughtException) {
    ZAMException error(500, "", "", "");
    ZAMNode* node = reinterpret_cast<ZAMNode*>(&error);
    error.setNode(node);
    error.setLine(12);
    EXPECT_EQ(node, error.node());
    EXPECT_EQ(12, error.line());
    ZAMException copy(error);
    EXPECT_EQ(node, copy.node());
    EXPECT_EQ(12, copy.line());
    EXPECT_EQ(500, copy.code());
}

TEST_F(ExceptionTest, CallbackSeesEveryCodedConstructionButNoCopy) {
    ZAMException::setThrowCallback(&recordCode);
    ZAMException first(202, "", "", "");
    ZAMException second(2, 3, "", "", "");
    ZAMSyntaxError syntax("m", "c", 1);
    ZAMException copy(first);
    ZAMSyntaxError syntaxCopy(syntax);
    ZAMException defaulted;
    EXPECT_EQ((std::vector<int>{202, 2, 10}), reported);

    ZAMException::setThrowCallback(nullptr);
    ZAMException silent(1, "", "", "");
    EXPECT_EQ(3u, reported.size());
}

}  // namespace
