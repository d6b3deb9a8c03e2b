#include "zamcore/expressions/rkl_exp.h"

#include "zamcore/expressions/option_exp.h"
#include "zamcore/model/option.h"
#include "zamcore/model/window.h"

ZAMRklExp::ZAMRklExp() = default;

ZAMRklExp::ZAMRklExp(const std::string& rkl, const std::vector<ZAMOptionExp*>& options)
    : rkl_(rkl), options_(options) {}

ZAMRklExp::~ZAMRklExp() = default;

void ZAMRklExp::referencedOptions(const ref_count_ptr<ZAMWindow>& window,
                                  std::set<ref_count_ptr<ZAMOption>>& options) const {
    for (const ZAMOptionExp* reference : options_) {
        options.insert(reference->option(window));
    }
}
