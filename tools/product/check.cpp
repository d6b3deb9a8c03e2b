#include <zamcore/zamcore.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <ostream>
#include <set>

#include "commands.h"
#include "findings.h"
#include "text_file.h"

namespace rkl {

namespace fs = std::filesystem;

int report(const std::vector<Diagnostic>& diagnostics, std::ostream& out) {
    const std::vector<Diagnostic> ordered = sorted(diagnostics);
    std::size_t errors = 0;
    for (const Diagnostic& diagnostic : ordered) {
        out << format(diagnostic);
        errors += diagnostic.severity == "error" ? 1 : 0;
    }
    const std::size_t warnings = ordered.size() - errors;
    if (errors > 0) {
        out << errors << (errors == 1 ? " error" : " errors") << (warnings > 0 ? ", " : "\n");
    }
    if (warnings > 0) {
        out << warnings << (warnings == 1 ? " warning" : " warnings") << "\n";
    }
    return ordered.empty() ? kClean : kFindings;
}

namespace {

// What to check: the module ids to load from each directory, and the
// directories whose product.json to read.
struct Targets {
    std::map<std::string, std::set<std::string>> modules;
    std::set<std::string> products;
};

void addDirectory(const std::string& directory, Targets& targets, const OpenTexts& open) {
    for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
        if (entry.is_regular_file() && entry.path().extension() == ".rkl") {
            targets.modules[directory].insert(entry.path().stem().string());
        }
    }
    const bool hasProduct = open.exists(joinPath(directory, "product.json"));
    if (hasProduct) {
        targets.products.insert(directory);
    }
    if (!hasProduct && targets.modules[directory].empty()) {
        throw Failure(kUsage, directory + ": holds no module texts (.rkl) and no product.json");
    }
}

Targets targetsOf(const std::vector<std::string>& paths, const OpenTexts& open) {
    Targets targets;
    for (const std::string& path : paths) {
        std::error_code error;
        const fs::path given(path);
        const std::string directory =
            given.has_parent_path() ? given.parent_path().string() : std::string(".");
        if (fs::is_directory(given, error)) {
            addDirectory(path, targets, open);
        } else if (open.find(path) == nullptr && !fs::exists(given, error)) {
            throw Failure(kUsage, path + ": no such file or directory");
        } else if (given.extension() == ".rkl") {
            targets.modules[directory].insert(given.stem().string());
        } else if (given.filename() == "product.json") {
            targets.products.insert(directory);
        } else {
            throw Failure(kUsage,
                          path + ": not a module text (.rkl), a product.json or a directory");
        }
    }
    return targets;
}

void addIgnoredText(const DirectoryAdapter& adapter, std::vector<Diagnostic>& diagnostics) {
    for (const auto& loaded : adapter.sources()) {
        const std::vector<Diagnostic> found = ignoredTextFindings(loaded.second);
        diagnostics.insert(diagnostics.end(), found.begin(), found.end());
    }
}

// Loads the modules of one directory into a window of their own; modules
// they present, implement or use are loaded (and checked) on the way.
void checkModules(const std::string& directory, const std::set<std::string>& ids,
                  const OpenTexts& open, std::vector<Diagnostic>& diagnostics) {
    DirectoryAdapter adapter(directory, open);
    ZAM::initialize(&adapter);
    {
        ref_count_ptr<ZAMWindow> window = ZAM::createWindow();
        for (const std::string& id : ids) {
            if (adapter.source(id) == nullptr) {
                window->getModule(id);
            }
        }
    }
    ZAM::initialize(nullptr);
    diagnostics.insert(diagnostics.end(), adapter.diagnostics.begin(), adapter.diagnostics.end());
    addIgnoredText(adapter, diagnostics);
}

// A product's texts as evaluation would load them, and when they load, what
// the validator finds in its tree.
void checkProduct(const std::string& directory, const OpenTexts& open,
                  std::vector<Diagnostic>& diagnostics) {
    Session session(directory, open);
    const bool prepared = session.prepare({});
    diagnostics.insert(diagnostics.end(), session.problems().begin(), session.problems().end());
    addIgnoredText(session.adapter(), diagnostics);
    if (prepared) {
        const std::vector<Diagnostic> found = validationFindings(session);
        diagnostics.insert(diagnostics.end(), found.begin(), found.end());
    }
}

// The stray word a rule text's top level ends at, and the engine's line of
// it; an empty word when there is none.
struct StrayWord {
    std::string word;
    int line = 0;
    std::size_t offset = 0;
};

StrayWord strayWord(const std::string& rules) {
    try {
        int depth = 0;
        for (ZAMLexer lexer(rules);
             lexer.type() != ZAMLexer::TK_END && lexer.type() != ZAMLexer::TK_INVALID;
             lexer.next()) {
            const ZAMLexer::TokenType type = lexer.type();
            if (type == ZAMLexer::TK_IF) {
                ++depth;
            } else if (type == ZAMLexer::TK_ENDIF && depth > 0) {
                --depth;
            } else if (depth == 0 && (type == ZAMLexer::TK_ENDIF || type == ZAMLexer::TK_ELSE ||
                                      type == ZAMLexer::TK_ELIF)) {
                return StrayWord{lexer.identifierValue(), lexer.line(), lexer.mark().pos};
            }
        }
    } catch (const ZAMException&) {
        // An unterminated quote is the syntax error reported for the text.
    }
    return StrayWord{};
}

}  // namespace

std::vector<Diagnostic> ignoredTextFindings(const ModuleSource& source) {
    const StrayWord stray = strayWord(source.rules());
    if (stray.word.empty()) {
        return {};
    }
    const std::string& rules = source.rules();
    const int line = source.fileLine(stray.line);
    return {Diagnostic{source.path(), line, "warning",
                       "\"" + stray.word +
                           "\" closes no \"if\": the rest of the rule text is "
                           "ignored",
                       lineAt(source.text(), line),
                       stray.offset - lineStart(rules, lineOf(rules, stray.offset))}};
}

std::vector<Diagnostic> checkFindings(const std::vector<std::string>& paths,
                                      const OpenTexts& open) {
    const Targets targets = targetsOf(paths, open);
    std::vector<Diagnostic> diagnostics;
    for (const auto& [directory, ids] : targets.modules) {
        checkModules(directory, ids, open, diagnostics);
    }
    for (const std::string& directory : targets.products) {
        checkProduct(directory, open, diagnostics);
    }
    return sorted(std::move(diagnostics));
}

int runCheck(const std::vector<std::string>& paths, std::ostream& out) {
    return report(checkFindings(paths), out);
}

}  // namespace rkl
