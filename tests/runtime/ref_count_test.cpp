#include <zamcore/zamcore.h>

#include <set>
#include <utility>

#include "support/zam_test.h"

namespace {

// A counted object that reports its destruction.
class Probe : public ref_count {
public:
    explicit Probe(int* destroyed) : destroyed_(destroyed) {}
    ~Probe() override { ++*destroyed_; }

private:
    int* destroyed_;
};

class Derived : public Probe {
public:
    using Probe::Probe;
};

using RefCountTest = ZamTest;

TEST_F(RefCountTest, FirstHandleOwnsTheNewObjectAndLastReleaseDeletesIt) {
    int destroyed = 0;
    Probe* raw = new Probe(&destroyed);
    {
        ref_count_ptr<Probe> first(raw);
        {
            ref_count_ptr<Probe> second = first;
            ref_count_ptr<Probe> third;
            third = second;
        }
        EXPECT_EQ(0, destroyed);
        EXPECT_EQ(raw, first.get());
    }
    EXPECT_EQ(1, destroyed);
}

TEST_F(RefCountTest, ObjectWithoutHandleIsNotDeleted) {
    int destroyed = 0;
    Probe* raw = new Probe(&destroyed);
    raw->addReference();
    raw->removeReference();  // back to 0: deleted, like the last handle
    EXPECT_EQ(1, destroyed);

    Probe* unowned = new Probe(&destroyed);
    EXPECT_EQ(1, destroyed);
    delete unowned;
}

TEST_F(RefCountTest, SelfAssignmentAndSamePointerAssignmentKeepTheCount) {
    int destroyed = 0;
    ref_count_ptr<Probe> a(new Probe(&destroyed));
    ref_count_ptr<Probe> b = a;
    const ref_count_ptr<Probe>& alias = a;
    a = alias;
    a = b;
    b = a.get();
    b = ref_count_ptr<Probe>();
    EXPECT_EQ(0, destroyed) << "a still holds the object";
    a = ref_count_ptr<Probe>();
    EXPECT_EQ(1, destroyed);
}

TEST_F(RefCountTest, ReassignmentReleasesTheOldObject) {
    int destroyedA = 0;
    int destroyedB = 0;
    ref_count_ptr<Probe> handle(new Probe(&destroyedA));
    handle = new Probe(&destroyedB);
    EXPECT_EQ(1, destroyedA);
    EXPECT_EQ(0, destroyedB);
    ref_count_ptr<Probe> moved = std::move(handle);
    EXPECT_FALSE(handle);
    EXPECT_TRUE(moved);
    // Moving a handle onto itself keeps the object; through an alias, as it
    // happens in real code, where no compiler sees it coming.
    ref_count_ptr<Probe>& alias = moved;
    moved = std::move(alias);
    EXPECT_TRUE(moved);
    EXPECT_EQ(0, destroyedB);
}

TEST_F(RefCountTest, GlobalCountFollowsConstructionAndDestruction) {
    int destroyed = 0;
    const int before = liveObjects();
    {
        ref_count_ptr<Probe> a(new Probe(&destroyed));
        EXPECT_EQ(before + 1, liveObjects());
        ref_count_ptr<Probe> b(new Derived(&destroyed));
        EXPECT_EQ(before + 2, liveObjects());
        b = a;
        EXPECT_EQ(before + 1, liveObjects());
    }
    EXPECT_EQ(before, liveObjects());
}

TEST_F(RefCountTest, HandlesCompareByIdentityAndConvertToBase) {
    int destroyed = 0;
    ref_count_ptr<Derived> derived(new Derived(&destroyed));
    ref_count_ptr<Probe> base = derived;
    ref_count_ptr<Probe> same(derived.get());
    ref_count_ptr<Probe> other(new Probe(&destroyed));
    EXPECT_TRUE(base == same);
    EXPECT_FALSE(base != same);
    EXPECT_TRUE(base != other);
    EXPECT_FALSE(ref_count_ptr<Probe>());
    EXPECT_EQ(derived.get(), &*base);

    std::set<ref_count_ptr<Probe>> set{base, same, other};
    EXPECT_EQ(2u, set.size());
}

static_assert(sizeof(ref_count_ptr<Probe>) == sizeof(Probe*), "handles are one pointer wide");

}  // namespace
