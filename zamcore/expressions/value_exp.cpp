#include "zamcore/expressions/value_exp.h"

ZAMValueExp::~ZAMValueExp() = default;

bool ZAMValueExp::isMultiValued(const ZAMSelOptionSet&) const {
    return false;
}
