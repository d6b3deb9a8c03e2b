#ifndef RKL_LSP_DIAGNOSTICS_PUBLISHER_H
#define RKL_LSP_DIAGNOSTICS_PUBLISHER_H

#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "diagnostic.h"

namespace rkl::lsp {

// The protocol's Diagnostic for one of the tool's: at its line and, when it
// has one, from its column to the end of the word there; the whole line
// otherwise, and the file's start for a message about the whole file.
nlohmann::json diagnosticJson(const Diagnostic& diagnostic, const std::string& text);

// Builds "textDocument/publishDiagnostics" notifications and remembers the
// files that were last given findings, so that a file whose findings are
// gone is sent an empty list, which clears them in the editor.
class DiagnosticsPublisher {
public:
    // The notification for `path`, whose text is `text`; null when the file
    // had no findings and still has none, unless `always`.
    nlohmann::json publish(const std::string& path, const std::string& text,
                           const std::vector<Diagnostic>& diagnostics, bool always);

    // The files last given findings.
    const std::set<std::string>& withFindings() const { return withFindings_; }

private:
    std::set<std::string> withFindings_;
};

}  // namespace rkl::lsp

#endif
