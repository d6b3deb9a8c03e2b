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

// The largest file the tool reads: far beyond any product written by hand,
// small enough that a mistaken or hostile file cannot exhaust memory.
constexpr std::size_t kLargestFile = std::size_t{256} << 20;

// The whole file the user named (a choices file): it may be reached through
// links, but must be a regular file of at most kLargestFile bytes. Failure
// (kUsage) naming the file otherwise.
std::string readFile(const std::string& path);

// The whole file of a product directory (a module text, product.json): a
// regular file of at most kLargestFile bytes that, once links are resolved,
// lies inside the directory that holds `path`. Anything else (a link leading
// elsewhere, a FIFO, a device, a directory) is refused with Failure(kUsage)
// naming it; its content is never read.
std::string readProductFile(const std::string& path);

// The line (from 1) that `offset` of `text` stands on. Counts from the start
// of the text: for many lookups in one text use LineIndex.
int lineOf(const std::string& text, std::size_t offset);

// Where line `line` (from 1) of `text` starts; the text's size when it has
// fewer lines.
std::size_t lineStart(const std::string& text, int line);

// Line `line` (from 1) of `text`, without its line break.
std::string lineAt(const std::string& text, int line);

// Where each line of a text starts, found in one pass, so that the lines of
// many offsets cost a binary search each. The text must outlive the index
// and stay unchanged.
class LineIndex {
public:
    explicit LineIndex(const std::string& text);
    // The line (from 1) that `offset` stands on; offsets beyond the text
    // stand on the last line.
    int lineOf(std::size_t offset) const;
    // Line `line` (from 1) without its line break; empty beyond the text.
    std::string lineAt(int line) const;
    int lines() const { return static_cast<int>(starts_.size()); }

private:
    const std::string& text_;
    std::vector<std::size_t> starts_;
};

// The name of `path` without its directory and its last extension.
std::string stem(const std::string& path);

// `directory`/`name`, for display and for opening.
std::string joinPath(const std::string& directory, const std::string& name);

struct FileText {
    std::string path;
    std::string text;
};

// Replaces files as one step as far as the file system allows: every text is
// written to a new temporary file beside its target first (created
// exclusively under an unpredictable name, never through a link), and only
// when all were written are the old files kept aside under temporary names,
// the new ones moved into place and `removals` deleted. A path may be both
// written and removed (a file renamed onto the name another leaves), so
// texts may trade names. A failure while writing or moving puts back what
// was moved, removes the temporary files and throws Failure(kUsage).
void replaceFiles(const std::vector<FileText>& writes, const std::vector<std::string>& removals);

}  // namespace rkl

#endif
