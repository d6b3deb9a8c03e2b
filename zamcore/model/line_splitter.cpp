#include "zamcore/model/line_splitter.h"

#include <string_view>

#include "zamcore/runtime/exception.h"

namespace zamcore {

namespace {

constexpr std::string_view kModulePrefix = "module ";

// Tested byte by byte: a search for either of two characters would look both
// up again for every byte of the text.
bool isBreak(char c) {
    return c == '\n' || c == '\r';
}

}  // namespace

std::size_t LineSplitter::skipBreaks() const {
    std::size_t start = pos_;
    while (start < text_.size() && isBreak(text_[start])) {
        ++start;
    }
    return start;
}

std::string LineSplitter::next() {
    const std::size_t start = skipBreaks();
    std::size_t end = start;
    while (end < text_.size() && !isBreak(text_[end])) {
        ++end;
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
