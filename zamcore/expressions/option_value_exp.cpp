#include "zamcore/expressions/option_value_exp.h"

#include "zamcore/configuration/entry_table.h"
#include "zamcore/configuration/sel_option_set.h"
#include "zamcore/configuration/sos_entry.h"
#include "zamcore/expressions/option_exp.h"
#include "zamcore/model/window.h"
#include "zamcore/values/value.h"

ZAMOptionValueExp::ZAMOptionValueExp(ZAMOptionExp* option) : option_(option) {}

ZAMOptionValueExp::~ZAMOptionValueExp() {
    delete option_;
}

// An option found before is read by its id while the window's modules and
// options stay as they are; an entry not stored yet takes the lookup that
// stores the default.
const ZAMSelOptionSet::ZAMSosEntry& ZAMOptionValueExp::entry(const ZAMSelOptionSet& set) const {
    if (const ZAMWindow* window = zamcore::SetLookup::window(set)) {
        if (const std::int32_t id = option_->knownId(*window)) {
            if (const ZAMSelOptionSet::ZAMSosEntry* stored =
                    zamcore::SetLookup::stored(set, id, slotHint_)) {
                return *stored;
            }
        }
    }
    return set.get(option_->option(set.window()));
}

// A stored entry always holds a value; the unset value stands in should a
// host's entry hold none.
ref_count_ptr<ZAMValue> ZAMOptionValueExp::evaluate(const ZAMSelOptionSet& set) const {
    const ZAMSelOptionSet::ZAMSosEntry& found = entry(set);
    return zamcore::valueCount(found) == 0 ? ZAMValue::createUnset() : zamcore::firstValue(found);
}

ref_count_ptr<ZAMValue> ZAMOptionValueExp::evaluate(const ZAMSelOptionSet& set,
                                                    bool& multiValued) const {
    const ZAMSelOptionSet::ZAMSosEntry& found = entry(set);
    multiValued = zamcore::valueCount(found) > 1;
    return zamcore::valueCount(found) == 0 ? ZAMValue::createUnset() : zamcore::firstValue(found);
}

std::vector<ref_count_ptr<ZAMValue>> ZAMOptionValueExp::values(const ZAMSelOptionSet& set) const {
    const ZAMSelOptionSet::ZAMSosEntry& found = entry(set);
    std::vector<ref_count_ptr<ZAMValue>> all;
    for (std::size_t i = 0; i < zamcore::valueCount(found); ++i) {
        all.push_back(zamcore::valueAt(found, i));
    }
    return all;
}

bool ZAMOptionValueExp::isMultiValued(const ZAMSelOptionSet& set) const {
    return zamcore::valueCount(entry(set)) > 1;
}
