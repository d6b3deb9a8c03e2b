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
#include "text_file.h"

namespace rkl {

namespace {

namespace fs = std::filesystem;

// The renames asked for, keyed by the old module id as the texts write it.
struct Renames {
    std::map<std::string, std::string> modules;
    std::map<std::string, std::map<std::string, std::string>> options;

    std::string module(const std::string& id) const {
        const auto found = modules.find(id);
        return found == modules.end() ? id : found->second;
    }
    std::string option(const std::string& moduleId, const std::string& name) const {
        const auto inModule = options.find(moduleId);
        if (inModule == options.end()) {
            return name;
        }
        const auto found = inModule->second.find(name);
        return found == inModule->second.end() ? name : found->second;
    }
};

bool usableModuleId(const std::string& id) {
    return !id.empty() && id[0] != '.' && id.find_first_of("/\\") == std::string::npos;
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
        if (!targets.insert(to).second || renames.modules.count(from) != 0) {
            throw Failure(kUsage, "--module " + text +
                                      ": renames a module twice, or two "
                                      "modules to the same id");
        }
        renames.modules[from] = to;
    }
    for (const std::string& text : options) {
        const std::size_t colon = text.find(':');
        const std::size_t equals = text.find('=', colon == std::string::npos ? 0 : colon);
        if (colon == std::string::npos || colon == 0 || equals == std::string::npos ||
            equals == colon + 1 || equals + 1 == text.size()) {
            throw Failure(kUsage, "--option " + text + ": expected MODULE:OLD=NEW");
        }
        std::map<std::string, std::string>& inModule = renames.options[text.substr(0, colon)];
        const std::string from = text.substr(colon + 1, equals - colon - 1);
        if (!inModule.emplace(from, text.substr(equals + 1)).second) {
            throw Failure(kUsage, "--option " + text + ": renames an option twice");
        }
    }
    return renames;
}

// One rewritten text: its place, its old and new content.
struct Change {
    std::string from;  // the path it is read from
    std::string to;    // the path it is written to
    std::string oldText;
    std::string newText;
};

// Rewrites one module text: the module line, every declaration and the rule
// text are translated, the declared names of renamed options changed;
// everything else stays as it was written. Errors go to `diagnostics`.
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
                         translater_.translateRkl(source.rules()));
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

    // The renamed options that no declaration of their module declared.
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
            text.replace(name.offset, name.length, ZAM::rklQuoteId(renamed));
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
                    std::string text, std::vector<Diagnostic>& diagnostics)
        : renames_(renames),
          translater_(translater),
          file_(product.file),
          text_(std::move(text)),
          diagnostics_(diagnostics) {
        collect(product.root);
    }

    // The text with every edit made, from the last one back so that the
    // offsets of the earlier ones still hold.
    std::string rewritten() const {
        std::string text = text_;
        for (auto edit = edits_.rbegin(); edit != edits_.rend(); ++edit) {
            text.replace(edit->first.first, edit->first.second, edit->second);
        }
        return text;
    }

private:
    void collect(const NodeSpec& node) {
        if (!node.module.empty()) {
            edit(node.offset, "module", renames_.module(node.module), node.module);
        }
        if (!node.loadIf.empty()) {
            try {
                edit(node.offset, "loadIf", translater_.translateCondition(node.loadIf),
                     node.loadIf);
            } catch (const ZAMException& error) {
                diagnostics_.push_back(textError(file_, node.loadIf, node.loadIfLine, error));
            }
        }
        for (const ValueSpec& value : node.values) {
            edit(value.offset, "option", renames_.option(node.module, value.option), value.option);
        }
        for (const NodeSpec& child : node.children) {
            collect(child);
        }
    }

    void edit(std::size_t object, const std::string& key, const std::string& now,
              const std::string& before) {
        std::size_t offset = 0;
        std::size_t length = 0;
        if (now != before && stringMemberSpan(text_, object, key, offset, length)) {
            edits_[{offset, length}] = nlohmann::json(now).dump();
        }
    }

    const Renames& renames_;
    ZAMTranslater& translater_;
    const std::string& file_;
    std::string text_;
    std::vector<Diagnostic>& diagnostics_;
    std::map<std::pair<std::size_t, std::size_t>, std::string> edits_;
};

// The lines of `text`, each without its line break.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    for (int line = 1, count = lineOf(text, text.size()); line <= count; ++line) {
        lines.push_back(lineAt(text, line));
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

std::vector<std::string> moduleFiles(const std::string& directory) {
    std::vector<std::string> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
        if (entry.is_regular_file() && entry.path().extension() == ".rkl") {
            files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

void checkModuleRenames(const Renames& renames, const std::string& directory,
                        const std::set<std::string>& ids) {
    for (const auto& [from, to] : renames.modules) {
        if (ids.count(from) == 0) {
            throw Failure(kUsage, "--module " + from + "=" + to + ": " +
                                      joinPath(directory, from + ".rkl") + " does not exist");
        }
        if (ids.count(to) != 0 && renames.modules.count(to) == 0) {
            throw Failure(kUsage, "--module " + from + "=" + to + ": " +
                                      joinPath(directory, to + ".rkl") + " exists already");
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
        const auto inModule = renames.options.find(source.id());
        if (inModule == renames.options.end()) {
            continue;
        }
        for (const auto& [from, to] : inModule->second) {
            const std::string what = "--option " + source.id() + ":" + from + "=" + to + ": ";
            if (declared.count({source.id(), from}) == 0) {
                throw Failure(kUsage,
                              what + source.path() + " declares no option \"" + from + "\"");
            }
            if (source.declarationLine(to) != 0 && inModule->second.count(to) == 0) {
                throw Failure(kUsage, what + source.path() + " declares \"" + to + "\" already");
            }
        }
    }
}

}  // namespace

int runRename(const std::string& product, const std::vector<std::string>& modules,
              const std::vector<std::string>& options, bool dryRun, std::ostream& out) {
    const Renames renames = parseRenames(modules, options);
    std::vector<Diagnostic> diagnostics;
    const Product structure = readProduct(product, diagnostics);
    if (!diagnostics.empty()) {
        return report(diagnostics, out);
    }
    std::vector<ModuleSource> sources;
    std::set<std::string> ids;
    for (const std::string& file : moduleFiles(product)) {
        sources.push_back(ModuleSource::read(file));
        ids.insert(sources.back().id());
    }
    checkModuleRenames(renames, product, ids);

    ZAMTranslater translater;
    for (const auto& [from, to] : renames.modules) {
        translater.addModuleMapping(from, to);
    }
    for (const auto& [moduleId, names] : renames.options) {
        for (const auto& [from, to] : names) {
            translater.addOptionMapping(moduleId, from, to);
        }
    }
    std::vector<Change> changes;
    std::vector<std::string> removals;
    ModuleRewriter modulesRewriter(renames, translater, diagnostics);
    for (const ModuleSource& source : sources) {
        const std::string to = joinPath(product, renames.module(source.id()) + ".rkl");
        changes.push_back(
            Change{source.path(), to, source.text(), modulesRewriter.rewrite(source)});
        if (to != source.path()) {
            removals.push_back(source.path());
        }
    }
    checkOptionRenames(renames, sources, modulesRewriter.declared());

    const std::string productText = readFile(structure.file);
    const std::string newProduct =
        ProductRewriter(renames, translater, structure, productText, diagnostics).rewritten();
    changes.push_back(Change{structure.file, structure.file, productText, newProduct});

    if (!diagnostics.empty()) {
        out << "nothing renamed: these texts do not parse\n";
        return report(diagnostics, out);
    }
    // The report waits until the files are in place: a failed write
    // changes nothing and reports nothing as done.
    std::ostringstream done;
    std::vector<FileText> writes;
    for (const Change& change : changes) {
        const bool moved = change.from != change.to;
        if (change.newText == change.oldText && !moved) {
            continue;
        }
        done << (dryRun ? (moved ? "would rename " : "would rewrite ")
                        : (moved ? "renamed " : "rewrote "))
             << change.from << (moved ? " to " + change.to : "") << "\n";
        if (dryRun) {
            printDifference(change.oldText, change.newText, done);
        }
        writes.push_back(FileText{change.to, change.newText});
    }
    if (!dryRun) {
        replaceFiles(writes, removals);
    }
    out << (writes.empty() ? "nothing to rename\n" : done.str());
    return kClean;
}

}  // namespace rkl
