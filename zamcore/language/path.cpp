#include "zamcore/language/path.h"

#include <algorithm>

const ZAMPath ZAMPath::EmptyPath;

ZAMPath::ZAMPath(const std::vector<std::string>& names) : names_(names) {}

ZAMPath::ZAMPath(int count, char** names) {
    for (int i = 0; i < count; ++i) {
        names_.emplace_back(names[i]);
    }
}

void ZAMPath::append(const std::string& name) {
    names_.push_back(name);
}

void ZAMPath::reverse() {
    std::reverse(names_.begin(), names_.end());
}

std::string ZAMPath::toDisplayString() const {
    std::string text;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (i != 0) {
            text += '.';
        }
        text += names_[i];
    }
    return text;
}
