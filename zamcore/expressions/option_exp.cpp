#include "zamcore/expressions/option_exp.h"

#include "zamcore/model/module_lookup.h"
#include "zamcore/model/option.h"
#include "zamcore/model/window.h"
#include "zamcore/model/window_back_pointer.h"

ZAMOptionExp::ZAMOptionExp(const std::string& moduleId, const std::string& name,
                           const ZAMPath& path)
    : moduleId_(moduleId),
      name_(name),
      path_(path),
      foundIn_(nullptr),
      foundGeneration_(0),
      found_(nullptr),
      foundId_(0) {}

ZAMOptionExp::~ZAMOptionExp() = default;

// Without a window (a selected option set that outlived its window) the
// lookup throws code 2.
ref_count_ptr<ZAMOption> ZAMOptionExp::option(const ref_count_ptr<ZAMWindow>& window) const {
    if (!window) {
        zamcore::throwWindowGone();
    }
    if (zamcore::ModuleLookup::stillFound(*window, foundIn_, foundGeneration_)) {
        return ref_count_ptr<ZAMOption>(found_);
    }
    ref_count_ptr<ZAMOption> option = ZAMOption::findOption(window, moduleId_, name_);
    foundIn_ = zamcore::ModuleLookup::foundIn(*window, *option);
    foundGeneration_ = zamcore::ModuleLookup::generation(*window);
    found_ = option.get();
    foundId_ = foundIn_ != nullptr ? option->id() : 0;
    return option;
}

std::int32_t ZAMOptionExp::knownId(const ZAMWindow& window) const {
    return zamcore::ModuleLookup::stillFound(window, foundIn_, foundGeneration_) ? foundId_ : 0;
}
