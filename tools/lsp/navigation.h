#ifndef RKL_LSP_NAVIGATION_H
#define RKL_LSP_NAVIGATION_H

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "occurrences.h"
#include "workspace.h"

namespace rkl::lsp {

// A file of the product as the server sees it: its text and what it names.
struct FileView {
    const std::string* text = nullptr;  // null: no file of this product
    std::vector<Occurrence> occurrences;
};
FileView viewOf(const Workspace& workspace, const std::string& path);

// What a cursor stands on: an option (module id and name) or, with an empty
// option, a module.
struct Target {
    std::string moduleId;
    std::string option;
};
// False when the cursor stands on no reference, declaration or module line.
bool targetAt(const FileView& view, std::size_t offset, Target& target);

// A span of a file's text.
struct Place {
    std::string path;
    const std::string* text;
    std::size_t offset;
    std::size_t length;
};
nlohmann::json locationJson(const Place& place);

// Where `target` is declared: the option's name in its declaration, or the
// module line's id; false when it is not declared anywhere loaded.
bool declarationOf(const Workspace& workspace, const Target& target, Place& place);

// Every place that names `target` in every module text and in product.json's
// conditions, the declaration among them when `withDeclaration`; in file
// order, module texts by id and product.json last.
std::vector<Place> referencesTo(const Workspace& workspace, const Target& target,
                                bool withDeclaration);

}  // namespace rkl::lsp

#endif
