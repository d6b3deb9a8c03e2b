#ifndef ZAMCORE_MODEL_FLAT_INDEX_H
#define ZAMCORE_MODEL_FLAT_INDEX_H

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace zamcore {

// A hashed index over objects that something else owns: one flat table of
// (hash, pointer) slots, probed linearly, with no allocation per entry. The
// maps it stands beside stay the record of what there is (and of its order);
// the index only finds an entry by key in a step or two instead of a walk
// down a tree of strings, and whoever changes the map changes the index with
// it.
//
// `Traits` says what is indexed and by what:
//   using Item = ...;  using Key = ...;   (Key is cheap to copy)
//   static Key keyOf(const Item&);
//   static std::uint64_t hash(Key);
// An item's key must not change while it is in the index.
template <class Traits>
class FlatIndex {
public:
    using Item = typename Traits::Item;
    using Key = typename Traits::Key;

    // The item with this key, or null.
    Item* find(Key key) const {
        const std::size_t at = locate(key);
        return at != kNowhere ? table_[at].item : nullptr;
    }

    // Makes room for one more item, so that the next insert cannot fail:
    // called before the map changes, the map and the index change together
    // or not at all.
    void reserveOne() {
        if ((size_ + 1) * 4 > table_.size() * 3) {
            resize(size_ + 1);
        }
    }

    // Enters `item`, in place of any item with the same key.
    void insert(Item* item) {
        reserveOne();
        const std::uint64_t h = Traits::hash(Traits::keyOf(*item));
        std::size_t at = home(h);
        for (; table_[at].item != nullptr; at = next(at)) {
            if (table_[at].hash == h && Traits::keyOf(*table_[at].item) == Traits::keyOf(*item)) {
                table_[at].item = item;
                return;
            }
        }
        table_[at] = Slot{h, item};
        ++size_;
    }

    // Takes out the item with this key; nothing when there is none. The
    // entries after it move back into the gap, so that no probe ever stops
    // early at a hole and no mark of a removed entry is left behind.
    void erase(Key key) {
        std::size_t gap = locate(key);
        if (gap == kNowhere) {
            return;
        }
        for (std::size_t at = next(gap); table_[at].item != nullptr; at = next(at)) {
            // An entry may fill the gap when the gap lies on its probe path:
            // cyclically between its home and where it is now.
            const std::size_t distanceNow = (at - home(table_[at].hash)) & mask();
            const std::size_t distanceGap = (at - gap) & mask();
            if (distanceGap <= distanceNow) {
                table_[gap] = table_[at];
                gap = at;
            }
        }
        table_[gap] = Slot{};
        --size_;
        shrinkIfSparse();
    }

    // Holds exactly the items of `items` (through `itemOf`) afterwards: for a
    // map that is replaced as a whole. Unchanged when it fails.
    template <class Range, class ItemOf>
    void rebuild(const Range& items, ItemOf itemOf) {
        FlatIndex fresh;
        for (const auto& entry : items) {
            fresh.insert(itemOf(entry));
        }
        swap(fresh);
    }

    void swap(FlatIndex& other) noexcept {
        table_.swap(other.table_);
        std::swap(size_, other.size_);
    }

    std::size_t size() const { return size_; }

private:
    struct Slot {
        std::uint64_t hash = 0;
        Item* item = nullptr;
    };

    static constexpr std::size_t kNowhere = static_cast<std::size_t>(-1);
    static constexpr std::size_t kSmallest = 8;

    std::size_t mask() const { return table_.size() - 1; }
    // The low bits: string hashes are spread over all of theirs, and
    // consecutive numbers land in consecutive slots, so that entering them
    // in order walks the table instead of jumping about it.
    std::size_t home(std::uint64_t h) const { return static_cast<std::size_t>(h) & mask(); }
    std::size_t next(std::size_t at) const { return (at + 1) & mask(); }

    std::size_t locate(Key key) const {
        if (size_ == 0) {
            return kNowhere;
        }
        const std::uint64_t h = Traits::hash(key);
        for (std::size_t at = home(h); table_[at].item != nullptr; at = next(at)) {
            if (table_[at].hash == h && Traits::keyOf(*table_[at].item) == key) {
                return at;
            }
        }
        return kNowhere;
    }

    // Erasing never fails: a table that cannot get the memory to shrink
    // stays as large as it is.
    void shrinkIfSparse() noexcept {
        if (size_ * 8 >= table_.size() || table_.size() <= kSmallest) {
            return;
        }
        try {
            resize(size_);
        } catch (...) {
        }
    }

    // A table at most half full for `wanted` entries, the entries entered
    // again.
    void resize(std::size_t wanted) {
        std::size_t slots = kSmallest;
        while (slots < wanted * 2) {
            slots *= 2;
        }
        std::vector<Slot> old(slots);
        old.swap(table_);
        size_ = 0;
        for (const Slot& slot : old) {
            if (slot.item != nullptr) {
                std::size_t at = home(slot.hash);
                while (table_[at].item != nullptr) {
                    at = next(at);
                }
                table_[at] = slot;
                ++size_;
            }
        }
    }

    std::vector<Slot> table_;
    std::size_t size_ = 0;
};

}  // namespace zamcore

#endif
