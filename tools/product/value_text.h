#ifndef RKL_VALUE_TEXT_H
#define RKL_VALUE_TEXT_H

#include <zamcore/zamcore.h>

#include <nlohmann/json.hpp>
#include <string>

namespace rkl {

// A value as the tool shows it: texts in double quotes, reals always with a
// point and no trailing zeros (29.0, 27.5), "unset" for no value.
std::string showValue(const ref_count_ptr<ZAMValue>& value);

// How a value was set, in words ("user set", "rule fixed").
std::string howSetWords(ZAMSelOptionSet::HowSet howSet);

// A value for JSON output: null for no value.
nlohmann::ordered_json jsonValue(const ref_count_ptr<ZAMValue>& value);

// A value for `option` read from a command line text or a JSON value, of the
// option's value kind (an integer is taken for a real option; a text may be
// written in double quotes, which are not part of it). Null, with
// `error` saying why, when it is of the wrong kind or not allowed.
ref_count_ptr<ZAMValue> valueFromText(const ZAMOption& option, const std::string& text,
                                      std::string& error);
ref_count_ptr<ZAMValue> valueFromJson(const ZAMOption& option, const nlohmann::json& json,
                                      std::string& error);

// The values `option` allows, for messages: "40 to 70, 80" or "any text".
std::string allowedValues(const ZAMOption& option);

}  // namespace rkl

#endif
