#ifndef ZAMCORE_EXPRESSIONS_OPTION_VALUE_EXP_H
#define ZAMCORE_EXPRESSIONS_OPTION_VALUE_EXP_H

#include <cstddef>
#include <vector>

#include "zamcore/configuration/sel_option_set.h"
#include "zamcore/expressions/value_exp.h"

class ZAMOptionExp;

// The value selected for an option: the first value of its entry in the set
// (an option without an entry gets one holding its default). An option that
// is not mutually exclusive may hold several values; values() gives them
// all.
class ZAMOptionValueExp final : public ZAMValueExp {
public:
    // Takes ownership of `option`.
    explicit ZAMOptionValueExp(ZAMOptionExp* option);
    ~ZAMOptionValueExp() override;

    ref_count_ptr<ZAMValue> evaluate(const ZAMSelOptionSet& set) const override;
    std::vector<ref_count_ptr<ZAMValue>> values(const ZAMSelOptionSet& set) const override;
    bool isMultiValued(const ZAMSelOptionSet& set) const override;

    // evaluate() and isMultiValued() with one lookup: a comparison needs
    // both.
    ref_count_ptr<ZAMValue> evaluate(const ZAMSelOptionSet& set, bool& multiValued) const;

private:
    // The option's entry in `set`, made with the default when it has none.
    const ZAMSelOptionSet::ZAMSosEntry& entry(const ZAMSelOptionSet& set) const;

    ZAMOptionExp* option_;  // owned
    // Where the entry was in the last set read, tried first in the next.
    mutable std::size_t slotHint_ = 0;
};

#endif
