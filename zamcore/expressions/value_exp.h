#ifndef ZAMCORE_EXPRESSIONS_VALUE_EXP_H
#define ZAMCORE_EXPRESSIONS_VALUE_EXP_H

#include <vector>

#include "zamcore/runtime/ref_count_ptr.h"

class ZAMSelOptionSet;
class ZAMValue;

// A value expression: a literal, the selected value of an option, or an
// operator over owned operands. Evaluated against a selected option set,
// which it reads (and, through get(), may give default entries) but never
// otherwise changes. Plain heap objects owned by one parent and deleted with
// it.
class ZAMValueExp {
public:
    ZAMValueExp() = default;
    ZAMValueExp(const ZAMValueExp&) = delete;
    ZAMValueExp& operator=(const ZAMValueExp&) = delete;
    virtual ~ZAMValueExp();

    virtual ref_count_ptr<ZAMValue> evaluate(const ZAMSelOptionSet& set) const = 0;
    // All values of a multi-valued option read; empty for every other kind.
    virtual std::vector<ref_count_ptr<ZAMValue>> values(const ZAMSelOptionSet& set) const = 0;
    // Whether values() is to be used instead of evaluate().
    virtual bool isMultiValued(const ZAMSelOptionSet& set) const;
};

#endif
