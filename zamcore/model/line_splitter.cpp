#include "zamcore/model/line_splitter.h"

#include <string_view>

#include "zamcore/runtime/exception.h"

namespace zamcore {

namespace {

constexpr const char* kLineBreaks = "\n\r";
constexpr std::string_view kModulePrefix = "module ";

}  // namespace

std::size_t LineSplitter::skipBreaks() const {
    const std::size_t start = text_.find_first_not_of(kLineBreaks, pos_);
    return start == std::string::npos ? text_.size() : start;
}

std::string LineSplitter::next() {
    const std::size_t start = skipBreaks();
    std::size_t end = text_.find_first_of(kLineBreaks, start);
    if (end == std::string::npos) {
        end = text_.size();
    }
    pos_ = end;
    return text_.substr(start, end - start);
}

std::string LineSplitter::rest() const {
    return text_.substr(skipBreaks());
}

std::string moduleHeader(const std::string& moduleId) {
    return std::string(kModulePrefix) + moduleId + "\n" + kInterfaceStart + "\n";
}

std::string moduleIdOf(const std::string& moduleLine) {
    if (std::string_view(moduleLine).substr(0, kModulePrefix.size()) != kModulePrefix) {
        throw ZAMSyntaxError("Expected \"module\" statement as top line of RKL", "", 0);
    }
    return moduleLine.substr(kModulePrefix.size());
}

void throwNoInterfaceStart() {
    throw ZAMSyntaxError("Expected \"interface start\"", "", 0);
}

void throwNoInterfaceEnd() {
    throw ZAMSyntaxError(
        "Ran out of lines parsing RKL interface - did you forget an \"interface end\" line", "", 0);
}

}  // namespace zamcore
