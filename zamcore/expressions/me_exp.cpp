#include "zamcore/expressions/me_exp.h"

#include <memory>

#include "zamcore/configuration/sel_option_set.h"
#include "zamcore/expressions/option_exp.h"
#include "zamcore/model/option.h"
#include "zamcore/runtime/exception.h"

ZAMMEExp::~ZAMMEExp() {
    for (ZAMOptionExp* option : options_) {
        delete option;
    }
}

void ZAMMEExp::addOption(ZAMOptionExp* option) {
    std::unique_ptr<ZAMOptionExp> owned(option);
    options_.push_back(owned.get());
    owned.release();
}

namespace {

// The option of that name holding a value, with the number of its values;
// a failing lookup counts as no option.
std::pair<ref_count_ptr<ZAMOption>, std::size_t> selected(ZAMSelOptionSet& set,
                                                          const std::string& name) {
    try {
        ref_count_ptr<ZAMOption> option = set.getOption(name);
        if (!option) {
            return {option, 0};
        }
        return {option, set.get(option).values.size()};
    } catch (const ZAMException&) {
        return {ref_count_ptr<ZAMOption>(), 0};
    }
}

}  // namespace

void ZAMMEExp::doExecute(ZAMSelOptionSet& set) {
    std::size_t count = 0;
    ref_count_ptr<ZAMOption> first;
    ref_count_ptr<ZAMOption> second;
    for (std::size_t i = 0; i < options_.size() && count < 2; ++i) {
        const auto found = selected(set, options_[i]->name());
        if (!found.first) {
            continue;
        }
        found.first->setMutuallyExclusive(true);
        if (count == 0) {
            first = found.first;
        }
        second = found.first;
        count += found.second;
        if (count > 1) {
            throw ZAMException(106, "mutually exclusive rule", first->name(), second->name());
        }
    }
}
