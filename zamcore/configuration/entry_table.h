#ifndef ZAMCORE_CONFIGURATION_ENTRY_TABLE_H
#define ZAMCORE_CONFIGURATION_ENTRY_TABLE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "zamcore/configuration/sel_option_set.h"

namespace zamcore {

using SosEntry = ZAMSelOptionSet::ZAMSosEntry;

// A stored entry and the number of tables that hold it. Sets are copied at
// every node of an evaluation and most copies write a few entries at most,
// so tables share their entries one by one and a write copies only the entry
// it changes. The count is plain: a set, and everything it shares, is used by
// one thread at a time, like the counted values its entries hold.
class EntryRef {
public:
    EntryRef() = default;
    explicit EntryRef(SosEntry entry) : shared_(new Shared{1, std::move(entry)}) {}
    EntryRef(const EntryRef& other) noexcept : shared_(other.shared_) {
        if (shared_ != nullptr) {
            ++shared_->holders;
        }
    }
    EntryRef(EntryRef&& other) noexcept : shared_(std::exchange(other.shared_, nullptr)) {}
    EntryRef& operator=(EntryRef other) noexcept {
        std::swap(shared_, other.shared_);
        return *this;
    }
    ~EntryRef() {
        if (shared_ != nullptr && --shared_->holders == 0) {
            delete shared_;
        }
    }

    const SosEntry& operator*() const { return shared_->entry; }
    const SosEntry* operator->() const { return &shared_->entry; }
    // The entry for writing, copied first when another table holds it too.
    SosEntry& writable() {
        if (shared_->holders > 1) {
            *this = EntryRef(shared_->entry);
        }
        return shared_->entry;
    }

private:
    struct Shared {
        std::uint32_t holders;
        SosEntry entry;
    };
    Shared* shared_ = nullptr;
};

// One entry of the table: the option's id and whether the path is empty are
// kept beside the entry, so that lookups read neither the entry nor its
// option until they have found it.
struct EntrySlot {
    std::int32_t optionId;
    bool emptyPath;
    EntryRef entry;
};

// The entries of a selected option set in one array, ordered by option id,
// the entries of one option in order of insertion. The ordered multimap that
// hosts read through ZAMSelOptionSet::contents() is built from it only when
// asked for, and dropped at the next change.
//
// Paths are set when an entry is added and changed only through setPath:
// the flag beside each entry must stay true.
class EntryTable {
public:
    using Slots = std::vector<EntrySlot>;
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    EntryTable() = default;
    // Shares every entry; the multimap is built again when asked for.
    EntryTable(const EntryTable& other) : slots_(other.slots_) {}
    EntryTable& operator=(const EntryTable&) = delete;

    const Slots& slots() const { return slots_; }
    bool empty() const { return slots_.empty(); }
    std::size_t size() const { return slots_.size(); }
    void reserve(std::size_t count) { slots_.reserve(count); }

    // The first slot of option `id`, or where it would go.
    std::size_t lowerBound(std::int32_t id) const;
    // The slot after the last one of option `id`.
    std::size_t upperBound(std::int32_t id) const;
    // The first slot of option `id` at `path`, or npos.
    std::size_t find(std::int32_t id, const ZAMPath& path) const;

    // Adds an entry after the other entries of its option; returns its slot.
    std::size_t insert(SosEntry entry);
    // Adds a held entry after every other; the caller keeps the order.
    void append(const EntryRef& entry);
    // The entry at `slot` for writing its values and how-sets.
    SosEntry& writable(std::size_t slot);
    void setPath(std::size_t slot, const ZAMPath& path);
    // Replaces every slot; the caller keeps the order and the paths' flags.
    void assign(Slots slots);

    const ZAMSelOptionSet::Contents& view() const;

private:
    Slots slots_;
    mutable std::unique_ptr<ZAMSelOptionSet::Contents> view_;
};

// Reads of a set that rule and condition expressions make by an option id
// they remembered, without the counted handles of the public lookup.
class SetLookup {
public:
    // The set's window, not counted; null when it has none.
    static const ZAMWindow* window(const ZAMSelOptionSet& set) { return set.window_; }
    // The stored entry of option `id` at the empty path, or null. `hint`
    // is where the caller found it last: sets put into context for one
    // module hold that module's options at the same places, so it mostly
    // saves the search.
    static const SosEntry* stored(const ZAMSelOptionSet& set, std::int32_t id, std::size_t& hint) {
        const EntryTable* table = set.contents_.get();
        if (table == nullptr) {
            return nullptr;
        }
        const EntryTable::Slots& slots = table->slots();
        if (hint < slots.size() && slots[hint].optionId == id && slots[hint].emptyPath &&
            (hint == 0 || slots[hint - 1].optionId != id)) {
            return &*slots[hint].entry;
        }
        const std::size_t at = table->find(id, ZAMPath::EmptyPath);
        if (at == EntryTable::npos) {
            return nullptr;
        }
        hint = at;
        return &*slots[at].entry;
    }
};

}  // namespace zamcore

#endif
