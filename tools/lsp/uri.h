#ifndef RKL_LSP_URI_H
#define RKL_LSP_URI_H

#include <string>

namespace rkl::lsp {

// The path of a "file://" URI, percent escapes decoded; empty for another
// scheme or an escape that is not two hex digits.
std::string pathFromUri(const std::string& uri);

// The "file://" URI of an absolute path, escaping what a URI path cannot
// hold.
std::string uriFromPath(const std::string& path);

}  // namespace rkl::lsp

#endif
