#include "zamcore/expressions/option_value_exp.h"

#include "zamcore/configuration/sel_option_set.h"
#include "zamcore/expressions/option_exp.h"
#include "zamcore/model/window.h"
#include "zamcore/values/value.h"

ZAMOptionValueExp::ZAMOptionValueExp(ZAMOptionExp* option) : option_(option) {}

ZAMOptionValueExp::~ZAMOptionValueExp() {
    delete option_;
}

const std::vector<ref_count_ptr<ZAMValue>>& ZAMOptionValueExp::entryValues(
    const ZAMSelOptionSet& set) const {
    return set.get(option_->option(set.window())).values;
}

// A stored entry always holds a value; the unset value stands in should a
// host's entry hold none.
ref_count_ptr<ZAMValue> ZAMOptionValueExp::evaluate(const ZAMSelOptionSet& set) const {
    const std::vector<ref_count_ptr<ZAMValue>>& values = entryValues(set);
    return values.empty() ? ZAMValue::createUnset() : values.front();
}

ref_count_ptr<ZAMValue> ZAMOptionValueExp::evaluate(const ZAMSelOptionSet& set,
                                                    bool& multiValued) const {
    const std::vector<ref_count_ptr<ZAMValue>>& values = entryValues(set);
    multiValued = values.size() > 1;
    return values.empty() ? ZAMValue::createUnset() : values.front();
}

std::vector<ref_count_ptr<ZAMValue>> ZAMOptionValueExp::values(const ZAMSelOptionSet& set) const {
    return entryValues(set);
}

bool ZAMOptionValueExp::isMultiValued(const ZAMSelOptionSet& set) const {
    return entryValues(set).size() > 1;
}
