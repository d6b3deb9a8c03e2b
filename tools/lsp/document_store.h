#ifndef RKL_LSP_DOCUMENT_STORE_H
#define RKL_LSP_DOCUMENT_STORE_H

#include <map>
#include <string>

#include "open_texts.h"

namespace rkl::lsp {

// The documents the editor holds open, by path: while open, a document's
// text stands for its file, whatever the disk holds.
class DocumentStore {
public:
    void open(const std::string& path, std::string text) { texts_[path] = std::move(text); }
    // False when the document is not open.
    bool change(const std::string& path, std::string text);
    void close(const std::string& path) { texts_.erase(path); }

    // The open document's text; null when it is not open.
    const std::string* find(const std::string& path) const;
    // The open documents as texts that stand in for their files.
    OpenTexts openTexts() const { return OpenTexts(texts_); }

private:
    std::map<std::string, std::string> texts_;
};

}  // namespace rkl::lsp

#endif
