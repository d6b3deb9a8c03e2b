#include "rename_edit.h"

#include <map>

#include "rename.h"
#include "server.h"
#include "text_file.h"
#include "text_position.h"
#include "uri.h"

namespace rkl::lsp {

namespace {

using json = nlohmann::json;

// The edits that turn `before` into `after`: one per changed line when the
// line count stayed, else one for the whole text.
json textEdits(const std::string& before, const std::string& after) {
    json edits = json::array();
    const int lines = lineOf(before, before.size());
    if (lines != lineOf(after, after.size())) {
        edits.push_back({{"range", rangeJson(before, 0, before.size())}, {"newText", after}});
        return edits;
    }
    for (int line = 1; line <= lines; ++line) {
        const std::string old = lineAt(before, line);
        const std::string now = lineAt(after, line);
        if (old != now) {
            edits.push_back({{"range", rangeJson(before, lineStart(before, line), old.size())},
                             {"newText", now}});
        }
    }
    return edits;
}

// Refuses a new name the rename cannot take.
void checkNewName(const Workspace& workspace, const Target& target, const std::string& newName) {
    if (target.option.empty()) {
        std::string existing;
        if (newName.empty() || newName[0] == '.' ||
            newName.find_first_of("/\\:'\" \t\r\n") != std::string::npos) {
            throw ProtocolError{kRequestFailed, "\"" + newName + "\" cannot name a module file"};
        }
        if (workspace.source(newName) != nullptr ||
            workspace.textOf(workspace.pathOf(newName), existing)) {
            throw ProtocolError{kRequestFailed, workspace.pathOf(newName) + " exists already"};
        }
    } else if (newName.empty() || workspace.option(target.moduleId, newName)) {
        throw ProtocolError{kRequestFailed, "module " + target.moduleId + " has an option \"" +
                                                newName + "\" already"};
    }
}

// The texts `rkl rename` would write for this rename, planned on the texts
// the editor shows: the same rewriting, quoting and mutually exclusive names.
RenamePlan plannedRename(const Workspace& workspace, const Target& target,
                         const std::string& newName) {
    Renames renames;
    if (target.option.empty()) {
        renames.modules[target.moduleId] = newName;
    } else {
        renames.options[target.moduleId][target.option] = newName;
    }
    std::vector<ModuleSource> sources;
    for (const auto& keyed : workspace.sources()) {
        sources.push_back(keyed.second);
    }
    Product product = workspace.product();
    product.text = workspace.productText();
    RenamePlan plan;
    try {
        plan = planRename(product, sources, renames);
    } catch (const Failure& failure) {
        throw ProtocolError{kRequestFailed, failure.what()};
    }
    for (const std::vector<Diagnostic>* refused : {&plan.unreadable, &plan.broken}) {
        if (!refused->empty()) {
            const Diagnostic& first = refused->front();
            throw ProtocolError{kRequestFailed, first.file + ":" + std::to_string(first.line) +
                                                    ": nothing renamed: " + first.message};
        }
    }
    return plan;
}

}  // namespace

json renameEdit(const Workspace& workspace, const Target& target, const std::string& newName) {
    checkNewName(workspace, target, newName);
    std::map<std::string, json> changes;  // by URI
    for (const FileChange& change : plannedRename(workspace, target, newName).changes) {
        if (change.newText != change.oldText) {
            changes[uriFromPath(change.from)] = textEdits(change.oldText, change.newText);
        }
    }
    if (!target.option.empty()) {
        return {{"changes", changes}};
    }
    // A renamed module moves to the file its new id names, after its edits.
    json documentChanges = json::array();
    for (const auto& [uri, edits] : changes) {
        documentChanges.push_back(
            {{"textDocument", {{"uri", uri}, {"version", nullptr}}}, {"edits", edits}});
    }
    documentChanges.push_back({{"kind", "rename"},
                               {"oldUri", uriFromPath(workspace.pathOf(target.moduleId))},
                               {"newUri", uriFromPath(workspace.pathOf(newName))}});
    return {{"documentChanges", documentChanges}};
}

}  // namespace rkl::lsp
