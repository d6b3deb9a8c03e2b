#include <zamcore/zamcore.h>

#include <string>

#include "support/caught_error.h"
#include "support/window_fixture.h"
#include "zamcore/configuration/sos_entry.h"

// What differs between the two revisions of the interface: the earlier one
// refuses the texts of what it lacks (never dropping them silently) and keeps
// one value per option.
namespace {

constexpr bool kEarlier = ZAMCORE_EARLIER_INTERFACE != 0;

using InterfaceRevisionTest = WindowFixture;

TEST_F(InterfaceRevisionTest, TheLibraryIsTheRevisionOfItsHeaders) {
    EXPECT_EQ(ZAMCORE_EARLIER_INTERFACE, zamcore_revision::linkedRevision());
}

TEST_F(InterfaceRevisionTest, TextsOfWhatTheEarlierRevisionLacksAreRefused) {
    ref_count_ptr<ZAMModule> module = window->createModule("m");
    struct Row {
        const char* declaration;
        const char* earlierError;  // the current revision accepts the line
    };
    const Row declarations[] = {
        {"public a integer : mandatory", "Spurious extra input found"},
        {"public b integer non_mutually_exclusive = 1 to 5", "Spurious extra input found"},
        {"public c string \"why\" : mandatory default \"x\"", "Spurious extra input found"},
    };
    for (const Row& row : declarations) {
        SCOPED_TRACE(row.declaration);
        if (kEarlier) {
            EXPECT_EQ(row.earlierError,
                      catchSyntaxError([&] { module->addOptionString(row.declaration); }).info);
        } else {
            EXPECT_NO_THROW(module->addOptionString(row.declaration));
        }
    }
    for (const char* rules : {"mutually_exclusive : [a, b]", "mutually_exclusive : {c.x, c.y}",
                              "inform 1 mutually_exclusive : [a]"}) {
        SCOPED_TRACE(rules);
        if (kEarlier) {
            EXPECT_EQ("Unexpected input mutually_exclusive",
                      catchSyntaxError([&] { module->setRkl(rules); }).info);
        } else {
            EXPECT_NO_THROW(module->setRkl(rules));
        }
    }
    module = ref_count_ptr<ZAMModule>();
}

// The earlier revision has no multi-valued options: a second value replaces
// the first when the override rule allows it, as for any option now.
TEST_F(InterfaceRevisionTest, EveryReplacementIsTheOverrideRulesDecision) {
    ref_count_ptr<ZAMModule> module = window->createModule("m");
    ref_count_ptr<ZAMOption> size = module->addOptionString("public size integer");
    ZAMSelOptionSet set(window);
    const auto put = [&](int value, ZAMSelOptionSet::HowSet howSet) {
        set.set(zamcore::makeEntry(size, ZAMPath(), ZAMValue::createInt(value), howSet));
    };
    put(1, ZAMSelOptionSet::UserFixed);
    put(2, ZAMSelOptionSet::RuleSet);  // refused: a rule does not replace a fixed value
    put(3, ZAMSelOptionSet::Imposed);
    const ZAMSelOptionSet::ZAMSosEntry& entry = set.get(size);
    ASSERT_EQ(1u, zamcore::valueCount(entry));
    EXPECT_EQ("3", zamcore::firstValue(entry)->displayString());
    EXPECT_EQ(ZAMSelOptionSet::Imposed, zamcore::firstHowSet(entry));
    size = ref_count_ptr<ZAMOption>();
    module = ref_count_ptr<ZAMModule>();
}

}  // namespace
