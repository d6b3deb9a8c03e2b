#include "diagnostics_publisher.h"

#include "module_source.h"
#include "text_file.h"
#include "text_position.h"
#include "uri.h"

namespace rkl::lsp {

namespace {

// The protocol's DiagnosticSeverity.
int severityOf(const std::string& severity) {
    if (severity == "error") {
        return 1;
    }
    return severity == "warning" ? 2 : 3;
}

}  // namespace

nlohmann::json diagnosticJson(const Diagnostic& diagnostic, const std::string& text) {
    std::size_t offset = 0;
    std::size_t length = 0;
    if (diagnostic.line > 0) {
        offset = lineStart(text, diagnostic.line);
        const std::size_t lineLength = lineAt(text, diagnostic.line).size();
        if (diagnostic.column != std::string::npos && diagnostic.column < lineLength) {
            offset += diagnostic.column;
            // The word the caret points at, else the one character.
            length = std::max<std::size_t>(identifierEnd(text, offset) - offset, 1);
        } else {
            length = lineLength;
        }
    }
    return {{"range", rangeJson(text, offset, length)},
            {"severity", severityOf(diagnostic.severity)},
            {"source", "rkl"},
            {"message", diagnostic.message}};
}

nlohmann::json DiagnosticsPublisher::publish(const std::string& path, const std::string& text,
                                             const std::vector<Diagnostic>& diagnostics,
                                             bool always) {
    const bool had = withFindings_.erase(path) > 0;
    if (!had && diagnostics.empty() && !always) {
        return nullptr;
    }
    nlohmann::json list = nlohmann::json::array();
    for (const Diagnostic& diagnostic : sorted(diagnostics)) {
        list.push_back(diagnosticJson(diagnostic, text));
    }
    if (!diagnostics.empty()) {
        withFindings_.insert(path);
    }
    return {{"jsonrpc", "2.0"},
            {"method", "textDocument/publishDiagnostics"},
            {"params", {{"uri", uriFromPath(path)}, {"diagnostics", list}}}};
}

}  // namespace rkl::lsp
