#include "text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <set>

namespace rkl {

namespace fs = std::filesystem;

namespace {

// Closes a descriptor however the read ends.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a directory";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    if (S_ISLNK(mode)) {
        return "a link";
    }
    return "not a regular file";
}

// Reads the file open at `fd`, after checking on the descriptor itself (so
// that nothing can be swapped in between) that it is a regular file of a
// size the tool reads.
std::string readOpened(int fd, const std::string& path) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        throw Failure(kUsage, path + ": cannot read: " + std::strerror(errno));
    }
    if (S_ISDIR(status.st_mode)) {
        throw Failure(kUsage, path + ": is a directory, not a file");
    }
    if (!S_ISREG(status.st_mode)) {
        throw Failure(kUsage,
                      path + ": refused: " + kindOf(status.st_mode) + ", not a regular file");
    }
    const auto tooLarge = [&] {
        return Failure(
            kUsage, path + ": refused: larger than " + std::to_string(kLargestFile >> 20) + " MiB");
    };
    if (static_cast<std::uintmax_t>(status.st_size) > kLargestFile) {
        throw tooLarge();
    }
    std::string text;
    text.reserve(static_cast<std::size_t>(status.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throw Failure(kUsage, path + ": read error: " + std::strerror(errno));
        }
        if (got == 0) {
            return text;
        }
        // A file that grows while it is read is still held to the cap.
        if (text.size() + static_cast<std::size_t>(got) > kLargestFile) {
            throw tooLarge();
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

const int kReadFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

std::string openAndRead(const std::string& shown, const std::string& opened, int extraFlags) {
    const Descriptor fd(::open(opened.c_str(), kReadFlags | extraFlags));
    if (fd.get() < 0) {
        throw Failure(kUsage, shown + ": cannot read: " + std::strerror(errno));
    }
    return readOpened(fd.get(), shown);
}

bool inside(const fs::path& file, const fs::path& directory) {
    const std::string prefix = directory.string();
    const std::string name = file.string();
    return name.size() > prefix.size() + 1 && name.compare(0, prefix.size(), prefix) == 0 &&
           (prefix.back() == '/' || name[prefix.size()] == '/');
}

}  // namespace

std::string readFile(const std::string& path) {
    return openAndRead(path, path, 0);
}

std::string readProductFile(const std::string& path) {
    const fs::path given(path);
    std::error_code error;
    const fs::path directory =
        fs::canonical(given.has_parent_path() ? given.parent_path() : fs::path("."), error);
    if (error) {
        throw Failure(kUsage, path + ": cannot read: " + error.message());
    }
    const fs::path resolved = fs::canonical(given, error);
    if (error) {
        throw Failure(kUsage, path + ": cannot read: " + error.message());
    }
    if (!inside(resolved, directory)) {
        throw Failure(kUsage, path + ": refused: a link to " + resolved.string() +
                                  ", outside the product directory");
    }
    // The resolved path holds no links; one put there since is not followed.
    return openAndRead(path, resolved.string(), O_NOFOLLOW);
}

LineIndex::LineIndex(const std::string& text) : text_(text), starts_{0} {
    starts_.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
        starts_.push_back(at + 1);
    }
}

int LineIndex::lineOf(std::size_t offset) const {
    return static_cast<int>(std::upper_bound(starts_.begin(), starts_.end(), offset) -
                            starts_.begin());
}

std::string LineIndex::lineAt(int line) const {
    if (line < 1 || line > lines()) {
        return std::string();
    }
    const std::size_t start = starts_[static_cast<std::size_t>(line - 1)];
    std::size_t end = line < lines() ? starts_[static_cast<std::size_t>(line)] - 1 : text_.size();
    if (end > start && text_[end - 1] == '\r') {
        --end;
    }
    return text_.substr(start, end - start);
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

// A name beside `target` (in its directory, so that moving it into place
// does not cross file systems) that nobody can guess in advance; whoever
// creates it first owns it.
std::string temporaryName(const std::string& target) {
    static std::mt19937_64 generator{std::random_device{}()};
    const fs::path path(target);
    char suffix[17];
    std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(generator()));
    return (path.parent_path() / ("." + path.filename().string() + ".rkl-" + suffix)).string();
}

// Runs `attempt` on fresh temporary names until one is not taken; the name
// it succeeded with.
template <class Attempt>
std::string claimTemporary(const std::string& target, const Attempt& attempt) {
    for (int tries = 0; tries < 100; ++tries) {
        const std::string name = temporaryName(target);
        if (attempt(name)) {
            return name;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    throw Failure(kUsage,
                  target + ": cannot create a temporary file beside it: " + std::strerror(errno));
}

void writeAll(int fd, const std::string& text, const std::string& path) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote < 0) {
            throw Failure(kUsage, path + ": cannot write: " + std::strerror(errno));
        }
        done += static_cast<std::size_t>(wrote);
    }
}

// Creates the temporary for `file` exclusively and without following a link
// planted at its name, and writes the text into it.
std::string writeTemporary(const FileText& file) {
    int fd = -1;
    const std::string name = claimTemporary(file.path, [&](const std::string& candidate) {
        fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        return fd >= 0;
    });
    Descriptor owned(fd);
    try {
        writeAll(owned.get(), file.text, file.path);
    } catch (const Failure&) {
        ::unlink(name.c_str());
        throw;
    }
    if (::close(owned.release()) != 0) {
        const int error = errno;
        ::unlink(name.c_str());
        throw Failure(kUsage, file.path + ": cannot write: " + std::strerror(error));
    }
    return name;
}

void removeAll(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        ::unlink(path.c_str());
    }
}

// The files that the replacement changes, kept aside under temporary names
// (hard links, so the originals stay in place) until every new text is in
// place; restore() puts them back.
class Backups {
public:
    void keep(const std::string& path) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0 || kept_.count(path) != 0) {
            return;
        }
        kept_[path] = claimTemporary(path, [&](const std::string& candidate) {
            return ::link(path.c_str(), candidate.c_str()) == 0;
        });
    }
    bool has(const std::string& path) const { return kept_.count(path) != 0; }
    void restore() {
        for (const auto& [path, backup] : kept_) {
            ::rename(backup.c_str(), path.c_str());
        }
        kept_.clear();
    }
    ~Backups() {
        for (const auto& [path, backup] : kept_) {
            ::unlink(backup.c_str());
        }
    }

private:
    std::map<std::string, std::string> kept_;
};

}  // namespace

void replaceFiles(const std::vector<FileText>& writes, const std::vector<std::string>& removals) {
    std::vector<std::string> temporaries;
    try {
        for (const FileText& file : writes) {
            temporaries.push_back(writeTemporary(file));
        }
    } catch (const Failure&) {
        removeAll(temporaries);
        throw;
    }
    Backups backups;
    std::set<std::string> written;
    try {
        for (const FileText& file : writes) {
            backups.keep(file.path);
            written.insert(file.path);
        }
        for (const std::string& path : removals) {
            backups.keep(path);
        }
    } catch (const Failure&) {
        removeAll(temporaries);
        throw;
    }
    std::vector<std::string> placed;
    const auto undo = [&](const std::string& message) {
        for (const std::string& path : placed) {
            if (!backups.has(path)) {
                ::unlink(path.c_str());
            }
        }
        backups.restore();
        removeAll(temporaries);
        throw Failure(kUsage, message);
    };
    for (std::size_t i = 0; i < writes.size(); ++i) {
        if (::rename(temporaries[i].c_str(), writes[i].path.c_str()) != 0) {
            undo(writes[i].path + ": cannot replace: " + std::strerror(errno));
        }
        placed.push_back(writes[i].path);
        temporaries[i].clear();
    }
    for (const std::string& path : removals) {
        if (written.count(path) == 0 && ::unlink(path.c_str()) != 0 && errno != ENOENT) {
            undo(path + ": cannot remove: " + std::strerror(errno));
        }
    }
}

}  // namespace rkl
