#include "diagnostic.h"

#include <zamcore/zamcore.h>

#include <algorithm>
#include <tuple>

#include "text_file.h"

namespace rkl {

namespace {

// Excerpts longer than this (a product.json written on one line) are cut to
// a window of it around the caret, or to their start when there is none.
constexpr std::size_t kExcerptWidth = 100;

struct Excerpt {
    std::string text;
    std::size_t column;
};

Excerpt excerptOf(const Diagnostic& diagnostic) {
    const std::string& line = diagnostic.sourceLine;
    if (line.size() <= kExcerptWidth) {
        return Excerpt{line, diagnostic.column};
    }
    const std::size_t column = std::min(diagnostic.column, line.size());
    const std::size_t start =
        diagnostic.column == std::string::npos || column < kExcerptWidth / 2
            ? 0
            : std::min(column - kExcerptWidth / 2, line.size() - kExcerptWidth);
    const std::string before = start > 0 ? "..." : "";
    const std::string after = start + kExcerptWidth < line.size() ? "..." : "";
    return Excerpt{before + line.substr(start, kExcerptWidth) + after,
                   diagnostic.column == std::string::npos ? std::string::npos
                                                          : column - start + before.size()};
}

}  // namespace

std::string format(const Diagnostic& diagnostic) {
    std::string text = diagnostic.file;
    if (diagnostic.line > 0) {
        text += ":" + std::to_string(diagnostic.line);
    }
    text += ": " + diagnostic.severity + ": " + diagnostic.message + "\n";
    const Excerpt excerpt = excerptOf(diagnostic);
    if (!excerpt.text.empty()) {
        text += "    " + excerpt.text + "\n";
        if (excerpt.column != std::string::npos) {
            // Tabs stay tabs, so the caret lines up however they are shown.
            std::string caret = "    ";
            for (std::size_t i = 0; i < excerpt.column && i < excerpt.text.size(); ++i) {
                caret += excerpt.text[i] == '\t' ? '\t' : ' ';
            }
            text += caret + "^\n";
        }
    }
    return text;
}

std::vector<Diagnostic> sorted(std::vector<Diagnostic> diagnostics) {
    const auto key = [](const Diagnostic& d) {
        return std::tie(d.file, d.line, d.severity, d.message);
    };
    std::stable_sort(diagnostics.begin(), diagnostics.end(),
                     [&](const Diagnostic& a, const Diagnostic& b) { return key(a) < key(b); });
    diagnostics.erase(
        std::unique(diagnostics.begin(), diagnostics.end(),
                    [&](const Diagnostic& a, const Diagnostic& b) { return key(a) == key(b); }),
        diagnostics.end());
    return diagnostics;
}

namespace {

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string worded(const ZAMException& e) {
    switch (e.code()) {
        case 1:
            return e.info();
        case 2:
            return e.info() + (e.context().empty() ? "" : " (option " + e.context() + ")");
        case 101:
            return "option " + quoted(e.info()) + " is declared again with another type or scope";
        case 102:
            return "no option " + quoted(e.info());
        case 105:
            return "default " + e.info() + " is not an allowed value";
        case 106:
            return "mutually exclusive options " + e.context() + " and " + e.extrainfo2() +
                   " both have a value";
        case 107:
            return "mutually exclusive values " + e.context() + " and " + e.extrainfo2() +
                   " are both selected";
        case 112:
            return "allowed values of another kind than the option they are based on";
        case 113:
            return "mandatory option " + e.info() + " has no value";
        case 202:
            return "a value of the wrong kind for this operation (text or a logical value in "
                   "arithmetic, an ordering of logical values, or a condition that is not "
                   "logical)";
        case 203:
            return "division by zero";
        case 204:
            return "value " + e.info() + " is not allowed for option " + e.context();
        case 302:
            return "no module " + quoted(e.info());
        case 303:
            return "only a public option can be presented";
        case 305:
            return "only a public option can be used";
        case 306:
            return "only a public option can be implemented";
        case 500:
            return "evaluation stopped by a refused message";
        default:
            return "engine error" + (e.info().empty() ? "" : " " + quoted(e.info()));
    }
}

// Where in `source` the excerpt of a syntax error points: the excerpt is a
// window of the text (line breaks, tabs and carriage returns shown as
// spaces) over a caret line; of the places it occurs, the one on the error's
// line. npos when the exception carries no excerpt.
std::size_t errorOffset(const std::string& source, const ZAMException& error) {
    const std::string& context = error.context();
    const std::size_t newline = context.rfind('\n');
    if (newline == std::string::npos || context.back() != '^') {
        return std::string::npos;
    }
    const std::string excerpt = context.substr(0, newline);
    const std::size_t caret = context.size() - newline - 2;
    std::string flat = source;
    std::replace_if(
        flat.begin(), flat.end(), [](char c) { return c == '\n' || c == '\t' || c == '\r'; }, ' ');
    std::size_t first = std::string::npos;
    for (std::size_t at = flat.find(excerpt); at != std::string::npos;
         at = flat.find(excerpt, at + 1)) {
        const std::size_t offset = std::min(at + caret, source.size());
        if (lineOf(source, offset) == error.line()) {
            return offset;
        }
        if (first == std::string::npos) {
            first = offset;
        }
    }
    return first;
}

}  // namespace

std::string describe(const ZAMException& error) {
    if (error.code() == 10) {
        return error.info();
    }
    return worded(error) + " [code " + std::to_string(error.code()) + "]";
}

Diagnostic textError(const std::string& file, const std::string& source, int firstLine,
                     const ZAMException& error) {
    Diagnostic diagnostic{file, firstLine, "error", describe(error), "", std::string::npos};
    const std::size_t offset = error.code() == 10 ? errorOffset(source, error) : std::string::npos;
    if (offset != std::string::npos) {
        const int line = lineOf(source, offset);
        diagnostic.line = firstLine + line - 1;
        diagnostic.sourceLine = lineAt(source, line);
        diagnostic.column = offset - lineStart(source, line);
    } else if (error.line() > 0) {
        diagnostic.line = firstLine + error.line() - 1;
        diagnostic.sourceLine = lineAt(source, error.line());
    } else if (source.find('\n') == std::string::npos) {
        diagnostic.sourceLine = source;  // a declaration line
    }
    return diagnostic;
}

}  // namespace rkl
