#include "zamcore/expressions/value_me_exp.h"

#include <memory>
#include <string>

#include "zamcore/configuration/sel_option_set.h"
#include "zamcore/expressions/option_exp.h"
#include "zamcore/expressions/value_exp.h"
#include "zamcore/runtime/exception.h"
#include "zamcore/values/value.h"

ZAMValueMEExp::~ZAMValueMEExp() {
    for (ZAMValueExp* value : values_) {
        delete value;
    }
    for (ZAMOptionExp* option : options_) {
        delete option;
    }
}

// The two vectors stay the same length whatever fails.
void ZAMValueMEExp::addPair(ZAMOptionExp* option, ZAMValueExp* value) {
    std::unique_ptr<ZAMOptionExp> ownedOption(option);
    std::unique_ptr<ZAMValueExp> ownedValue(value);
    values_.push_back(ownedValue.get());
    try {
        options_.push_back(ownedOption.get());
    } catch (...) {
        values_.pop_back();
        throw;
    }
    ownedValue.release();
    ownedOption.release();
}

void ZAMValueMEExp::doExecute(ZAMSelOptionSet& set) {
    int count = 0;
    std::string firstPair;
    for (std::size_t i = 0; i < options_.size(); ++i) {
        const std::string& name = options_[i]->name();
        const std::string text = values_[i]->evaluate(set)->displayString();
        if (!set.matchValue(name, text)) {
            continue;
        }
        const std::string pair = name + "." + text;
        if (++count == 1) {
            firstPair = pair;
        } else {
            throw ZAMException(107, "option value mutually exclusive rule", firstPair, pair);
        }
    }
}
