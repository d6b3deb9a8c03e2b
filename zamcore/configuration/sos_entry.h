#ifndef ZAMCORE_CONFIGURATION_SOS_ENTRY_H
#define ZAMCORE_CONFIGURATION_SOS_ENTRY_H

#include <cstddef>
#include <utility>

#include "zamcore/configuration/sel_option_set.h"
#include "zamcore/model/option.h"
#include "zamcore/revision.h"

namespace zamcore {

// An entry of a selected option set lists its values, each with its how-set;
// in the earlier revision of the interface it holds exactly one of each. The
// engine reads and writes entries only through these, so that everything
// else is the same in both revisions.

using SosEntry = ZAMSelOptionSet::ZAMSosEntry;
using HowSet = ZAMSelOptionSet::HowSet;
using EntryValue = ref_count_ptr<ZAMValue>;

#if ZAMCORE_EARLIER_INTERFACE

inline std::size_t valueCount(const SosEntry& entry) {
    return entry.value ? 1 : 0;
}
inline const EntryValue& valueAt(const SosEntry& entry, std::size_t) {
    return entry.value;
}
inline HowSet howSetAt(const SosEntry& entry, std::size_t) {
    return entry.howSet;
}
// Replaces the first value and its how-set.
inline void setFirst(SosEntry& entry, EntryValue value, HowSet howSet) {
    entry.value = std::move(value);
    entry.howSet = howSet;
}
// Gives the entry exactly this one value.
inline void setOnly(SosEntry& entry, EntryValue value, HowSet howSet) {
    setFirst(entry, std::move(value), howSet);
}
// Gives `entry` the values of `from`, each with `howSet`.
inline void assignValues(SosEntry& entry, const SosEntry& from, HowSet howSet) {
    setFirst(entry, from.value, howSet);
}
// Adds a value; an entry holds only one, so it replaces the one it had.
inline void appendValue(SosEntry& entry, EntryValue value, HowSet howSet) {
    setFirst(entry, std::move(value), howSet);
}
// Whether the option collects several values in a set: every option holds
// one value in the earlier revision.
inline bool collectsValues(const ZAMOption&) {
    return false;
}

#else

inline std::size_t valueCount(const SosEntry& entry) {
    return entry.values.size();
}
inline const EntryValue& valueAt(const SosEntry& entry, std::size_t index) {
    return entry.values[index];
}
inline HowSet howSetAt(const SosEntry& entry, std::size_t index) {
    return entry.howSets[index];
}
inline void setFirst(SosEntry& entry, EntryValue value, HowSet howSet) {
    entry.values.front() = std::move(value);
    entry.howSets.front() = howSet;
}
inline void setOnly(SosEntry& entry, EntryValue value, HowSet howSet) {
    entry.values.assign(1, std::move(value));
    entry.howSets.assign(1, howSet);
}
inline void assignValues(SosEntry& entry, const SosEntry& from, HowSet howSet) {
    entry.values = from.values;
    entry.howSets.assign(entry.values.size(), howSet);
}
inline void appendValue(SosEntry& entry, EntryValue value, HowSet howSet) {
    entry.values.push_back(std::move(value));
    entry.howSets.push_back(howSet);
}
// Options that are not mutually exclusive collect several values.
inline bool collectsValues(const ZAMOption& option) {
    return !option.mutually_exclusive();
}

#endif

inline const EntryValue& firstValue(const SosEntry& entry) {
    return valueAt(entry, 0);
}
inline HowSet firstHowSet(const SosEntry& entry) {
    return howSetAt(entry, 0);
}
// An entry of one value.
inline SosEntry makeEntry(ref_count_ptr<ZAMOption> option, const ZAMPath& path, EntryValue value,
                          HowSet howSet) {
    SosEntry entry;
    entry.option = std::move(option);
    entry.path = path;
#if ZAMCORE_EARLIER_INTERFACE
    entry.value = std::move(value);
    entry.howSet = howSet;
#else
    entry.values.push_back(std::move(value));
    entry.howSets.push_back(howSet);
#endif
    return entry;
}

}  // namespace zamcore

#endif
