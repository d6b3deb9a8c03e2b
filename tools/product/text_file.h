#ifndef RKL_TEXT_FILE_H
#define RKL_TEXT_FILE_H

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace rkl {

// Exit statuses of every command.
constexpr int kClean = 0;     // nothing to report
constexpr int kFindings = 1;  // findings, or errors in the product's texts
constexpr int kUsage = 2;     // a wrong command line, or a file that cannot be read or written

// Ends the command: main prints the message and exits with the status.
class Failure : public std::runtime_error {
public:
    Failure(int status, const std::string& message)
        : std::runtime_error(message), status_(status) {}
    int status() const { return status_; }

private:
    int status_;
};

// The whole file; Failure(kUsage) naming the file when it cannot be read.
std::string readFile(const std::string& path);

// The line (from 1) that `offset` of `text` stands on.
int lineOf(const std::string& text, std::size_t offset);

// Where line `line` (from 1) of `text` starts; the text's size when it has
// fewer lines.
std::size_t lineStart(const std::string& text, int line);

// Line `line` (from 1) of `text`, without its line break.
std::string lineAt(const std::string& text, int line);

// The name of `path` without its directory and its last extension.
std::string stem(const std::string& path);

// `directory`/`name`, for display and for opening.
std::string joinPath(const std::string& directory, const std::string& name);

struct FileText {
    std::string path;
    std::string text;
};

// Replaces files as one step as far as the file system allows: every text is
// written to a temporary file beside its target first, and only when all
// were written are they moved into place and `removals` deleted. A failure
// while writing removes the temporary files, changes nothing and throws
// Failure(kUsage).
void replaceFiles(const std::vector<FileText>& writes, const std::vector<std::string>& removals);

}  // namespace rkl

#endif
