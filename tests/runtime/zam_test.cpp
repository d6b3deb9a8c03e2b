#include <zamcore/zamcore.h>

#include <string>
#include <vector>

#include "support/test_adapter.h"
#include "support/zam_test.h"

namespace {

std::vector<int> reported;

void recordCode(int code) {
    reported.push_back(code);
}

class FacadeTest : public ZamTest {
protected:
    void SetUp() override {
        ZamTest::SetUp();
        reported.clear();
    }
};

TEST_F(FacadeTest, CreateWindowWithoutAdapterThrowsCodeThree) {
    ZAMException::setThrowCallback(&recordCode);
    try {
        ZAM::createWindow();
        FAIL() << "no adapter is installed";
    } catch (const ZAMException& error) {
        EXPECT_EQ(3, error.code());
        EXPECT_TRUE(error.info().empty() && error.context().empty() && error.extrainfo2().empty());
    }
    EXPECT_EQ(std::vector<int>{3}, reported);

    TestAdapter adapter;
    ZAM::initialize(&adapter);
    EXPECT_EQ(&adapter, ZAM::adapterInterface());
    ZAM::initialize(nullptr);
    EXPECT_EQ(nullptr, ZAM::adapterInterface());
    EXPECT_ZAM_CODE(ZAM::createWindow(), 3);
}

TEST_F(FacadeTest, NewWindowIsEmpty) {
    TestAdapter adapter;
    AdapterGuard guard(&adapter);
    ref_count_ptr<ZAMWindow> window = ZAM::createWindow();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->moduleMap().empty());
    EXPECT_EQ(nullptr, window->askRoot());
    EXPECT_EQ(nullptr, window->currentlyEvaluating());
#if !ZAMCORE_EARLIER_INTERFACE
    EXPECT_EQ(ZAMWindow::LegacyOnly, window->askVariantsMode());
#endif
    EXPECT_TRUE(adapter.calls.empty());
}

TEST_F(FacadeTest, DefaultUserMessageLetsEvaluationContinue) {
    TestAdapter adapter;
    for (ZAM::MsgSeverity severity : {ZAM::Inform, ZAM::Warn, ZAM::Error}) {
        EXPECT_TRUE(adapter.userMsg(nullptr, severity, "text", nullptr));
    }
    EXPECT_EQ(0, ZAM::Inform);
    EXPECT_EQ(1, ZAM::Warn);
    EXPECT_EQ(2, ZAM::Error);
}

TEST_F(FacadeTest, DefaultLocalizeStringUsesTheTableOrTheKey) {
    TestAdapter adapter;
    EXPECT_EQ("Unexpected input", adapter.localizeString("SE_unexpected"));
    EXPECT_EQ("SE_extra_input", adapter.localizeString("SE_extra_input"));
    EXPECT_EQ("no such key", adapter.localizeString("no such key"));
}

}  // namespace
