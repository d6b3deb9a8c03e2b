#include "document_store.h"

namespace rkl::lsp {

bool DocumentStore::change(const std::string& path, std::string text) {
    const auto found = texts_.find(path);
    if (found == texts_.end()) {
        return false;
    }
    found->second = std::move(text);
    return true;
}

const std::string* DocumentStore::find(const std::string& path) const {
    const auto found = texts_.find(path);
    return found == texts_.end() ? nullptr : &found->second;
}

}  // namespace rkl::lsp
