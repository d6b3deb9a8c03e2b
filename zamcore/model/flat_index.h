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
// The entries of a run of occupied slots are kept in the order of their home
// slots (an entry passes one that sits nearer its own home), so that a search
// stops as soon as it meets an entry nearer home than it would be, and a
// removal moves back only the entries that are away from home. Keys whose
// hashes are consecutive numbers then sit each in its own home slot, one
// after another.
//
// `Traits` says what is indexed and by what:
//   using Item = ...;  using Key = ...;   (Key is cheap to copy)
//   static Key keyOf(const Item&);
//   static std::uint64_t hash(Key);      (spread over the low bits)
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
        const std::size_t found = locate(Traits::keyOf(*item));
        if (found != kNowhere) {
            table_[found].item = item;
            return;
        }
        reserveOne();
        place(Slot{Traits::hash(Traits::keyOf(*item)), item});
        ++size_;
    }

    // Takes out the item with this key; nothing when there is none. The
    // entries after it that are away from home move one slot back, so that
    // no mark of the removed entry is left behind.
    void erase(Key key) {
        std::size_t gap = locate(key);
        if (gap == kNowhere) {
            return;
        }
        for (std::size_t at = next(gap); table_[at].item != nullptr && distance(at) != 0;
             at = next(at)) {
            table_[gap] = table_[at];
            gap = at;
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
    std::size_t home(std::uint64_t h) const { return static_cast<std::size_t>(h) & mask(); }
    std::size_t next(std::size_t at) const { return (at + 1) & mask(); }
    // How far the entry at `at` sits from its home slot.
    std::size_t distance(std::size_t at) const { return (at - home(table_[at].hash)) & mask(); }

    std::size_t locate(Key key) const {
        if (size_ == 0) {
            return kNowhere;
        }
        const std::uint64_t h = Traits::hash(key);
        std::size_t at = home(h);
        for (std::size_t travelled = 0; table_[at].item != nullptr && distance(at) >= travelled;
             at = next(at), ++travelled) {
            if (table_[at].hash == h && Traits::keyOf(*table_[at].item) == key) {
                return at;
            }
        }
        return kNowhere;
    }

    // Puts an entry that is not in the table yet where the order of home
    // slots wants it, moving on the entries it passes. There is room.
    void place(Slot incoming) {
        std::size_t travelled = 0;
        for (std::size_t at = home(incoming.hash);; at = next(at), ++travelled) {
            if (table_[at].item == nullptr) {
                table_[at] = incoming;
                return;
            }
            const std::size_t theirs = distance(at);
            if (theirs < travelled) {
                std::swap(table_[at], incoming);
                travelled = theirs;
            }
        }
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

    // A table at most half full for `wanted` entries, the entries placed
    // again.
    void resize(std::size_t wanted) {
        std::size_t slots = kSmallest;
        while (slots < wanted * 2) {
            slots *= 2;
        }
        std::vector<Slot> old(slots);
        old.swap(table_);
        for (const Slot& slot : old) {
            if (slot.item != nullptr) {
                place(slot);
            }
        }
    }

    std::vector<Slot> table_;
    std::size_t size_ = 0;
};

}  // namespace zamcore

#endif
