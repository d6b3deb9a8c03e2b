#include "support/zam_test.h"

#include <zamcore/zamcore.h>

namespace {

// The count is protected: a derived class may read it.
struct CountProbe : ref_count {
    static std::int32_t read() { return globalCount; }
};

}  // namespace

std::int32_t ZamTest::liveObjects() {
    return CountProbe::read();
}

void ZamTest::SetUp() {
    // The shared logical and unset values live until the process ends.
    ZAMValue::createBool(true);
    ZAMValue::createUnset();
    liveAtStart_ = liveObjects();
}

void ZamTest::TearDown() {
    ZAM::initialize(nullptr);
    ZAMException::setThrowCallback(nullptr);
    EXPECT_EQ(liveAtStart_, liveObjects()) << "counted objects leaked or over-released";
}
