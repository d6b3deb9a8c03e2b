#ifndef RKL_LSP_RENAME_EDIT_H
#define RKL_LSP_RENAME_EDIT_H

#include <nlohmann/json.hpp>
#include <string>

#include "navigation.h"

namespace rkl::lsp {

// The WorkspaceEdit that renames `target` to `newName` in every module text
// of the product and in product.json, as "rkl rename" would rewrite them:
// the texts go through the engine's translator, so names are quoted where
// they need it. One edit per changed line; a renamed module's file is moved
// to its new name after its edits. Throws ProtocolError when the new name
// is taken or cannot name a module file, or a text does not parse.
nlohmann::json renameEdit(const Workspace& workspace, const Target& target,
                          const std::string& newName);

}  // namespace rkl::lsp

#endif
