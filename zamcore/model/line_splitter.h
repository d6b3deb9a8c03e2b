#ifndef ZAMCORE_MODEL_LINE_SPLITTER_H
#define ZAMCORE_MODEL_LINE_SPLITTER_H

#include <cstddef>
#include <string>

namespace zamcore {

// Reads a module source text line by line. Runs of line breaks ("\n" and
// "\r", so "\r\n" too) separate lines; blank lines never come out, and the
// empty string means the text is used up.
class LineSplitter {
public:
    // `text` must outlive the splitter.
    explicit LineSplitter(const std::string& text) : text_(text), pos_(0) {}

    // The next line, or the empty string at the end.
    std::string next();
    // Everything after the line breaks that follow the last line read; the
    // position stays.
    std::string rest() const;

private:
    std::size_t skipBreaks() const;

    const std::string& text_;
    std::size_t pos_;
};

// The lines that frame a module source text.
constexpr const char* kInterfaceStart = "interface start";
constexpr const char* kInterfaceEnd = "interface end";

// The module line and "interface start", each ending in "\n".
std::string moduleHeader(const std::string& moduleId);
// The id a module line names; throws the missing-module-line error when the
// line does not begin with "module ".
std::string moduleIdOf(const std::string& moduleLine);

// The syntax errors of a malformed module source text (code 10, line 0).
[[noreturn]] void throwNoInterfaceStart();
[[noreturn]] void throwNoInterfaceEnd();

}  // namespace zamcore

#endif
