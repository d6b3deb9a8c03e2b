#include "value_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace rkl {

namespace {

std::string showReal(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    if (std::isfinite(value) && text.find_first_of(".e") == std::string::npos) {
        text += ".0";
    }
    return text;
}

const char* kindName(ZAMValue::ValueType kind) {
    switch (kind) {
        case ZAMValue::VT_BOOL:
            return "true or false";
        case ZAMValue::VT_INT:
            return "an integer";
        case ZAMValue::VT_REAL:
            return "a number";
        case ZAMValue::VT_STRING:
            return "a text";
        default:
            return "nothing (the option allows no values)";
    }
}

std::string qualified(const ZAMOption& option) {
    return option.moduleId() + ":" + option.name();
}

// The value if the option allows it; otherwise null with the reason.
ref_count_ptr<ZAMValue> allowed(const ZAMOption& option, ref_count_ptr<ZAMValue> value,
                                std::string& error) {
    if (!option.validateValue(value)) {
        error = "value " + showValue(value) + " is not allowed for " + qualified(option) +
                " (allowed: " + allowedValues(option) + ")";
        return ref_count_ptr<ZAMValue>();
    }
    return value;
}

ref_count_ptr<ZAMValue> wrongKind(const ZAMOption& option, const std::string& given,
                                  std::string& error) {
    error = qualified(option) + " takes " + kindName(option.valueType()) + ", not " + given;
    return ref_count_ptr<ZAMValue>();
}

template <class Number>
bool parseWhole(const std::string& text, Number& number) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, number);
    return result.ec == std::errc() && result.ptr == end && !text.empty();
}

}  // namespace

std::string showValue(const ref_count_ptr<ZAMValue>& value) {
    switch (value->type()) {
        case ZAMValue::VT_UNSET:
            return "unset";
        case ZAMValue::VT_REAL:
            return showReal(value->realValue());
        case ZAMValue::VT_STRING:
            return nlohmann::json(value->strValue())
                .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        default:
            return value->displayString();
    }
}

std::string howSetWords(ZAMSelOptionSet::HowSet howSet) {
    static const char* const words[] = {"default",    "user set",  "rule set", "user fixed",
                                        "rule fixed", "inherited", "imposed"};
    const int index = static_cast<int>(howSet);
    return index >= 0 && index <= ZAMSelOptionSet::Imposed ? words[index]
                                                           : "how-set " + std::to_string(index);
}

nlohmann::ordered_json jsonValue(const ref_count_ptr<ZAMValue>& value) {
    switch (value->type()) {
        case ZAMValue::VT_BOOL:
            return value->boolValue();
        case ZAMValue::VT_INT:
            return value->intValue();
        case ZAMValue::VT_REAL:
            return value->realValue();
        case ZAMValue::VT_STRING:
            return value->strValue();
        default:
            return nullptr;
    }
}

ref_count_ptr<ZAMValue> valueFromText(const ZAMOption& option, const std::string& text,
                                      std::string& error) {
    switch (option.valueType()) {
        case ZAMValue::VT_BOOL:
            if (text == "true" || text == "false") {
                return allowed(option, ZAMValue::createBool(text == "true"), error);
            }
            break;
        case ZAMValue::VT_INT: {
            int number = 0;
            if (parseWhole(text, number)) {
                return allowed(option, ZAMValue::createInt(number), error);
            }
            break;
        }
        case ZAMValue::VT_REAL: {
            double number = 0;
            if (parseWhole(text, number) && std::isfinite(number)) {
                return allowed(option, ZAMValue::createReal(number), error);
            }
            break;
        }
        case ZAMValue::VT_STRING: {
            // A text may be written as the tool shows it, in double quotes.
            const bool quoted = text.size() >= 2 && text.front() == '"' && text.back() == '"';
            return allowed(option,
                           ZAMValue::createString(quoted ? text.substr(1, text.size() - 2) : text),
                           error);
        }
        default:
            break;
    }
    return wrongKind(option, "\"" + text + "\"", error);
}

ref_count_ptr<ZAMValue> valueFromJson(const ZAMOption& option, const nlohmann::json& json,
                                      std::string& error) {
    switch (option.valueType()) {
        case ZAMValue::VT_BOOL:
            if (json.is_boolean()) {
                return allowed(option, ZAMValue::createBool(json.get<bool>()), error);
            }
            break;
        case ZAMValue::VT_INT:
            if (json.is_number_integer() &&
                json.get<std::int64_t>() >= std::numeric_limits<int>::min() &&
                json.get<std::int64_t>() <= std::numeric_limits<int>::max() &&
                !(json.is_number_unsigned() &&
                  json.get<std::uint64_t>() > std::numeric_limits<int>::max())) {
                return allowed(option, ZAMValue::createInt(json.get<int>()), error);
            }
            break;
        case ZAMValue::VT_REAL:
            if (json.is_number()) {
                return allowed(option, ZAMValue::createReal(json.get<double>()), error);
            }
            break;
        case ZAMValue::VT_STRING:
            if (json.is_string()) {
                return allowed(option, ZAMValue::createString(json.get<std::string>()), error);
            }
            break;
        default:
            break;
    }
    return wrongKind(option, json.dump(), error);
}

std::string allowedValues(const ZAMOption& option) {
    std::string text;
    for (const ref_count_ptr<ZAMOptionValue>& constraint : option.values()) {
        std::string one;
        switch (constraint->kind()) {
            case ZAMOptionValue::Enum:
                one = showValue(constraint->value());
                break;
            case ZAMOptionValue::Max:
                one = "< " + showValue(constraint->value());
                break;
            case ZAMOptionValue::Min:
                one = "> " + showValue(constraint->value());
                break;
            case ZAMOptionValue::MaxInc:
                one = "<= " + showValue(constraint->value());
                break;
            case ZAMOptionValue::MinInc:
                one = ">= " + showValue(constraint->value());
                break;
            case ZAMOptionValue::RangeKind:
                one = showValue(constraint->range().first->value()) + " to " +
                      showValue(constraint->range().second->value());
                break;
            case ZAMOptionValue::AnyString:
                one = "any text";
                break;
            case ZAMOptionValue::AnyInt:
                one = "any integer";
                break;
            case ZAMOptionValue::AnyReal:
                one = "any number";
                break;
            default:
                one = "true, false";
                break;
        }
        text += (text.empty() ? "" : ", ") + one;
    }
    return text.empty() ? "none" : text;
}

}  // namespace rkl
