#include "zamcore/configuration/sel_option_set.h"

#include <utility>

#include "zamcore/configuration/context_pass.h"
#include "zamcore/configuration/entry_table.h"
#include "zamcore/configuration/sos_entry.h"
#include "zamcore/configuration/write_trace_scope.h"
#include "zamcore/model/window.h"
#include "zamcore/model/window_back_pointer.h"
#include "zamcore/runtime/adapter_access.h"
#include "zamcore/runtime/exception.h"

namespace {

using Entry = ZAMSelOptionSet::ZAMSosEntry;
using Option = ref_count_ptr<ZAMOption>;
using Value = ref_count_ptr<ZAMValue>;
using Table = zamcore::EntryTable;
using TableHandle = std::shared_ptr<const Table>;
using zamcore::firstHowSet;
using zamcore::firstValue;
using zamcore::howSetAt;
using zamcore::valueAt;
using zamcore::valueCount;

// The first entry of `option` at `path`, or null.
const Entry* findEntry(const std::shared_ptr<Table>& table, const Option& option,
                       const ZAMPath& path) {
    if (!table) {
        return nullptr;
    }
    const std::size_t at = table->find(option->id(), path);
    return at == Table::npos ? nullptr : &*table->slots()[at].entry;
}

// Only the host produces these, so only these travel with merge.
bool isHostHowSet(ZAMSelOptionSet::HowSet howSet) {
    return howSet == ZAMSelOptionSet::UserSet || howSet == ZAMSelOptionSet::UserFixed ||
           howSet == ZAMSelOptionSet::Imposed;
}

// A malformed entry from a host must not reach the contents, where every
// entry holds values paired with how-sets.
void checkEntry(const Entry& entry) {
    if (!entry.option) {
        throw ZAMException(103, "", "", "");
    }
#if ZAMCORE_EARLIER_INTERFACE
    if (!entry.value) {
        throw ZAMException(2, "Selected option set entry holds no value", "", "");
    }
#else
    if (entry.values.empty()) {
        throw ZAMException(2, "Selected option set entry holds no value", "", "");
    }
    if (entry.values.size() != entry.howSets.size()) {
        throw ZAMException(2, "Selected option set entry holds more or fewer how-sets than values",
                           "", "");
    }
    for (const Value& value : entry.values) {
        if (!value) {
            throw ZAMException(2, "Selected option set entry holds a null value", "", "");
        }
    }
#endif
}

#if !ZAMCORE_EARLIER_INTERFACE
bool isUnset(const Value& value) {
    return value->type() == ZAMValue::VT_UNSET;
}

bool isStringOption(const ZAMOption& option, const std::string& name) {
    return option.name() == name && option.valueType() == ZAMValue::VT_STRING;
}

// Whether `values` holds a value with the display text of `value`. An unset
// value found on the way is the placeholder of an option that had no value
// yet: it is dropped (with its how-set) and the new value counts as absent.
bool holdsDisplayText(std::vector<Value>& values, std::vector<ZAMSelOptionSet::HowSet>& howSets,
                      const Value& value) {
    const std::string text = value->displayString();
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (isUnset(values[i])) {
            values.erase(values.begin() + static_cast<std::ptrdiff_t>(i));
            howSets.erase(howSets.begin() + static_cast<std::ptrdiff_t>(i));
            return false;
        }
        if (values[i]->displayString() == text) {
            return true;
        }
    }
    return false;
}
#endif

}  // namespace

ZAMSelOptionSet::ZAMSelOptionSet(const ref_count_ptr<ZAMWindow>& window)
    : ZAMSelOptionSet(window.get()) {}

// The window pointer is registered with the window, which clears it when it
// goes: a set that outlives its window then finds no window instead of a
// freed one.
ZAMSelOptionSet::ZAMSelOptionSet(ZAMWindow* window) : contextNode_(nullptr), window_(window) {
    zamcore::WindowBackPointers::attach(&window_);
}

ZAMSelOptionSet::ZAMSelOptionSet(const ZAMSelOptionSet& other)
    : contextNode_(other.contextNode_),
      contextId_(other.contextId_),
      contents_(other.contents_),
      window_(other.window_) {
    zamcore::WindowBackPointers::attach(&window_);
}

ZAMSelOptionSet& ZAMSelOptionSet::operator=(const ZAMSelOptionSet& other) {
    if (this != &other) {
        contextNode_ = other.contextNode_;
        contextId_ = other.contextId_;
        contents_ = other.contents_;
    }
    return *this;
}

ZAMSelOptionSet::~ZAMSelOptionSet() {
    zamcore::WindowBackPointers::detach(&window_);
}

const ZAMSelOptionSet::Contents& ZAMSelOptionSet::contents() const {
    // Never destroyed: a host's static set may be read while the process
    // exits.
    static const Contents* const empty = new Contents();
    return contents_ ? contents_->view() : *empty;
}

zamcore::EntryTable& ZAMSelOptionSet::writableContents() const {
    if (!contents_) {
        contents_ = std::make_shared<Table>();
    } else if (contents_.use_count() > 1) {
        contents_ = std::make_shared<Table>(*contents_);
    }
    return *contents_;
}

ref_count_ptr<ZAMWindow> ZAMSelOptionSet::window() {
    return std::as_const(*this).window();
}

ref_count_ptr<ZAMWindow> ZAMSelOptionSet::window() const {
    return ref_count_ptr<ZAMWindow>(window_);
}

ZAMSelOptionSet::ZAMSosEntry* ZAMSelOptionSet::writableEntry(const ref_count_ptr<ZAMOption>& option,
                                                             const ZAMPath& path) {
    if (findEntry(contents_, option, path) == nullptr) {
        return nullptr;
    }
    Table& table = writableContents();
    return &table.writable(table.find(option->id(), path));
}

ZAMWindow& ZAMSelOptionSet::legacyWindow() const {
    if (window_ == nullptr) {
        throw ZAMException(2, "Selected option set has no window for legacy values", "", "");
    }
    return *window_;
}

const ZAMSelOptionSet::ZAMSosEntry& ZAMSelOptionSet::get(
    const ref_count_ptr<ZAMOption>& option) const {
    return get(option, ZAMPath::EmptyPath);
}

const ZAMSelOptionSet::ZAMSosEntry& ZAMSelOptionSet::get(const ref_count_ptr<ZAMOption>& option,
                                                         const ZAMPath& path) const {
    if (!option) {
        throw ZAMException(103, "", "", "");
    }
    if (option->scope() == ZAMOption::Legacy) {
        return getLegacy(option);
    }
    if (const ZAMSosEntry* found = findEntry(contents_, option, path)) {
        return *found;
    }
    return setDefault(option, path);
}

// The host may change a legacy value at any time, so it is asked on every
// lookup; the cache only gives the answer a stable place to live.
const ZAMSelOptionSet::ZAMSosEntry& ZAMSelOptionSet::getLegacy(
    const ref_count_ptr<ZAMOption>& option) const {
    Value value = legacyWindow().getLegacyOptionValue(option);
    ZAMSosEntry& entry = legacyCache_[option];
    entry.option = option;
    if (valueCount(entry) == 1) {
        zamcore::setFirst(entry, std::move(value), Default);
    } else {
        zamcore::appendValue(entry, std::move(value), Default);
    }
    return entry;
}

const ZAMSelOptionSet::ZAMSosEntry& ZAMSelOptionSet::setDefault(
    const ref_count_ptr<ZAMOption>& option, const ZAMPath& path) const {
    ZAMSosEntry entry = zamcore::makeEntry(option, path, option->defaultValue(), Default);
    Table& table = writableContents();
    const ZAMSosEntry& stored = *table.slots()[table.insert(std::move(entry))].entry;
    if (zamcore::writeTrace.callback != nullptr) {
        zamcore::traceWrite(*this, stored, &stored, true);
    }
    return stored;
}

void ZAMSelOptionSet::ensureContains(const ref_count_ptr<ZAMOption>& option) {
    if (findEntry(contents_, option, ZAMPath::EmptyPath) == nullptr) {
        setDefault(option, ZAMPath::EmptyPath);
    }
}

void ZAMSelOptionSet::set(const ZAMSosEntry& entry) {
    checkEntry(entry);
    const Option& option = entry.option;
    if (option->scope() == ZAMOption::Legacy) {
        setLegacy(entry);
        if (zamcore::writeTrace.callback != nullptr) {
            zamcore::traceWrite(*this, entry, nullptr, false);
        }
        return;
    }
    const Value& first = firstValue(entry);
    if (!option->validateValue(first)) {
        throw ZAMException(204, first->displayString(), option->name(), "");
    }
    const ZAMSosEntry* stored = findEntry(contents_, option, entry.path);
    if (stored == nullptr) {
        writableContents().insert(entry);
    } else if (!zamcore::collectsValues(*option)) {
        setSingleValued(*stored, entry);
    } else {
#if !ZAMCORE_EARLIER_INTERFACE
        setMultiValued(*stored, entry);
#endif
    }
    if (zamcore::writeTrace.callback != nullptr) {
        zamcore::traceWrite(*this, entry, findEntry(contents_, option, entry.path), false);
    }
}

void ZAMSelOptionSet::setLegacy(const ZAMSosEntry& entry) {
#if !ZAMCORE_EARLIER_INTERFACE
    if (entry.values.size() != 1) {
        legacyWindow().setLegacyOptionValues(entry.option, entry.values);
        return;
    }
#endif
    legacyWindow().setLegacyOptionValue(entry.option, firstValue(entry));
}

// An equal value leaves even the how-set alone; a different one needs the
// override rule's consent.
void ZAMSelOptionSet::setSingleValued(const ZAMSosEntry& stored, const ZAMSosEntry& entry) {
    if (firstValue(stored) == firstValue(entry)) {
        return;
    }
    if (!zamcore::requireAdapter().allowOptionOverride(stored, contextNode_, firstHowSet(entry))) {
        return;
    }
    if (ZAMSosEntry* target = writableEntry(entry.option, entry.path)) {
        zamcore::setFirst(*target, firstValue(entry), firstHowSet(entry));
    }
}

#if !ZAMCORE_EARLIER_INTERFACE

// Values are collected, not replaced, so no override rule is asked; a value
// already present keeps its how-set.
void ZAMSelOptionSet::setMultiValued(const ZAMSosEntry& stored, const ZAMSosEntry& entry) {
    std::vector<Value> values = stored.values;
    std::vector<HowSet> howSets = stored.howSets;
    bool changed = false;
    for (std::size_t i = 0; i < entry.values.size(); ++i) {
        if (!holdsDisplayText(values, howSets, entry.values[i])) {
            values.push_back(entry.values[i]);
            howSets.push_back(entry.howSets[i]);
            changed = true;
        }
    }
    if (!changed) {
        return;
    }
    if (ZAMSosEntry* target = writableEntry(entry.option, entry.path)) {
        target->values = std::move(values);
        target->howSets = std::move(howSets);
    }
}
#endif

void ZAMSelOptionSet::clearEntry(const ZAMSosEntry& entry) {
    const Option& option = entry.option;
    if (!option || findEntry(contents_, option, entry.path) == nullptr) {
        return;
    }
    const Value defaultValue = option->defaultValue();
    const std::int32_t id = option->id();
    const ZAMPath path = entry.path;
    Table& table = writableContents();
    // The trace reaches the host, which may change this set: the table
    // walked is held.
    const TableHandle pinned = contents_;
    for (std::size_t at = table.lowerBound(id);
         at < table.size() && table.slots()[at].optionId == id; ++at) {
        if (table.slots()[at].entry->path == path) {
            ZAMSosEntry& stored = table.writable(at);
            zamcore::setOnly(stored, defaultValue, Default);
            if (zamcore::writeTrace.callback != nullptr) {
                zamcore::traceWrite(*this, stored, &stored, true);
            }
        }
    }
}

void ZAMSelOptionSet::clear() {
    contents_.reset();
}

void ZAMSelOptionSet::merge(const ZAMSelOptionSet& other) {
    // Holding the other contents keeps them alive and unchanged while this
    // set changes, even when the other set is this one.
    const TableHandle pinned = other.contents_;
    if (!pinned) {
        return;
    }
    for (const zamcore::EntrySlot& slot : pinned->slots()) {
        const ZAMSosEntry& stored = *slot.entry;
        ZAMSosEntry chosen;
        for (std::size_t i = 0; i < valueCount(stored); ++i) {
            if (isHostHowSet(howSetAt(stored, i))) {
                zamcore::appendValue(chosen, valueAt(stored, i), howSetAt(stored, i));
            }
        }
        if (valueCount(chosen) != 0) {
            chosen.option = stored.option;
            chosen.path = stored.path;
            set(chosen);
        }
    }
}

// String lookups and the completeness check are not part of the earlier
// revision of the interface.
#if !ZAMCORE_EARLIER_INTERFACE
// Telling an option's kind may have the host load or refresh modules, and a
// host may change this set meanwhile: the contents walked are held.
bool ZAMSelOptionSet::matchValue(std::string name, std::string value) const {
    const TableHandle pinned = contents_;
    if (!pinned) {
        return false;
    }
    for (const zamcore::EntrySlot& slot : pinned->slots()) {
        if (!isStringOption(*slot.entry->option, name)) {
            continue;
        }
        for (const Value& held : slot.entry->values) {
            if (held->displayString() == value) {
                return true;
            }
        }
    }
    return false;
}

ref_count_ptr<ZAMOption> ZAMSelOptionSet::getOption(std::string name) {
    const TableHandle pinned = contents_;
    if (!pinned) {
        return Option();
    }
    for (const zamcore::EntrySlot& slot : pinned->slots()) {
        if (isStringOption(*slot.entry->option, name) && !isUnset(slot.entry->values.front())) {
            return slot.entry->option;
        }
    }
    return Option();
}

void ZAMSelOptionSet::verifyCompleteness() {
    const TableHandle pinned = contents_;
    if (!pinned) {
        return;
    }
    for (const zamcore::EntrySlot& slot : pinned->slots()) {
        if (isUnset(slot.entry->values.front()) && slot.entry->option->mandatory()) {
            throw ZAMException(113, slot.entry->option->name(), "", "");
        }
    }
}
#endif

void ZAMSelOptionSet::setContext(const ZAMNode* node, bool ownSet) {
    zamcore::ContextPass().putInContext(*this, node, ownSet);
}
