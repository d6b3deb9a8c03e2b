#include "open_texts.h"

#include <filesystem>

#include "text_file.h"

namespace rkl {

namespace fs = std::filesystem;

namespace {

std::string normal(const std::string& path) {
    return fs::path(path).lexically_normal().string();
}

}  // namespace

OpenTexts::OpenTexts(const std::map<std::string, std::string>& texts) {
    for (const auto& [path, text] : texts) {
        texts_[normal(path)] = text;
    }
}

const std::string* OpenTexts::find(const std::string& path) const {
    if (texts_.empty()) {
        return nullptr;
    }
    const auto found = texts_.find(normal(path));
    return found == texts_.end() ? nullptr : &found->second;
}

std::string OpenTexts::read(const std::string& path) const {
    const std::string* open = find(path);
    return open != nullptr ? *open : readFile(path);
}

bool OpenTexts::exists(const std::string& path) const {
    std::error_code error;
    return find(path) != nullptr || fs::is_regular_file(path, error);
}

}  // namespace rkl
