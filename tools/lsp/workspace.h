#ifndef RKL_LSP_WORKSPACE_H
#define RKL_LSP_WORKSPACE_H

#include <zamcore/zamcore.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "diagnostic.h"
#include "document_store.h"
#include "module_source.h"
#include "product.h"
#include "session.h"

namespace rkl::lsp {

// The product directory the server works on, loaded into one window that
// lives as long as the server: every module text of the directory (an open
// document's text instead of its file) and product.json. A change reloads
// the changed module and the modules whose declarations are based on it,
// nothing else, so that the work per keystroke does not grow with the
// product.
//
// It is the engine's adapter while it lives: the engine asks it for the
// modules it has not loaded yet. It words the engine's messages as
// "rkl check" does, being one of its adapters.
class Workspace : public DirectoryAdapter {
public:
    Workspace(std::string directory, const DocumentStore& documents);
    ~Workspace() override;
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    // Loads every "*.rkl" of the directory and reads product.json.
    void load();
    // Reloads module `id` from its document or file, and the modules whose
    // declarations name it (not theirs in turn); returns the ids reloaded
    // (a module whose text is gone is removed).
    std::set<std::string> reload(const std::string& id);
    // Reads product.json again, from its document or file.
    void reloadProduct();
    // Makes this the engine's adapter again, after a check that installed
    // adapters of its own.
    void install() { ZAM::initialize(this); }

    const std::string& directory() const { return directory_; }
    // The module id a path stands for ("" when it is no module text of
    // this product) and the path of a module's text.
    std::string moduleIdOf(const std::string& path) const;
    std::string pathOf(const std::string& id) const;
    bool isProductFile(const std::string& path) const { return path == productPath_; }
    const std::string& productPath() const { return productPath_; }

    // The loaded module texts, by id.
    const std::map<std::string, ModuleSource>& sources() const { return sources_; }
    const ModuleSource* source(const std::string& id) const;
    // What "rkl check" finds in module `id` alone: what loading it found
    // wrong with its text, and text the engine ignores.
    std::vector<Diagnostic> moduleFindings(const std::string& id) const;

    const std::string& productText() const { return productText_; }
    const Product& product() const { return product_; }
    const std::vector<Diagnostic>& productProblems() const { return productProblems_; }
    const ref_count_ptr<ZAMWindow>& window() const { return window_; }
    // The option `name` of module `id`; null when either does not exist.
    ref_count_ptr<ZAMOption> option(const std::string& id, const std::string& name) const;

    // The text of `path`: its open document's, else its file's; false when
    // neither can be read (a file deleted and not open).
    bool textOf(const std::string& path, std::string& text) const;

    bool loadModule(ZAMWindow* window, const std::string& id) override;
    // A module marked for refresh is dropped, so that the window loads it
    // again through loadModule.
    bool refreshModule(ZAMWindow*, ref_count_ptr<ZAMModule>) override { return false; }

private:
    std::set<std::string> dependentsOf(const std::string& id) const;

    std::string directory_;
    std::string productPath_;
    const DocumentStore& documents_;
    std::map<std::string, ModuleSource> sources_;
    std::map<std::string, std::vector<Diagnostic>> diagnostics_;
    std::string productText_;
    Product product_;
    std::vector<Diagnostic> productProblems_;
    ref_count_ptr<ZAMWindow> window_;
};

}  // namespace rkl::lsp

#endif
