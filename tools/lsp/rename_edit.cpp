#include "rename_edit.h"

#include <map>

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

// Rewrites one module text for the rename the translator holds: the rule
// text and each declaration translated, the renamed option's declaration
// or the renamed module's module line given the new name.
std::string renamedModule(const ModuleSource& source, ZAMTranslater& translater,
                          const Target& target, const std::string& newName) {
    std::string text = source.text();
    try {
        text.replace(source.rulesOffset(), std::string::npos,
                     translater.translateRkl(source.rules()));
    } catch (const ZAMException& error) {
        throw ProtocolError{kRequestFailed,
                            source.path() + ": nothing renamed: " + describe(error)};
    }
    const std::vector<ModuleSource::Line>& declarations = source.declarations();
    for (auto line = declarations.rbegin(); line != declarations.rend(); ++line) {
        std::string declaration = translater.translateOption(line->text);
        const ModuleSource::DeclaredName name = ModuleSource::declaredName(declaration);
        if (source.id() == target.moduleId && name.name == target.option) {
            declaration.replace(name.offset, name.length, ZAM::rklQuoteId(newName));
        }
        text.replace(line->offset, line->text.size(), declaration);
    }
    if (target.option.empty() && source.id() == target.moduleId) {
        text.replace(source.header().offset, source.header().text.size(), "module " + newName);
    }
    return text;
}

// Rewrites the load-if conditions of product.json and the "option" members
// of the values chosen for the renamed option's module, leaving the rest of
// the file as it is written.
class ProductEdits {
public:
    ProductEdits(ZAMTranslater& translater, const Target& target, const std::string& newName,
                 const std::string& text)
        : translater_(translater), target_(target), newName_(newName), text_(text) {}

    std::string rewrite(const NodeSpec& root) {
        std::vector<const NodeSpec*> pending{&root};
        while (!pending.empty()) {
            const NodeSpec& node = *pending.back();
            pending.pop_back();
            visit(node);
            for (const NodeSpec& child : node.children) {
                pending.push_back(&child);
            }
        }
        std::string text = text_;
        for (auto edit = edits_.rbegin(); edit != edits_.rend(); ++edit) {
            text.replace(edit->first.first, edit->first.second, edit->second);
        }
        return text;
    }

private:
    void visit(const NodeSpec& node) {
        if (!node.loadIf.empty()) {
            try {
                replace(node.offset, "loadIf", translater_.translateCondition(node.loadIf),
                        node.loadIf);
            } catch (const ZAMException& error) {
                throw ProtocolError{kRequestFailed,
                                    "product.json: nothing renamed: the load-if "
                                    "condition of node " +
                                        node.name + ": " + describe(error)};
            }
        }
        if (target_.option.empty() && node.module == target_.moduleId) {
            replace(node.offset, "module", newName_, node.module);
        }
        for (const ValueSpec& value : node.values) {
            if (!target_.option.empty() && node.module == target_.moduleId &&
                value.option == target_.option) {
                replace(value.offset, "option", newName_, value.option);
            }
        }
    }

    void replace(std::size_t object, const char* key, const std::string& now,
                 const std::string& before) {
        std::size_t offset = 0;
        std::size_t length = 0;
        if (now != before && stringMemberSpan(text_, object, key, offset, length)) {
            edits_[{offset, length}] = json(now).dump();
        }
    }

    ZAMTranslater& translater_;
    const Target& target_;
    const std::string& newName_;
    const std::string& text_;
    std::map<std::pair<std::size_t, std::size_t>, std::string> edits_;
};

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

}  // namespace

json renameEdit(const Workspace& workspace, const Target& target, const std::string& newName) {
    checkNewName(workspace, target, newName);
    ZAMTranslater translater;
    if (target.option.empty()) {
        translater.addModuleMapping(target.moduleId, newName);
    } else {
        translater.addOptionMapping(target.moduleId, target.option, newName);
    }
    std::map<std::string, json> changes;  // by URI
    for (const auto& [id, source] : workspace.sources()) {
        if (!source.problems().empty()) {
            continue;
        }
        const std::string after = renamedModule(source, translater, target, newName);
        if (after != source.text()) {
            changes[uriFromPath(source.path())] = textEdits(source.text(), after);
        }
    }
    const std::string& product = workspace.productText();
    const std::string after =
        ProductEdits(translater, target, newName, product).rewrite(workspace.product().root);
    if (after != product) {
        changes[uriFromPath(workspace.productPath())] = textEdits(product, after);
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
