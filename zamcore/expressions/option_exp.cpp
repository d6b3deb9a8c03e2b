#include "zamcore/expressions/option_exp.h"

#include "zamcore/model/option.h"
#include "zamcore/model/window.h"

ZAMOptionExp::ZAMOptionExp(const std::string& moduleId, const std::string& name,
                           const ZAMPath& path)
    : moduleId_(moduleId), name_(name), path_(path) {}

ZAMOptionExp::~ZAMOptionExp() = default;

ref_count_ptr<ZAMOption> ZAMOptionExp::option(const ref_count_ptr<ZAMWindow>& window) const {
    return ZAMOption::findOption(window, moduleId_, name_);
}
