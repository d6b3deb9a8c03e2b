#include "text_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace rkl {

namespace fs = std::filesystem;

std::string readFile(const std::string& path) {
    std::error_code error;
    if (fs::is_directory(path, error)) {
        throw Failure(kUsage, path + ": is a directory, not a file");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw Failure(kUsage, path + ": cannot read: " + std::strerror(errno));
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        throw Failure(kUsage, path + ": read error");
    }
    return text.str();
}

int lineOf(const std::string& text, std::size_t offset) {
    const auto end = text.begin() + static_cast<std::ptrdiff_t>(std::min(offset, text.size()));
    return 1 + static_cast<int>(std::count(text.begin(), end, '\n'));
}

std::size_t lineStart(const std::string& text, int line) {
    std::size_t start = 0;
    for (int current = 1; current < line; ++current) {
        const std::size_t newline = text.find('\n', start);
        if (newline == std::string::npos) {
            return text.size();
        }
        start = newline + 1;
    }
    return start;
}

std::string lineAt(const std::string& text, int line) {
    const std::size_t start = lineStart(text, line);
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
        end = text.size();
    }
    if (end > start && text[end - 1] == '\r') {
        --end;
    }
    return text.substr(start, end - start);
}

std::string stem(const std::string& path) {
    return fs::path(path).stem().string();
}

std::string joinPath(const std::string& directory, const std::string& name) {
    return (fs::path(directory) / name).string();
}

namespace {

// A temporary name beside `target`, in the same directory so that the final
// rename does not cross file systems.
std::string temporaryFor(const std::string& target) {
    const fs::path path(target);
    for (int attempt = 0;; ++attempt) {
        fs::path candidate = path.parent_path() / ("." + path.filename().string() + ".rkl-new" +
                                                   (attempt == 0 ? "" : std::to_string(attempt)));
        std::error_code error;
        if (!fs::exists(candidate, error)) {
            return candidate.string();
        }
    }
}

void removeAll(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        std::error_code ignored;
        fs::remove(path, ignored);
    }
}

}  // namespace

void replaceFiles(const std::vector<FileText>& writes, const std::vector<std::string>& removals) {
    std::vector<std::string> temporaries;
    for (const FileText& file : writes) {
        const std::string temporary = temporaryFor(file.path);
        temporaries.push_back(temporary);
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << file.text;
        out.close();
        if (!out) {
            removeAll(temporaries);
            throw Failure(kUsage, file.path + ": cannot write: " + std::strerror(errno));
        }
    }
    for (std::size_t i = 0; i < writes.size(); ++i) {
        std::error_code error;
        fs::rename(temporaries[i], writes[i].path, error);
        if (error) {
            removeAll(std::vector<std::string>(temporaries.begin() + static_cast<std::ptrdiff_t>(i),
                                               temporaries.end()));
            throw Failure(kUsage, writes[i].path + ": cannot replace: " + error.message());
        }
    }
    for (const std::string& path : removals) {
        std::error_code error;
        fs::remove(path, error);
        if (error) {
            throw Failure(kUsage, path + ": cannot remove: " + error.message());
        }
    }
}

}  // namespace rkl
