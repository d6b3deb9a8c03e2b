#ifndef RKL_LSP_HOVER_H
#define RKL_LSP_HOVER_H

#include <nlohmann/json.hpp>

#include "navigation.h"

namespace rkl::lsp {

// The hover for `target`: its declaration line, its description and, for
// an option presented, implemented or used, the option it is based on.
// Null when the target is not declared anywhere loaded.
nlohmann::json hoverFor(const Workspace& workspace, const Target& target);

}  // namespace rkl::lsp

#endif
