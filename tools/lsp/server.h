#ifndef RKL_LSP_SERVER_H
#define RKL_LSP_SERVER_H

#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "diagnostics_publisher.h"
#include "document_store.h"
#include "workspace.h"

namespace rkl::lsp {

// The protocol's error codes.
enum ErrorCode {
    kParseError = -32700,
    kInvalidRequest = -32600,
    kMethodNotFound = -32601,
    kInvalidParams = -32602,
    kInternalError = -32603,
    kServerNotInitialized = -32002,
    kRequestFailed = -32803,
};

// A request that cannot be answered: the error response's code and message.
struct ProtocolError {
    int code;
    std::string message;
};

// The language server: reads JSON-RPC messages, answers requests and sends
// notifications through `send`. One product directory, the workspace root,
// is loaded at "initialize"; the open documents stand for their files.
//
// A message it cannot use is answered with an error, never by stopping:
// only "exit" ends the session.
class Server {
public:
    using Send = std::function<void(const nlohmann::json&)>;
    explicit Server(Send send);
    ~Server();

    // Handles one message body. False once "exit" was received.
    bool handle(const std::string& body);
    // The status to exit with: 0 after "shutdown" then "exit", 1 otherwise.
    int exitStatus() const { return shutdown_ ? 0 : 1; }

    const Workspace* workspace() const { return workspace_.get(); }

private:
    using Request = nlohmann::json (Server::*)(const nlohmann::json& params);
    using Notification = void (Server::*)(const nlohmann::json& params);
    static const std::map<std::string, Request>& requests();
    static const std::map<std::string, Notification>& notifications();

    void dispatch(const nlohmann::json& message);
    void respond(const nlohmann::json& id, const nlohmann::json& result);
    void fail(const nlohmann::json& id, int code, const std::string& message);

    nlohmann::json initialize(const nlohmann::json& params);
    nlohmann::json shutdown(const nlohmann::json& params);
    nlohmann::json hover(const nlohmann::json& params);
    nlohmann::json definition(const nlohmann::json& params);
    nlohmann::json references(const nlohmann::json& params);
    nlohmann::json prepareRename(const nlohmann::json& params);
    nlohmann::json rename(const nlohmann::json& params);
    nlohmann::json completion(const nlohmann::json& params);
    nlohmann::json documentSymbol(const nlohmann::json& params);

    void didOpen(const nlohmann::json& params);
    void didChange(const nlohmann::json& params);
    void didClose(const nlohmann::json& params);
    void didSave(const nlohmann::json& params);
    void didChangeWatchedFiles(const nlohmann::json& params);
    void ignore(const nlohmann::json&) {}

    // The path a request's text document stands for.
    static std::string documentPath(const nlohmann::json& params);
    // Reloads what `path` stands for and publishes the findings of the
    // module texts reloaded: their own, fresh, and those the last check of
    // the whole product found in them beyond that.
    void refresh(const std::string& path);
    // Runs "rkl check" on the whole product, open documents standing for
    // their files, and publishes every file's findings.
    void checkProduct();
    void publish(const std::string& path, const std::vector<Diagnostic>& found, bool always);

    Send send_;
    DocumentStore documents_;
    std::unique_ptr<Workspace> workspace_;
    DiagnosticsPublisher publisher_;
    // By file, what the last check of the whole product found beyond each
    // module text's own findings (the validator's, chiefly): kept across
    // changes until the next check, which a save, an open or a close runs.
    std::map<std::string, std::vector<Diagnostic>> productFindings_;
    bool shutdown_ = false;
};

// Serves the messages of `in` until "exit" or the end of the input, writing
// to `out`; returns the exit status.
int serve(std::istream& in, std::ostream& out);

}  // namespace rkl::lsp

#endif
