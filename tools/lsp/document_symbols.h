#ifndef RKL_LSP_DOCUMENT_SYMBOLS_H
#define RKL_LSP_DOCUMENT_SYMBOLS_H

#include <nlohmann/json.hpp>

#include "workspace.h"

namespace rkl::lsp {

// The outline of a module text: the module, holding its options and its
// rule statements, each "if" holding the statements of its branches and
// its "elif" and "else" branches. A text that does not parse gives the
// statements read up to where the lexer stops.
nlohmann::json documentSymbols(const Workspace& workspace, const ModuleSource& source);

// How deep the outline nests "if" statements; deeper ones are listed at
// this depth, so that a hostile text cannot make the reply arbitrarily deep.
constexpr std::size_t kMaxOutlineDepth = 32;

}  // namespace rkl::lsp

#endif
