#include <zamcore/zamcore.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <ostream>
#include <set>
#include <sstream>

#include "commands.h"
#include "module_source.h"
#include "product.h"
#include "rename.h"
#include "text_file.h"

namespace rkl {

namespace {

namespace fs = std::filesystem;

bool usableModuleId(const std::string& id) {
    return !id.empty() && id[0] != '.' && id.find_first_of("/\\") == std::string::npos;
}

}  // namespace

std::string Renames::module(const std::string& id) const {
    const auto found = modules.find(id);
    return found == modules.end() ? id : found->second;
}

std::string Renames::option(const std::string& moduleId, const std::string& name) const {
    const std::map<std::string, std::string>& inModule = optionsOf(moduleId);
    const auto found = inModule.find(name);
    return found == inModule.end() ? name : found->second;
}

const std::map<std::string, std::string>& Renames::optionsOf(const std::string& moduleId) const {
    static const std::map<std::string, std::string> none;
    const auto found = options.find(moduleId);
    return found == options.end() ? none : found->second;
}

Renames parseRenames(const std::vector<std::string>& modules,
                     const std::vector<std::string>& options) {
    Renames renames;
    std::set<std::string> targets;
    for (const std::string& text : modules) {
        const std::size_t equals = text.find('=');
        const std::string from = text.substr(0, equals);
        const std::string to = equals == std::string::npos ? "" : text.substr(equals + 1);
        if (!usableModuleId(from) || !usableModuleId(to) || from == to) {
            throw Failure(kUsage, "--module " + text +
                                      ": expected OLD=NEW with two different "
                                      "module ids that can name files");
        }
        if (renames.modules.count(from) != 0) {
            throw Failure(kUsage, "--module " + text + ": module " + from +
                                      " is renamed twice; each name is renamed once");
        }
        if (!targets.insert(to).second) {
            throw Failure(kUsage, "--module " + text + ": two modules would be named " + to);
        }
        renames.modules[from] = to;
    }
    std::map<std::string, std::set<std::string>> optionTargets;
    for (const std::string& text : options) {
        const std::size_t colon = text.find(':');
        const std::size_t equals = text.find('=', colon == std::string::npos ? 0 : colon);
        if (colon == std::string::npos || colon == 0 || equals == std::string::npos ||
            equals == colon + 1 || equals + 1 == text.size()) {
            throw Failure(kUsage, "--option " + text + ": expected MODULE:OLD=NEW");
        }
        const std::string moduleId = text.substr(0, colon);
        const std::string from = text.substr(colon + 1, equals - colon - 1);
        const std::string to = text.substr(equals + 1);
        if (!renames.options[moduleId].emplace(from, to).second) {
            throw Failure(kUsage, "--option " + text + ": option " + moduleId + ":" + from +
                                      " is renamed twice; each name is renamed once");
        }
        if (!optionTargets[moduleId].insert(to).second) {
            throw Failure(kUsage, "--option " + text + ": two options of module " + moduleId +
                                      " would be named " + to);
        }
    }
    return renames;
}

namespace {

// Rewrites one module text: the module line, every declaration and the rule
// text are translated, the declared names of renamed options and their names
// in the module's mutually exclusive rules changed; everything else stays as
// it was written. Errors go to `diagnostics`.
class ModuleRewriter {
public:
    ModuleRewriter(const Renames& renames, ZAMTranslater& translater,
                   std::vector<Diagnostic>& diagnostics)
        : renames_(renames), translater_(translater), diagnostics_(diagnostics) {}

    std::string rewrite(const ModuleSource& source) {
        if (!source.problems().empty()) {
            diagnostics_.insert(diagnostics_.end(), source.problems().begin(),
                                source.problems().end());
            return source.text();
        }
        // Replacements from the end backwards keep the earlier offsets valid.
        std::string text = source.text();
        try {
            text.replace(source.rulesOffset(), std::string::npos,
                         renameExclusiveNames(translater_.translateRkl(source.rules()),
                                              renames_.optionsOf(source.id())));
        } catch (const ZAMException& error) {
            diagnostics_.push_back(
                textError(source.path(), source.rules(), source.rulesLine(), error));
        }
        const std::vector<ModuleSource::Line>& declarations = source.declarations();
        for (auto line = declarations.rbegin(); line != declarations.rend(); ++line) {
            text.replace(line->offset, line->text.size(), declaration(source, *line));
        }
        const ModuleSource::Line& header = source.header();
        text.replace(header.offset, header.text.size(), "module " + renames_.module(source.id()));
        return text;
    }

    // The options whose declarations were renamed, as (module id, old name).
    const std::set<std::pair<std::string, std::string>>& declared() const { return declared_; }

private:
    std::string declaration(const ModuleSource& source, const ModuleSource::Line& line) {
        std::string text = line.text;
        try {
            text = translater_.translateOption(line.text);
        } catch (const ZAMException& error) {
            diagnostics_.push_back(textError(source.path(), line.text, line.number, error));
            return text;
        }
        const ModuleSource::DeclaredName name = ModuleSource::declaredName(text);
        const std::string renamed = renames_.option(source.id(), name.name);
        if (!name.name.empty() && renamed != name.name) {
            text.replace(name.offset, name.length, quotedName(renamed));
            declared_.insert({source.id(), name.name});
        }
        return text;
    }

    const Renames& renames_;
    ZAMTranslater& translater_;
    std::vector<Diagnostic>& diagnostics_;
    std::set<std::pair<std::string, std::string>> declared_;
};

// Rewrites the module ids, conditions and value options of product.json in
// place, leaving the rest of the file as it is written.
class ProductRewriter {
public:
    ProductRewriter(const Renames& renames, ZAMTranslater& translater, const Product& product,
                    std::vector<Diagnostic>& diagnostics)
        : renames_(renames),
          translater_(translater),
          file_(product.file),
          text_(product.text),
          diagnostics_(diagnostics) {
        collect(product.root);
    }

    // The text with every edit made, copied in one pass in text order.
    std::string rewritten() const {
        std::string text;
        std::size_t copied = 0;
        for (const auto& [span, replacement] : edits_) {
            text.append(text_, copied, span.first - copied);
            text += replacement;
            copied = span.first + span.second;
        }
        return text.append(text_, copied, std::string::npos);
    }

private:
    // The tree is walked with a stack of its own: it may be deep.
    void collect(const NodeSpec& root) {
        std::vector<const NodeSpec*> pending{&root};
        while (!pending.empty()) {
            const NodeSpec& node = *pending.back();
            pending.pop_back();
            collectNode(node);
            for (auto child = node.children.rbegin(); child != node.children.rend(); ++child) {
                pending.push_back(&*child);
            }
        }
    }

    void collectNode(const NodeSpec& node) {
        if (!node.module.empty()) {
            edit(node.moduleKey, renames_.module(node.module), node.module);
        }
        if (!node.loadIf.empty()) {
            try {
                edit(node.loadIfKey, translater_.translateCondition(node.loadIf), node.loadIf);
            } catch (const ZAMException& error) {
                diagnostics_.push_back(textError(file_, node.loadIf, node.loadIfLine, error));
            }
        }
        for (const ValueSpec& value : node.values) {
            edit(value.optionKey, renames_.option(node.module, value.option), value.option);
        }
    }

    void edit(std::size_t key, const std::string& now, const std::string& before) {
        std::size_t offset = 0;
        std::size_t length = 0;
        if (now != before && stringValueSpan(text_, key, offset, length)) {
            edits_[{offset, length}] = nlohmann::json(now).dump();
        }
    }

    const Renames& renames_;
    ZAMTranslater& translater_;
    const std::string& file_;
    const std::string& text_;
    std::vector<Diagnostic>& diagnostics_;
    std::map<std::pair<std::size_t, std::size_t>, std::string> edits_;
};

void checkModuleRenames(const Renames& renames, const std::string& directory,
                        const std::set<std::string>& ids) {
    for (const auto& [from, to] : renames.modules) {
        if (ids.count(from) == 0) {
            throw Failure(kUsage, "--module " + from + "=" + to + ": " +
                                      joinPath(directory, from + ".rkl") + " does not exist");
        }
        if (ids.count(to) != 0 && renames.modules.count(to) == 0) {
            throw Failure(kUsage, "--module " + from + "=" + to + ": " +
                                      joinPath(directory, to + ".rkl") +
                                      " exists already and is not renamed away");
        }
    }
    for (const auto& [moduleId, names] : renames.options) {
        if (ids.count(moduleId) == 0) {
            throw Failure(kUsage, "--option " + moduleId + ":" + names.begin()->first + "=" +
                                      names.begin()->second + ": " +
                                      joinPath(directory, moduleId + ".rkl") + " does not exist");
        }
    }
}

// Each renamed option must be declared by its module under its old name,
// and its new name must be free there.
void checkOptionRenames(const Renames& renames, const std::vector<ModuleSource>& sources,
                        const std::set<std::pair<std::string, std::string>>& declared) {
    for (const ModuleSource& source : sources) {
        const std::map<std::string, std::string>& inModule = renames.optionsOf(source.id());
        for (const auto& [from, to] : inModule) {
            const std::string what = "--option " + source.id() + ":" + from + "=" + to + ": ";
            if (declared.count({source.id(), from}) == 0) {
                throw Failure(kUsage,
                              what + source.path() + " declares no option \"" + from + "\"");
            }
            if (source.declarationLine(to) != 0 && inModule.count(to) == 0) {
                throw Failure(kUsage, what + source.path() + " declares \"" + to +
                                          "\" already and it is not renamed away");
            }
        }
    }
}

// Reads back the texts a rename would write, as the engine's parsers read
// them, before any is moved into place: the module line and interface block
// of each module text, each declaration, the rule text, and product.json
// with its load-if conditions.
std::vector<Diagnostic> readBack(const std::vector<FileChange>& changes,
                                 const std::string& productFile) {
    std::vector<Diagnostic> broken;
    ZAMTranslater parser;  // without renames it only parses
    for (const FileChange& change : changes) {
        if (change.to == productFile) {
            Product product{"", change.to, change.newText, NodeSpec{}};
            readStructure(product, broken);
            std::vector<const NodeSpec*> pending{&product.root};
            while (!pending.empty()) {
                const NodeSpec& node = *pending.back();
                pending.pop_back();
                try {
                    if (!node.loadIf.empty()) {
                        parser.translateCondition(node.loadIf);
                    }
                } catch (const ZAMException& error) {
                    broken.push_back(textError(change.to, node.loadIf, node.loadIfLine, error));
                }
                for (const NodeSpec& child : node.children) {
                    pending.push_back(&child);
                }
            }
            continue;
        }
        const ModuleSource source(change.to, change.newText);
        broken.insert(broken.end(), source.problems().begin(), source.problems().end());
        for (const ModuleSource::Line& line : source.declarations()) {
            try {
                parser.translateOption(line.text);
            } catch (const ZAMException& error) {
                broken.push_back(textError(change.to, line.text, line.number, error));
            }
        }
        try {
            parser.translateRkl(source.rules());
        } catch (const ZAMException& error) {
            broken.push_back(textError(change.to, source.rules(), source.rulesLine(), error));
        }
    }
    return broken;
}

ZAMTranslater translaterFor(const Renames& renames) {
    ZAMTranslater translater;
    for (const auto& [from, to] : renames.modules) {
        translater.addModuleMapping(from, to);
    }
    for (const auto& [moduleId, names] : renames.options) {
        for (const auto& [from, to] : names) {
            translater.addOptionMapping(moduleId, from, to);
        }
    }
    return translater;
}

// The lines of `text`, each without its line break.
std::vector<std::string> linesOf(const std::string& text) {
    const LineIndex index(text);
    std::vector<std::string> lines;
    for (int line = 1; line <= index.lines(); ++line) {
        lines.push_back(index.lineAt(line));
    }
    return lines;
}

// The lines that differ, as "- old" and "+ new" with their line numbers.
// Renames change lines but do not add or remove any; if the counts differ
// anyway, every line is shown.
void printDifference(const std::string& before, const std::string& after, std::ostream& out) {
    const std::vector<std::string> a = linesOf(before);
    const std::vector<std::string> b = linesOf(after);
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        const bool same = a.size() == b.size() && a[i] == b[i];
        if (!same && i < a.size()) {
            out << "  - " << i + 1 << ": " << a[i] << "\n";
        }
        if (!same && i < b.size()) {
            out << "  + " << i + 1 << ": " << b[i] << "\n";
        }
    }
}

}  // namespace

RenamePlan planRename(const Product& product, const std::vector<ModuleSource>& sources,
                      const Renames& renames) {
    std::set<std::string> ids;
    for (const ModuleSource& source : sources) {
        ids.insert(source.id());
    }
    checkModuleRenames(renames, product.directory, ids);

    ZAMTranslater translater = translaterFor(renames);
    RenamePlan plan;
    ModuleRewriter modulesRewriter(renames, translater, plan.unreadable);
    std::set<std::string> taken;
    for (const ModuleSource& source : sources) {
        const std::string to = joinPath(product.directory, renames.module(source.id()) + ".rkl");
        std::string newText = modulesRewriter.rewrite(source);
        if (to != source.path() || newText != source.text()) {
            plan.changes.push_back(
                FileChange{source.path(), to, source.text(), std::move(newText)});
            taken.insert(to);
        }
    }
    checkOptionRenames(renames, sources, modulesRewriter.declared());
    for (const FileChange& change : plan.changes) {
        if (change.from != change.to && taken.count(change.from) == 0) {
            plan.removals.push_back(change.from);
        }
    }

    std::string newProduct =
        ProductRewriter(renames, translater, product, plan.unreadable).rewritten();
    if (newProduct != product.text) {
        plan.changes.push_back(
            FileChange{product.file, product.file, product.text, std::move(newProduct)});
    }
    if (plan.unreadable.empty()) {
        plan.broken = readBack(plan.changes, product.file);
    }
    return plan;
}

int runRename(const std::string& product, const std::vector<std::string>& modules,
              const std::vector<std::string>& options, bool dryRun, std::ostream& out) {
    const Renames renames = parseRenames(modules, options);
    std::vector<Diagnostic> diagnostics;
    const Product structure = readProduct(product, diagnostics);
    if (!diagnostics.empty()) {
        return report(diagnostics, out);
    }
    std::vector<ModuleSource> sources;
    for (const std::string& file : moduleTextsIn(product)) {
        sources.push_back(ModuleSource::read(file));
    }
    const RenamePlan plan = planRename(structure, sources, renames);
    if (!plan.unreadable.empty()) {
        out << "nothing renamed: these texts do not parse\n";
        return report(plan.unreadable, out);
    }
    if (!plan.broken.empty()) {
        out << "nothing renamed: the renamed texts would not parse\n";
        return report(plan.broken, out);
    }
    // The report waits until the files are in place: a failed write
    // changes nothing and reports nothing as done.
    std::ostringstream done;
    std::vector<FileText> writes;
    for (const FileChange& change : plan.changes) {
        const bool moved = change.from != change.to;
        done << (dryRun ? (moved ? "would rename " : "would rewrite ")
                        : (moved ? "renamed " : "rewrote "))
             << change.from << (moved ? " to " + change.to : "") << "\n";
        if (dryRun) {
            printDifference(change.oldText, change.newText, done);
        }
        writes.push_back(FileText{change.to, change.newText});
    }
    if (!dryRun) {
        replaceFiles(writes, plan.removals);
    }
    out << (writes.empty() ? "nothing to rename\n" : done.str());
    return kClean;
}

}  // namespace rkl
