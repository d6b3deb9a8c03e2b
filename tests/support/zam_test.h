#ifndef ZAMCORE_TESTS_SUPPORT_ZAM_TEST_H
#define ZAMCORE_TESTS_SUPPORT_ZAM_TEST_H

#include <gtest/gtest.h>

#include <cstdint>

// Base fixture of every suite. It makes sure the process-wide shared values
// exist before counting, and fails the test after which the number of live
// counted objects differs from what it was before: a leak, or an object
// released once too often. It also leaves no adapter and no throw callback
// installed for the next test.
class ZamTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Live counted objects in the process right now.
    static std::int32_t liveObjects();

private:
    std::int32_t liveAtStart_ = 0;
};

// Expects `statement` to throw a ZAMException with `expected` as its code.
#define EXPECT_ZAM_CODE(statement, expected)                                 \
    do {                                                                     \
        try {                                                                \
            statement;                                                       \
            ADD_FAILURE() << "expected code " << (expected) << ", no throw"; \
        } catch (const ZAMException& zamError) {                             \
            EXPECT_EQ((expected), zamError.code()) << zamError.info();       \
        }                                                                    \
    } while (false)

#endif
