#include "support/module_snapshot.h"

namespace {

std::string valueText(const ref_count_ptr<ZAMValue>& value) {
    return std::to_string(value->type()) + ":" + value->displayString();
}

std::string constraintText(const ref_count_ptr<ZAMOptionValue>& constraint) {
    std::string text = std::to_string(constraint->kind());
    switch (constraint->kind()) {
        case ZAMOptionValue::RangeKind: {
            const ZAMOptionValue::Range range = constraint->range();
            return text + "(" + valueText(range.first->value()) + ".." +
                   valueText(range.second->value()) + ")";
        }
        case ZAMOptionValue::AnyString:
        case ZAMOptionValue::AnyInt:
        case ZAMOptionValue::AnyReal:
        case ZAMOptionValue::Boolean:
            return text;
        default:
            return text + "(" + valueText(constraint->value()) + ")";
    }
}

}  // namespace

std::string describeOption(const ref_count_ptr<ZAMOption>& option) {
    std::string text = std::to_string(option->type()) + " " + std::to_string(option->scope()) +
                       " " + option->moduleId() + ":" + option->name() + " \"" +
                       option->description() + "\"";
#if !ZAMCORE_EARLIER_INTERFACE
    text += " mandatory=" + std::to_string(option->mandatory()) +
            " exclusive=" + std::to_string(option->mutually_exclusive());
#endif
    text += " path=[" + option->path().toParseableString() +
            "] kind=" + std::to_string(option->valueType()) + " values=";
    for (const ref_count_ptr<ZAMOptionValue>& constraint : option->values()) {
        text += constraintText(constraint) + ",";
    }
    text += " default=" + valueText(option->defaultValue());
    if (ref_count_ptr<ZAMOption> base = option->basedOn()) {
        text += " base=" + base->moduleId() + ":" + base->name();
    }
    return text;
}

InterfaceSnapshot snapshotInterface(const ZAMModule& module) {
    InterfaceSnapshot snapshot;
    for (const ref_count_ptr<ZAMOption>& option : module.options()) {
        std::string recorded = "<no text>";
        try {
            recorded = module.askOptionRkl(option->name());
        } catch (const ZAMException&) {
        }
        snapshot[option->name()] = describeOption(option) + " | " + recorded;
    }
    return snapshot;
}
