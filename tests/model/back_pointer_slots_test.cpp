#include "zamcore/model/back_pointer_slots.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <random>
#include <set>
#include <vector>

namespace {

using zamcore::BackPointerSlots;
using Slot = BackPointerSlots::Slot;

std::set<Slot> listed(const BackPointerSlots& slots) {
    std::set<Slot> all;
    slots.forEach([&](Slot slot) { EXPECT_TRUE(all.insert(slot).second) << "listed twice"; });
    return all;
}

// Random entering and leaving, checked against an ordered set after every
// step: places sit next to each other in memory, so they crowd the same
// part of the table, and leaving ones leave marks that later entries reuse.
TEST(BackPointerSlotsTest, AgreesWithAnOrderedSetThroughEnteringAndLeaving) {
    struct Case {
        std::size_t places;
        int enterPercent;
        int steps;
    };
    const Case cases[] = {{4, 50, 200}, {100, 70, 5000}, {3000, 60, 30000}, {3000, 30, 30000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.places);
        std::vector<ZAMWindow*> places(c.places);
        BackPointerSlots slots;
        std::set<Slot> model;
        std::mt19937 random(7);
        for (int step = 0; step < c.steps; ++step) {
            Slot slot = &places[random() % places.size()];
            if (static_cast<int>(random() % 100) < c.enterPercent) {
                slots.insert(slot);
                model.insert(slot);
            } else {
                slots.erase(slot);
                model.erase(slot);
            }
            ASSERT_EQ(model.size(), slots.size());
            ASSERT_EQ(model.count(slot) != 0, slots.contains(slot));
        }
        EXPECT_EQ(model, listed(slots));
        for (ZAMWindow*& place : places) {
            EXPECT_EQ(model.count(&place) != 0, slots.contains(&place));
        }
    }
}

TEST(BackPointerSlotsTest, AnEmptyTableHasNothingToLeave) {
    BackPointerSlots slots;
    ZAMWindow* place = nullptr;
    slots.erase(&place);
    EXPECT_FALSE(slots.contains(&place));
    EXPECT_EQ(0u, slots.size());
    EXPECT_TRUE(listed(slots).empty());
}

}  // namespace
