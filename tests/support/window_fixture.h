#ifndef ZAMCORE_TESTS_SUPPORT_WINDOW_FIXTURE_H
#define ZAMCORE_TESTS_SUPPORT_WINDOW_FIXTURE_H

#include <zamcore/zamcore.h>

#include "support/test_adapter.h"
#include "support/zam_test.h"

// A test with the scriptable, message-recording adapter installed and one
// window open. Fixtures derived from it release their own handles in TearDown
// before calling this one, so that the leak check sees everything released.
class WindowFixture : public ZamTest {
protected:
    void SetUp() override {
        ZamTest::SetUp();
        ZAM::initialize(&adapter);
        window = ZAM::createWindow();
    }
    void TearDown() override {
        window = ref_count_ptr<ZAMWindow>();
        ZamTest::TearDown();
    }

    RecordingAdapter adapter;
    ref_count_ptr<ZAMWindow> window;
};

#endif
