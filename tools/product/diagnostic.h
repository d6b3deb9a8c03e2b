#ifndef RKL_DIAGNOSTIC_H
#define RKL_DIAGNOSTIC_H

#include <cstddef>
#include <string>
#include <vector>

class ZAMException;

namespace rkl {

// One message about a place in a file, printed like a compiler's:
//
//     frame.rkl:7: error: Expected option type, implements or presents
//         public size intger = 40 to 70
//                     ^
struct Diagnostic {
    std::string file;
    int line = 0;  // 0 when the message is about the file as a whole
    std::string severity;
    std::string message;
    std::string sourceLine;                  // the line shown below, empty for none
    std::size_t column = std::string::npos;  // the caret's place in sourceLine
};

// The message, then the source line and a caret under the column when known.
std::string format(const Diagnostic& diagnostic);

// Diagnostics in file order and then line order, each once.
std::vector<Diagnostic> sorted(std::vector<Diagnostic> diagnostics);

// The English message for a syntax error key the engine has no text for
// ("SE_extra_input", "SE_mutually_exclusive"); anything else comes back
// unchanged. The tool's adapter answers localizeString with it, and
// describe() words such a key that reached an exception raised while no
// adapter of the tool was installed.
std::string syntaxMessage(const std::string& key);

// What an engine exception means, for people. Syntax errors keep their
// message; other codes are worded from their texts and end in "[code N]".
std::string describe(const ZAMException& error);

// The diagnostic for `error`, raised while parsing `source`, a text whose
// first line is line `firstLine` of `file`: at the error's line, with the
// offending line and a caret under the token the error's excerpt points at.
Diagnostic textError(const std::string& file, const std::string& source, int firstLine,
                     const ZAMException& error);

}  // namespace rkl

#endif
