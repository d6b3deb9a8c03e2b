#include <zamcore/zamcore.h>

#include "support/test_adapter.h"
#include "support/zam_test.h"
#include "zamcore/configuration/sos_entry.h"

namespace {

using OverrideRuleTest = ZamTest;

ZAMSelOptionSet::ZAMSosEntry entryWith(int howSet) {
    return zamcore::makeEntry(ref_count_ptr<ZAMOption>(), ZAMPath(), ZAMValue::createInt(1),
                              static_cast<ZAMSelOptionSet::HowSet>(howSet));
}

TEST_F(OverrideRuleTest, DefaultOverrideRuleFollowsThePrecedenceTable) {
    // Rows: stored how-set; columns: incoming how-set; 'x' marks the error.
    const char* const expected[7] = {
        "xyyyyyy",  // Default
        "nyyyyyy",  // UserSet
        "nyyyyyy",  // RuleSet
        "nynynyy",  // UserFixed
        "nnnnnyy",  // RuleFixed
        "nnnnnny",  // Inherited
        "yyyyyyy",  // Imposed
    };
    TestAdapter adapter;
    for (int stored = 0; stored < 7; ++stored) {
        for (int incoming = 0; incoming < 7; ++incoming) {
            const char cell = expected[stored][incoming];
            const auto how = static_cast<ZAMSelOptionSet::HowSet>(incoming);
            SCOPED_TRACE(testing::Message() << "stored " << stored << " incoming " << incoming);
            if (cell == 'x') {
                try {
                    adapter.allowOptionOverride(entryWith(stored), nullptr, how);
                    ADD_FAILURE() << "a default replacing a default must throw";
                } catch (const ZAMException& error) {
                    EXPECT_EQ(2, error.code());
                    EXPECT_EQ("Trying to change a default value with another default",
                              error.info());
                }
            } else {
                EXPECT_EQ(cell == 'y',
                          adapter.allowOptionOverride(entryWith(stored), nullptr, how));
            }
        }
    }
}

TEST_F(OverrideRuleTest, DefaultOverrideRuleRefusesUnknownStoredHowSet) {
    TestAdapter adapter;
    for (int stored : {-1, 7, 100}) {
        try {
            adapter.allowOptionOverride(entryWith(stored), nullptr, ZAMSelOptionSet::UserSet);
            ADD_FAILURE() << "stored how-set " << stored;
        } catch (const ZAMException& error) {
            EXPECT_EQ(2, error.code());
            EXPECT_EQ("Invalid value for HowSet", error.info());
        }
    }
    // An incoming number past the table weighs like the strongest how-set.
    EXPECT_TRUE(adapter.allowOptionOverride(entryWith(ZAMSelOptionSet::UserSet), nullptr,
                                            static_cast<ZAMSelOptionSet::HowSet>(9)));
    EXPECT_TRUE(adapter.allowOptionOverride(entryWith(ZAMSelOptionSet::Inherited), nullptr,
                                            static_cast<ZAMSelOptionSet::HowSet>(9)));
    // A negative one weighs less than anything: only a default or an imposed
    // value yields to it.
    const auto negative = static_cast<ZAMSelOptionSet::HowSet>(-1);
    for (int stored = 0; stored < 7; ++stored) {
        const bool yields =
            stored == ZAMSelOptionSet::Default || stored == ZAMSelOptionSet::Imposed;
        EXPECT_EQ(yields, adapter.allowOptionOverride(entryWith(stored), nullptr, negative))
            << "stored " << stored;
    }
}

}  // namespace
