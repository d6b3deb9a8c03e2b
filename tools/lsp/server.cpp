#include "server.h"

#include <algorithm>
#include <filesystem>
#include <istream>
#include <ostream>

#include "completion.h"
#include "document_symbols.h"
#include "findings.h"
#include "framing.h"
#include "hover.h"
#include "navigation.h"
#include "rename_edit.h"
#include "text_file.h"
#include "text_position.h"
#include "uri.h"

namespace rkl::lsp {

namespace {

using json = nlohmann::json;

// Positions in a document: the text a request points into and the offset.
struct Cursor {
    FileView view;
    std::size_t offset = 0;
};

std::string directoryOf(const json& params) {
    std::string uri;
    if (params.contains("rootUri") && params["rootUri"].is_string()) {
        uri = params["rootUri"].get<std::string>();
    } else if (params.contains("workspaceFolders") && params["workspaceFolders"].is_array() &&
               !params["workspaceFolders"].empty()) {
        uri = params["workspaceFolders"][0].at("uri").get<std::string>();
    } else if (params.contains("rootPath") && params["rootPath"].is_string()) {
        return params["rootPath"].get<std::string>();
    }
    return pathFromUri(uri);
}

json capabilities() {
    return {{"positionEncoding", "utf-16"},
            {"textDocumentSync", {{"openClose", true}, {"change", 1}, {"save", true}}},
            {"hoverProvider", true},
            {"definitionProvider", true},
            {"referencesProvider", true},
            {"renameProvider", {{"prepareProvider", true}}},
            {"completionProvider", {{"triggerCharacters", {":"}}}},
            {"documentSymbolProvider", true}};
}

}  // namespace

Server::Server(Send send) : send_(std::move(send)) {}

Server::~Server() = default;

const std::map<std::string, Server::Request>& Server::requests() {
    static const std::map<std::string, Request> table{
        {"initialize", &Server::initialize},
        {"shutdown", &Server::shutdown},
        {"textDocument/hover", &Server::hover},
        {"textDocument/definition", &Server::definition},
        {"textDocument/references", &Server::references},
        {"textDocument/prepareRename", &Server::prepareRename},
        {"textDocument/rename", &Server::rename},
        {"textDocument/completion", &Server::completion},
        {"textDocument/documentSymbol", &Server::documentSymbol},
    };
    return table;
}

const std::map<std::string, Server::Notification>& Server::notifications() {
    static const std::map<std::string, Notification> table{
        {"initialized", &Server::ignore},
        {"textDocument/didOpen", &Server::didOpen},
        {"textDocument/didChange", &Server::didChange},
        {"textDocument/didClose", &Server::didClose},
        {"textDocument/didSave", &Server::didSave},
        {"workspace/didChangeWatchedFiles", &Server::didChangeWatchedFiles},
        {"workspace/didChangeConfiguration", &Server::ignore},
        {"$/cancelRequest", &Server::ignore},
        {"$/setTrace", &Server::ignore},
    };
    return table;
}

bool Server::handle(const std::string& body) {
    json message;
    try {
        message = json::parse(body);
    } catch (const json::parse_error& error) {
        fail(nullptr, kParseError, std::string("not JSON: ") + error.what());
        return true;
    }
    if (message.is_object() && message.value("method", json()) == "exit") {
        return false;
    }
    dispatch(message);
    return true;
}

void Server::dispatch(const json& message) {
    const json id = message.is_object() ? message.value("id", json()) : json();
    if (!message.is_object() || !message.contains("method") || !message["method"].is_string()) {
        // A response to a request of ours (the server sends none) needs no answer.
        if (!(message.is_object() && (message.contains("result") || message.contains("error")))) {
            fail(id, kInvalidRequest, "a message needs a method name");
        }
        return;
    }
    const std::string method = message["method"].get<std::string>();
    const json params = message.value("params", json::object());
    const bool isRequest = message.contains("id");
    try {
        const auto request = requests().find(method);
        const auto notification = notifications().find(method);
        if (isRequest && request != requests().end()) {
            if (!workspace_ && method != "initialize") {
                throw ProtocolError{kServerNotInitialized, "\"initialize\" comes first"};
            }
            if (shutdown_) {
                throw ProtocolError{kInvalidRequest, "the server is shut down"};
            }
            respond(id, (this->*request->second)(params));
        } else if (notification != notifications().end()) {
            if (workspace_) {
                (this->*notification->second)(params);
            }
        } else if (isRequest) {
            throw ProtocolError{kMethodNotFound, "no method \"" + method + "\""};
        }
        // An unknown notification is ignored, as the protocol asks.
    } catch (const ProtocolError& error) {
        fail(id, error.code, error.message);
    } catch (const json::exception& error) {
        fail(id, kInvalidParams, std::string("unusable parameters: ") + error.what());
    } catch (const ZAMException& error) {
        fail(id, kRequestFailed, describe(error));
    } catch (const std::exception& error) {
        fail(id, kRequestFailed, error.what());
    }
}

void Server::respond(const json& id, const json& result) {
    send_({{"jsonrpc", "2.0"}, {"id", id}, {"result", result}});
}

void Server::fail(const json& id, int code, const std::string& message) {
    if (id.is_null() && code != kParseError && code != kInvalidRequest) {
        // A notification gets no response; the editor's log shows why it failed.
        send_({{"jsonrpc", "2.0"},
               {"method", "window/logMessage"},
               {"params", {{"type", 1}, {"message", message}}}});
        return;
    }
    send_({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

json Server::initialize(const json& params) {
    if (workspace_) {
        throw ProtocolError{kInvalidRequest, "initialized already"};
    }
    std::string directory = directoryOf(params);
    while (directory.size() > 1 && directory.back() == '/') {
        directory.pop_back();
    }
    std::error_code error;
    if (directory.empty() || !std::filesystem::is_directory(directory, error)) {
        throw ProtocolError{kInvalidParams, "the workspace root must be a product directory"};
    }
    workspace_ = std::make_unique<Workspace>(directory, documents_);
    workspace_->load();
    checkProduct();
    return {{"capabilities", capabilities()}, {"serverInfo", {{"name", "rkl lsp"}}}};
}

json Server::shutdown(const json&) {
    shutdown_ = true;
    return nullptr;
}

std::string Server::documentPath(const json& params) {
    const std::string uri = params.at("textDocument").at("uri").get<std::string>();
    const std::string path = pathFromUri(uri);
    if (path.empty()) {
        throw ProtocolError{kInvalidParams, "not a file URI: " + uri};
    }
    return path;
}

namespace {

Cursor cursorOf(const Workspace& workspace, const std::string& path, const json& params) {
    Cursor cursor{viewOf(workspace, path), 0};
    if (cursor.view.text == nullptr) {
        throw ProtocolError{kRequestFailed,
                            path +
                                ": neither a module text of the product nor its product.json "
                                "(or it was deleted)"};
    }
    cursor.offset = offsetAt(*cursor.view.text, positionFrom(params.at("position")));
    return cursor;
}

}  // namespace

json Server::hover(const json& params) {
    const Cursor cursor = cursorOf(*workspace_, documentPath(params), params);
    Target target;
    return targetAt(cursor.view, cursor.offset, target) ? hoverFor(*workspace_, target) : json();
}

json Server::definition(const json& params) {
    const Cursor cursor = cursorOf(*workspace_, documentPath(params), params);
    Target target;
    Place place;
    if (!targetAt(cursor.view, cursor.offset, target) ||
        !declarationOf(*workspace_, target, place)) {
        return nullptr;
    }
    return locationJson(place);
}

json Server::references(const json& params) {
    const Cursor cursor = cursorOf(*workspace_, documentPath(params), params);
    Target target;
    json found = json::array();
    if (!targetAt(cursor.view, cursor.offset, target)) {
        return found;
    }
    const bool withDeclaration =
        params.value("context", json::object()).value("includeDeclaration", true);
    for (const Place& place : referencesTo(*workspace_, target, withDeclaration)) {
        found.push_back(locationJson(place));
    }
    return found;
}

json Server::prepareRename(const json& params) {
    const Cursor cursor = cursorOf(*workspace_, documentPath(params), params);
    Target target;
    Place place;
    if (!targetAt(cursor.view, cursor.offset, target) ||
        !declarationOf(*workspace_, target, place)) {
        throw ProtocolError{kRequestFailed,
                            "only an option or a module declared in the product can be renamed"};
    }
    const Occurrence* occurrence = occurrenceAt(cursor.view.occurrences, cursor.offset);
    const bool onOption = !target.option.empty();
    const std::size_t offset = onOption ? occurrence->optionOffset : occurrence->moduleOffset;
    const std::size_t length = onOption ? occurrence->optionLength : occurrence->moduleLength;
    return {{"range", rangeJson(*cursor.view.text, offset, length)},
            {"placeholder", onOption ? target.option : target.moduleId}};
}

json Server::rename(const json& params) {
    prepareRename(params);
    const Cursor cursor = cursorOf(*workspace_, documentPath(params), params);
    Target target;
    targetAt(cursor.view, cursor.offset, target);
    return renameEdit(*workspace_, target, params.at("newName").get<std::string>());
}

json Server::completion(const json& params) {
    const Cursor cursor = cursorOf(*workspace_, documentPath(params), params);
    return completionsAt(*workspace_, *cursor.view.text, cursor.offset);
}

json Server::documentSymbol(const json& params) {
    const std::string path = documentPath(params);
    const ModuleSource* source = workspace_->source(workspace_->moduleIdOf(path));
    if (source == nullptr) {
        cursorOf(*workspace_, path, {{"position", {{"line", 0}, {"character", 0}}}});
        return json::array();  // product.json has no outline
    }
    return documentSymbols(*workspace_, *source);
}

void Server::didOpen(const json& params) {
    const std::string path = pathFromUri(params.at("textDocument").at("uri").get<std::string>());
    documents_.open(path, params["textDocument"].at("text").get<std::string>());
    refresh(path);
    checkProduct();
}

void Server::didChange(const json& params) {
    const std::string path = documentPath(params);
    const json& changes = params.at("contentChanges");
    // The server asks for whole texts, so the last change holds the text.
    if (changes.empty()) {
        return;
    }
    if (!documents_.change(path, changes.back().at("text").get<std::string>())) {
        throw ProtocolError{kInvalidParams, path + ": changed but not open"};
    }
    refresh(path);
    if (workspace_->isProductFile(path)) {
        checkProduct();  // the structure's findings are all the product's
    }
}

void Server::didClose(const json& params) {
    const std::string path = documentPath(params);
    documents_.close(path);
    refresh(path);
    checkProduct();
}

void Server::didSave(const json&) {
    checkProduct();
}

void Server::didChangeWatchedFiles(const json& params) {
    for (const json& change : params.at("changes")) {
        const std::string path = pathFromUri(change.at("uri").get<std::string>());
        // An open document stands for its file whatever happens on disk.
        if (documents_.find(path) == nullptr) {
            refresh(path);
        }
    }
    checkProduct();
}

void Server::refresh(const std::string& path) {
    if (workspace_->isProductFile(path)) {
        workspace_->reloadProduct();
        return;  // its findings come from the check of the product
    }
    const std::string id = workspace_->moduleIdOf(path);
    if (id.empty()) {
        return;
    }
    for (const std::string& reloaded : workspace_->reload(id)) {
        const std::string file = workspace_->pathOf(reloaded);
        std::vector<Diagnostic> found = workspace_->moduleFindings(reloaded);
        const std::vector<Diagnostic>& beyond = productFindings_[file];
        found.insert(found.end(), beyond.begin(), beyond.end());
        publish(file, found, reloaded == id);
    }
}

namespace {

// `all` without one of its findings for each of `own`.
std::vector<Diagnostic> without(std::vector<Diagnostic> all, const std::vector<Diagnostic>& own) {
    for (const Diagnostic& one : own) {
        const auto found = std::find_if(all.begin(), all.end(), [&](const Diagnostic& d) {
            return d.line == one.line && d.severity == one.severity && d.message == one.message;
        });
        if (found != all.end()) {
            all.erase(found);
        }
    }
    return all;
}

}  // namespace

void Server::checkProduct() {
    std::vector<Diagnostic> all;
    try {
        all = checkFindings({workspace_->directory()}, documents_.openTexts());
    } catch (const Failure& failure) {
        fail(nullptr, kRequestFailed, failure.what());
    }
    // The check installed adapters of its own while it ran.
    workspace_->install();
    std::map<std::string, std::vector<Diagnostic>> byFile;
    for (Diagnostic& diagnostic : all) {
        byFile[diagnostic.file].push_back(std::move(diagnostic));
    }
    productFindings_.clear();
    const std::set<std::string> before = publisher_.withFindings();
    for (const auto& [file, found] : byFile) {
        const std::string id = workspace_->moduleIdOf(file);
        if (!id.empty()) {
            productFindings_[file] = without(found, workspace_->moduleFindings(id));
        }
        publish(file, found, true);
    }
    for (const std::string& file : before) {
        if (byFile.count(file) == 0) {
            publish(file, {}, true);
        }
    }
}

void Server::publish(const std::string& path, const std::vector<Diagnostic>& found, bool always) {
    const ModuleSource* source = workspace_->source(workspace_->moduleIdOf(path));
    const std::string& text = source != nullptr                 ? source->text()
                              : workspace_->isProductFile(path) ? workspace_->productText()
                                                                : std::string();
    const json notification = publisher_.publish(path, text, found, always);
    if (!notification.is_null()) {
        send_(notification);
    }
}

int serve(std::istream& in, std::ostream& out) {
    Server server([&out](const json& message) {
        writeMessage(out, message.dump(-1, ' ', false, json::error_handler_t::replace));
    });
    std::string body;
    for (ReadResult result = readMessage(in, body); result != ReadResult::End;
         result = readMessage(in, body)) {
        if (result == ReadResult::Malformed) {
            writeMessage(out, json{{"jsonrpc", "2.0"},
                                   {"id", nullptr},
                                   {"error",
                                    {{"code", kParseError},
                                     {"message", "a message header needs a Content-Length"}}}}
                                  .dump());
        } else if (!server.handle(body)) {
            return server.exitStatus();
        }
    }
    return 1;  // the input ended without "exit"
}

}  // namespace rkl::lsp
