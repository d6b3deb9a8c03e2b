#ifndef RKL_LSP_COMPLETION_H
#define RKL_LSP_COMPLETION_H

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>

#include "workspace.h"

namespace rkl::lsp {

// The completion items at `offset` of `text`: after "module:" (and any part
// of a name typed after it) the options of that module with their types;
// elsewhere the module ids of the product and the keywords.
nlohmann::json completionsAt(const Workspace& workspace, const std::string& text,
                             std::size_t offset);

// The type of an option as completion and outline show it: "integer",
// "string, presents frame:material".
std::string optionDetail(const ZAMOption& option);

}  // namespace rkl::lsp

#endif
