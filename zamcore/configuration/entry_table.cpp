#include "zamcore/configuration/entry_table.h"

#include <algorithm>

namespace zamcore {
namespace {

bool before(const EntrySlot& slot, std::int32_t id) {
    return slot.optionId < id;
}

bool after(std::int32_t id, const EntrySlot& slot) {
    return id < slot.optionId;
}

}  // namespace

std::size_t EntryTable::lowerBound(std::int32_t id) const {
    return static_cast<std::size_t>(std::lower_bound(slots_.begin(), slots_.end(), id, before) -
                                    slots_.begin());
}

std::size_t EntryTable::upperBound(std::int32_t id) const {
    return static_cast<std::size_t>(std::upper_bound(slots_.begin(), slots_.end(), id, after) -
                                    slots_.begin());
}

std::size_t EntryTable::find(std::int32_t id, const ZAMPath& path) const {
    const bool empty = path.isEmpty();
    for (std::size_t at = lowerBound(id); at < slots_.size() && slots_[at].optionId == id; ++at) {
        const EntrySlot& slot = slots_[at];
        if (slot.emptyPath == empty && (empty || slot.entry->path == path)) {
            return at;
        }
    }
    return npos;
}

std::size_t EntryTable::insert(SosEntry entry) {
    view_.reset();
    const std::int32_t id = entry.option->id();
    const bool emptyPath = entry.path.isEmpty();
    const std::size_t at = upperBound(id);
    slots_.insert(slots_.begin() + static_cast<std::ptrdiff_t>(at),
                  EntrySlot{id, emptyPath, EntryRef(std::move(entry))});
    return at;
}

void EntryTable::append(const EntryRef& entry) {
    view_.reset();
    slots_.push_back(EntrySlot{entry->option->id(), entry->path.isEmpty(), entry});
}

SosEntry& EntryTable::writable(std::size_t slot) {
    view_.reset();
    return slots_[slot].entry.writable();
}

void EntryTable::setPath(std::size_t slot, const ZAMPath& path) {
    writable(slot).path = path;
    slots_[slot].emptyPath = path.isEmpty();
}

void EntryTable::assign(Slots slots) {
    view_.reset();
    slots_ = std::move(slots);
}

const ZAMSelOptionSet::Contents& EntryTable::view() const {
    if (!view_) {
        view_ = std::make_unique<ZAMSelOptionSet::Contents>();
        for (const EntrySlot& slot : slots_) {
            view_->emplace_hint(view_->end(), slot.entry->option, *slot.entry);
        }
    }
    return *view_;
}

}  // namespace zamcore
