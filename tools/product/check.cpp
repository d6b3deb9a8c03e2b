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

void addDirectory(const std::string& directory, Targets& targets) {
    std::vector<std::string> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
        if (entry.is_regular_file() && entry.path().extension() == ".rkl") {
            targets.modules[directory].insert(entry.path().stem().string());
        }
    }
    const bool hasProduct = fs::is_regular_file(fs::path(directory) / "product.json");
    if (hasProduct) {
        targets.products.insert(directory);
    }
    if (!hasProduct && targets.modules[directory].empty()) {
        throw Failure(kUsage, directory + ": holds no module texts (.rkl) and no product.json");
    }
}

Targets targetsOf(const std::vector<std::string>& paths) {
    Targets targets;
    for (const std::string& path : paths) {
        std::error_code error;
        const fs::path given(path);
        const std::string directory =
            given.has_parent_path() ? given.parent_path().string() : std::string(".");
        if (fs::is_directory(given, error)) {
            addDirectory(path, targets);
        } else if (!fs::exists(given, error)) {
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

// Loads the modules of one directory into a window of their own; modules
// they present, implement or use are loaded (and checked) on the way.
void checkModules(const std::string& directory, const std::set<std::string>& ids,
                  std::vector<Diagnostic>& diagnostics) {
    DirectoryAdapter adapter(directory);
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
}

}  // namespace

std::vector<Diagnostic> checkFindings(const std::vector<std::string>& paths) {
    const Targets targets = targetsOf(paths);
    std::vector<Diagnostic> diagnostics;
    for (const auto& [directory, ids] : targets.modules) {
        checkModules(directory, ids, diagnostics);
    }
    for (const std::string& directory : targets.products) {
        Session session(directory);
        session.prepare({});
        diagnostics.insert(diagnostics.end(), session.problems().begin(), session.problems().end());
    }
    return diagnostics;
}

int runCheck(const std::vector<std::string>& paths, std::ostream& out) {
    return report(checkFindings(paths), out);
}

}  // namespace rkl
