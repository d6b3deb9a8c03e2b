#include <zamcore/zamcore.h>

#include <vector>

#include "support/test_adapter.h"
#include "support/zam_test.h"

namespace {

// Overrides the single legacy getter and setter only, to see what the
// defaults of their multi-value twins do with them.
class LegacyAdapter : public TestAdapter {
public:
    ref_count_ptr<ZAMValue> value = ZAMValue::createInt(42);
    int singleSets = 0;

    ref_count_ptr<ZAMValue> getLegacyOptionValue(ZAMWindow*,
                                                 const ref_count_ptr<ZAMOption>&) override {
        return value;
    }
    void setLegacyOptionValue(ZAMWindow*, const ref_count_ptr<ZAMOption>&,
                              const ref_count_ptr<ZAMValue>&) override {
        ++singleSets;
    }
};

using LegacyValueTest = ZamTest;

TEST_F(LegacyValueTest, OperationsNeedingTheAdapterThrowCodeThreeWithoutOne) {
    TestAdapter adapter;
    ZAM::initialize(&adapter);
    ref_count_ptr<ZAMWindow> window = ZAM::createWindow();
    window->createModule("present");
    window->moduleNeedsRefresh("present");
    ZAM::initialize(nullptr);

    EXPECT_ZAM_CODE(window->getModule("missing"), 3);
    EXPECT_ZAM_CODE(window->getLegacyOptionValue(ref_count_ptr<ZAMOption>()), 3);
#if !ZAMCORE_EARLIER_INTERFACE
    EXPECT_ZAM_CODE(window->getLegacyOptionValues(ref_count_ptr<ZAMOption>()), 3);
#endif
    EXPECT_ZAM_CODE(
        window->setLegacyOptionValue(ref_count_ptr<ZAMOption>(), ZAMValue::createUnset()), 3);
#if !ZAMCORE_EARLIER_INTERFACE
    EXPECT_ZAM_CODE(window->setLegacyOptionValues(ref_count_ptr<ZAMOption>(), {}), 3);
#endif
    EXPECT_TRUE(adapter.calls.empty());
}

#if !ZAMCORE_EARLIER_INTERFACE
TEST_F(LegacyValueTest, DefaultLegacyValuesAreUnsetAndMultiValueGetterForwards) {
    TestAdapter plain;
    AdapterGuard guard(&plain);
    ref_count_ptr<ZAMWindow> window = ZAM::createWindow();
    ref_count_ptr<ZAMValue> unset = window->getLegacyOptionValue(ref_count_ptr<ZAMOption>());
    EXPECT_EQ(ZAMValue::createUnset().get(), unset.get());
    std::vector<ref_count_ptr<ZAMValue>> values =
        window->getLegacyOptionValues(ref_count_ptr<ZAMOption>());
    ASSERT_EQ(1u, values.size());
    EXPECT_EQ(unset.get(), values[0].get());

    LegacyAdapter legacy;
    ZAM::initialize(&legacy);
    values = window->getLegacyOptionValues(ref_count_ptr<ZAMOption>());
    ASSERT_EQ(1u, values.size());
    EXPECT_EQ(legacy.value.get(), values[0].get());

    window->setLegacyOptionValues(ref_count_ptr<ZAMOption>(), values);
    EXPECT_EQ(0, legacy.singleSets) << "the multi-value setter must not forward";
    window->setLegacyOptionValue(ref_count_ptr<ZAMOption>(), values[0]);
    EXPECT_EQ(1, legacy.singleSets);
}
#endif

}  // namespace
