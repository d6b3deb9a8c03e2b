#include "product_evaluator.h"

#include <poll.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <exception>
#include <limits>
#include <system_error>

#include "commands.h"
#include "text_file.h"

namespace rkl {

ProductEvaluator::ProductEvaluator(const std::string& directory) : directory_(directory) {
    load();
}

ProductEvaluator::~ProductEvaluator() = default;

void ProductEvaluator::load() {
    session_.reset();
    session_ = std::make_unique<Session>(directory_);
    loaded_ = session_->load();
}

EvalResult ProductEvaluator::evaluate(const std::vector<Choice>& choices) {
    if (!loaded_) {
        const EvalOutput output = renderEval(*session_, false, true);
        return EvalResult{output.status, output.text, std::string()};
    }
    session_->restart();
    EvalResult result;
    bool ok = false;
    try {
        ok = session_->applyValues(choices) && session_->evaluate();
        const EvalOutput output = renderEval(*session_, ok, true);
        result = EvalResult{output.status, output.text, std::string()};
    } catch (const Failure& failure) {
        return EvalResult{failure.status(), std::string(), failure.what()};
    } catch (const ZAMException& error) {
        result =
            EvalResult{kFindings, std::string(), "unexpected engine error: " + describe(error)};
    }
    // A failed evaluation may have loaded a broken module on the way (whose
    // problems a fresh load would report again only where the rules reach
    // it) or stopped the engine halfway: the next one starts from a new load.
    if (!ok) {
        load();
    }
    return result;
}

namespace {

// A worker's results travel as frames: the configuration's index, the
// status, then the JSON and the error text, each preceded by its length.
// kNoProduct as the index carries the failure to load the product instead.
constexpr std::uint64_t kNoProduct = std::numeric_limits<std::uint64_t>::max();

void append(std::string& frame, std::uint64_t number) {
    char bytes[sizeof number];
    std::memcpy(bytes, &number, sizeof number);
    frame.append(bytes, sizeof number);
}

std::string frameOf(std::uint64_t index, const EvalResult& result) {
    std::string frame;
    append(frame, index);
    append(frame, static_cast<std::uint64_t>(result.status));
    append(frame, result.json.size());
    frame += result.json;
    append(frame, result.error.size());
    frame += result.error;
    return frame;
}

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// Reads frames from the bytes a worker sent; a frame cut short (the worker
// died while writing it) ends the reading.
class FrameReader {
public:
    explicit FrameReader(const std::string& bytes) : bytes_(bytes) {}

    bool next(std::uint64_t& index, EvalResult& result) {
        std::uint64_t status = 0;
        return number(index) && number(status) && text(result.json) && text(result.error) &&
               (result.status = static_cast<int>(status), true);
    }

private:
    bool number(std::uint64_t& value) {
        if (bytes_.size() - at_ < sizeof value) {
            return false;
        }
        std::memcpy(&value, bytes_.data() + at_, sizeof value);
        at_ += sizeof value;
        return true;
    }
    bool text(std::string& value) {
        std::uint64_t size = 0;
        if (!number(size) || bytes_.size() - at_ < size) {
            return false;
        }
        value.assign(bytes_, at_, static_cast<std::size_t>(size));
        at_ += static_cast<std::size_t>(size);
        return true;
    }

    const std::string& bytes_;
    std::size_t at_ = 0;
};

// The body of a worker process: evaluates its share and sends each result
// as soon as it has it, so that a crash loses only the configuration under
// way. Leaves with _exit: the parent's buffers and exit handlers are not
// the worker's to run.
[[noreturn]] void runWorker(const std::string& productDir,
                            const std::vector<std::vector<Choice>>& configurations,
                            const std::vector<std::size_t>& share, int fd) {
    int status = 0;
    try {
        ProductEvaluator evaluator(productDir);
        for (std::size_t index : share) {
            if (!writeAll(fd, frameOf(index, evaluator.evaluate(configurations[index])))) {
                status = 1;
                break;
            }
        }
    } catch (const Failure& failure) {
        writeAll(fd, frameOf(kNoProduct, EvalResult{failure.status(), "", failure.what()}));
    } catch (const std::exception& error) {
        writeAll(fd, frameOf(kNoProduct, EvalResult{kUsage, "", error.what()}));
    }
    ::close(fd);
    ::_exit(status);
}

struct Worker {
    pid_t pid = -1;
    int fd = -1;
    std::vector<std::size_t> share;
    std::string received;
};

Worker startWorker(const std::string& productDir,
                   const std::vector<std::vector<Choice>>& configurations,
                   std::vector<std::size_t> share, const std::vector<Worker>& started) {
    int ends[2];
    if (::pipe(ends) != 0) {
        throw std::system_error(errno, std::generic_category(), "cannot make a pipe");
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        const int error = errno;
        ::close(ends[0]);
        ::close(ends[1]);
        throw std::system_error(error, std::generic_category(), "cannot start a worker");
    }
    if (pid == 0) {
        ::close(ends[0]);
        for (const Worker& other : started) {
            ::close(other.fd);
        }
        runWorker(productDir, configurations, share, ends[1]);
    }
    ::close(ends[1]);
    return Worker{pid, ends[0], std::move(share), std::string()};
}

// Reads every worker's pipe until all are closed, without letting one that
// writes much wait on another.
void collect(std::vector<Worker>& workers) {
    std::vector<pollfd> polled;
    for (const Worker& worker : workers) {
        polled.push_back(pollfd{worker.fd, POLLIN, 0});
    }
    std::size_t open = workers.size();
    char buffer[65536];
    while (open > 0) {
        if (::poll(polled.data(), polled.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw std::system_error(errno, std::generic_category(), "cannot wait for the workers");
        }
        for (std::size_t i = 0; i < polled.size(); ++i) {
            if (polled[i].fd < 0 || polled[i].revents == 0) {
                continue;
            }
            const ssize_t count = ::read(polled[i].fd, buffer, sizeof buffer);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count > 0) {
                workers[i].received.append(buffer, static_cast<std::size_t>(count));
                continue;
            }
            ::close(polled[i].fd);
            polled[i].fd = -1;
            --open;
        }
    }
}

std::string howItEnded(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return std::string();
        }
    }
    if (WIFSIGNALED(status)) {
        return "signal " + std::to_string(WTERMSIG(status));
    }
    return WIFEXITED(status) && WEXITSTATUS(status) != 0
               ? "exit status " + std::to_string(WEXITSTATUS(status))
               : std::string();
}

// Files the results a worker sent. The first configuration of its share
// without a result is the one it died on; the rest of the share is
// returned, to be evaluated again. A worker that could not load the product
// leaves its failure in `noProduct`.
std::vector<std::size_t> settle(Worker& worker, std::vector<EvalResult>& results,
                                std::vector<bool>& done, std::unique_ptr<Failure>& noProduct) {
    const std::string ending = howItEnded(worker.pid);
    FrameReader reader(worker.received);
    std::uint64_t index = 0;
    EvalResult result;
    while (reader.next(index, result)) {
        if (index == kNoProduct) {
            noProduct = std::make_unique<Failure>(result.status, result.error);
        } else if (index < results.size()) {
            results[index] = std::move(result);
            done[index] = true;
        }
    }
    std::vector<std::size_t> left;
    bool blamed = noProduct != nullptr;
    for (std::size_t index : worker.share) {
        if (done[index]) {
            continue;
        }
        if (!blamed) {
            results[index] = EvalResult{
                kFindings, std::string(),
                "the worker evaluating it stopped" + (ending.empty() ? "" : " (" + ending + ")")};
            done[index] = true;
            blamed = true;
            continue;
        }
        left.push_back(index);
    }
    return left;
}

// Starts one worker per share; when one cannot be started, those already
// running are stopped and reaped before the failure goes on.
std::vector<Worker> startWorkers(const std::string& productDir,
                                 const std::vector<std::vector<Choice>>& configurations,
                                 std::vector<std::vector<std::size_t>> shares) {
    std::vector<Worker> workers;
    try {
        for (std::vector<std::size_t>& share : shares) {
            workers.push_back(startWorker(productDir, configurations, std::move(share), workers));
        }
    } catch (...) {
        for (const Worker& worker : workers) {
            ::close(worker.fd);
            ::kill(worker.pid, SIGKILL);
            howItEnded(worker.pid);
        }
        throw;
    }
    return workers;
}

std::vector<EvalResult> evaluateHere(const std::string& productDir,
                                     const std::vector<std::vector<Choice>>& configurations) {
    std::vector<EvalResult> results;
    ProductEvaluator evaluator(productDir);
    for (const std::vector<Choice>& choices : configurations) {
        results.push_back(evaluator.evaluate(choices));
    }
    return results;
}

}  // namespace

std::vector<EvalResult> batchEvaluate(const std::string& productDir,
                                      const std::vector<std::vector<Choice>>& configurations,
                                      int jobs) {
    if (jobs <= 1 || configurations.size() <= 1) {
        return evaluateHere(productDir, configurations);
    }
    std::vector<EvalResult> results(configurations.size());
    std::vector<bool> done(configurations.size(), false);
    std::vector<std::size_t> pending(configurations.size());
    for (std::size_t i = 0; i < pending.size(); ++i) {
        pending[i] = i;
    }
    // Each round shares what is left out in turn; a round after the first
    // happens only when a worker died.
    while (!pending.empty()) {
        const std::size_t count =
            std::min<std::size_t>(static_cast<std::size_t>(jobs), pending.size());
        std::vector<std::vector<std::size_t>> shares(count);
        for (std::size_t i = 0; i < pending.size(); ++i) {
            shares[i % count].push_back(pending[i]);
        }
        std::vector<Worker> workers = startWorkers(productDir, configurations, std::move(shares));
        collect(workers);
        pending.clear();
        std::unique_ptr<Failure> noProduct;
        for (Worker& worker : workers) {
            const std::vector<std::size_t> left = settle(worker, results, done, noProduct);
            pending.insert(pending.end(), left.begin(), left.end());
        }
        if (noProduct) {
            throw Failure(*noProduct);
        }
    }
    return results;
}

}  // namespace rkl
