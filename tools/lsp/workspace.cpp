#include "workspace.h"

#include <filesystem>

#include "findings.h"
#include "text_file.h"

namespace rkl::lsp {

namespace fs = std::filesystem;

Workspace::Workspace(std::string directory, const DocumentStore& documents)
    : DirectoryAdapter(directory),
      directory_(std::move(directory)),
      productPath_(joinPath(directory_, "product.json")),
      documents_(documents) {
    ZAM::initialize(this);
    window_ = ZAM::createWindow();
}

Workspace::~Workspace() {
    window_ = nullptr;
    ZAM::initialize(nullptr);
}

void Workspace::load() {
    std::error_code error;
    for (fs::directory_iterator entry(directory_, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string id = entry->path().stem().string();
        if (entry->is_regular_file(error) && entry->path().extension() == ".rkl" &&
            sources_.count(id) == 0) {
            try {
                window_->getModule(id);
            } catch (const ZAMException&) {
                // An id no file can hold; there is nothing to show for it.
            }
        }
    }
    reloadProduct();
}

std::set<std::string> Workspace::reload(const std::string& id) {
    // Only the modules based directly on this one hold its options; those
    // based on them keep options that are reloaded with the same content.
    std::set<std::string> reloaded = dependentsOf(id);
    reloaded.insert(id);
    for (const std::string& each : reloaded) {
        window_->deleteModule(each);
        sources_.erase(each);
        diagnostics_.erase(each);
    }
    for (const std::string& each : reloaded) {
        if (sources_.count(each) != 0) {
            continue;  // loaded on the way, as the base of another
        }
        try {
            window_->getModule(each);
        } catch (const ZAMException&) {
            // Its text is gone; what refers to it says so in its findings.
        }
    }
    return reloaded;
}

void Workspace::reloadProduct() {
    productProblems_.clear();
    product_ = Product{directory_, productPath_, std::string(), NodeSpec{}};
    productText_.clear();
    if (!textOf(productPath_, productText_)) {
        return;  // a directory of module texts alone
    }
    try {
        product_ = readProduct(directory_, productProblems_, documents_.openTexts());
    } catch (const Failure& failure) {
        productProblems_.push_back(
            Diagnostic{productPath_, 0, "error", failure.what(), "", std::string::npos});
    }
}

std::string Workspace::moduleIdOf(const std::string& path) const {
    const fs::path file(path);
    if (file.extension() != ".rkl" || file.parent_path() != fs::path(directory_)) {
        return std::string();
    }
    return file.stem().string();
}

std::string Workspace::pathOf(const std::string& id) const {
    return joinPath(directory_, id + ".rkl");
}

const ModuleSource* Workspace::source(const std::string& id) const {
    const auto found = sources_.find(id);
    return found == sources_.end() ? nullptr : &found->second;
}

std::vector<Diagnostic> Workspace::moduleFindings(const std::string& id) const {
    const auto loaded = diagnostics_.find(id);
    const ModuleSource* found = source(id);
    if (loaded == diagnostics_.end() || found == nullptr) {
        return {};
    }
    std::vector<Diagnostic> findings = loaded->second;
    const std::vector<Diagnostic> ignored = ignoredTextFindings(*found);
    findings.insert(findings.end(), ignored.begin(), ignored.end());
    return findings;
}

ref_count_ptr<ZAMOption> Workspace::option(const std::string& id, const std::string& name) const {
    const auto module = window_->moduleMap().find(id);
    if (module == window_->moduleMap().end()) {
        return nullptr;
    }
    try {
        return module->second->getOption(name);
    } catch (const ZAMException&) {
        return nullptr;
    }
}

bool Workspace::textOf(const std::string& path, std::string& text) const {
    if (const std::string* open = documents_.find(path)) {
        text = *open;
        return true;
    }
    std::error_code error;
    if (!fs::is_regular_file(path, error)) {
        return false;
    }
    try {
        text = readFile(path);
        return true;
    } catch (const Failure&) {
        return false;
    }
}

bool Workspace::loadModule(ZAMWindow* window, const std::string& id) {
    if (id.empty() || id.find_first_of("/\\") != std::string::npos || id[0] == '.') {
        return false;
    }
    std::string text;
    if (!textOf(pathOf(id), text)) {
        return false;
    }
    // The map's nodes stay where they are while loading this module loads
    // the modules it is based on.
    const ModuleSource& source =
        sources_.insert_or_assign(id, ModuleSource(pathOf(id), std::move(text))).first->second;
    std::vector<Diagnostic>& found = diagnostics_[id];
    found = source.problems();
    ref_count_ptr<ZAMModule> module = window->createModule(id);
    source.loadInto(*module, found);
    return true;
}

std::set<std::string> Workspace::dependentsOf(const std::string& id) const {
    std::set<std::string> dependents;
    const std::string prefix = id + ":";
    for (const auto& [other, source] : sources_) {
        for (const ModuleSource::Line& declaration : source.declarations()) {
            if (other != id && declaration.text.find(prefix) != std::string::npos) {
                dependents.insert(other);
                break;
            }
        }
    }
    return dependents;
}

}  // namespace rkl::lsp
