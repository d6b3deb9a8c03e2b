#ifndef ZAMCORE_CONFIGURATION_OVERRIDE_RULE_H
#define ZAMCORE_CONFIGURATION_OVERRIDE_RULE_H

#include "zamcore/configuration/sel_option_set.h"

namespace zamcore {

// The default precedence of how-set values: may a value stored as `stored` be
// replaced by one set as `incoming`? Throws code 2 when a default would
// replace a default, or when `stored` is not a known how-set.
bool defaultOverrideRule(ZAMSelOptionSet::HowSet stored, ZAMSelOptionSet::HowSet incoming);

}  // namespace zamcore

#endif
