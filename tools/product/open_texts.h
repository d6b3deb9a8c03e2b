#ifndef RKL_OPEN_TEXTS_H
#define RKL_OPEN_TEXTS_H

#include <map>
#include <string>

namespace rkl {

// Texts that stand in for files on disk, such as the buffers an editor holds
// open and has not saved: file path to text. A path is matched as the tool
// names the file (directory joined with the file name), after removing "."
// and ".." parts, so "bike/./frame.rkl" and "bike/frame.rkl" are one file.
class OpenTexts {
public:
    OpenTexts() = default;
    explicit OpenTexts(const std::map<std::string, std::string>& texts);

    // The open text of `path`; null when the file is not open.
    const std::string* find(const std::string& path) const;
    // The open text, or else the file's content (Failure(kUsage) when it
    // cannot be read).
    std::string read(const std::string& path) const;
    // Whether `path` is open or a regular file on disk.
    bool exists(const std::string& path) const;
    bool empty() const { return texts_.empty(); }

private:
    std::map<std::string, std::string> texts_;  // by normal path
};

}  // namespace rkl

#endif
