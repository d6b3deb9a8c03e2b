#ifndef RKL_PRODUCT_EVALUATOR_H
#define RKL_PRODUCT_EVALUATOR_H

#include <memory>
#include <string>
#include <vector>

#include "session.h"

namespace rkl {

// What evaluating a product for one set of choices gives: the exit status
// and the text `rkl eval --json` would print for the same choices.
struct EvalResult {
    int status = 0;     // kClean, kFindings or kUsage, as `rkl eval` exits
    std::string json;   // what `rkl eval --json` prints; empty when `error` is set
    std::string error;  // why there is no JSON: a choice that cannot be used
                        // (kUsage), an engine failure or a worker that stopped
};

// A product loaded once (its window, modules and tree) and evaluated for one
// set of choices at a time. Each evaluation starts from the product's own
// values: the nodes are put back as loading left them first. Prints nothing.
//
// It installs its adapter in the engine for its whole life, so one evaluator
// (or Session) at a time per process.
class ProductEvaluator {
public:
    // Failure(kUsage) when the product directory cannot be read. Errors in
    // its texts are reported by every evaluation, as `rkl eval` does.
    explicit ProductEvaluator(const std::string& directory);
    ~ProductEvaluator();
    ProductEvaluator(const ProductEvaluator&) = delete;
    ProductEvaluator& operator=(const ProductEvaluator&) = delete;

    EvalResult evaluate(const std::vector<Choice>& choices);

private:
    void load();

    std::string directory_;
    std::unique_ptr<Session> session_;
    bool loaded_ = false;
};

// Evaluates `productDir` for each configuration and returns the results in
// the same order. With `jobs` above 1 the work is shared among that many
// forked worker processes (never more than there are configurations), each
// loading the product once and sending its results back over a pipe; a
// worker that dies gives the configuration it was evaluating an error result
// (kFindings), and the rest of its share goes to a new worker. With `jobs`
// 1 or less everything runs in this process. Failure(kUsage) when the
// product directory cannot be read.
std::vector<EvalResult> batchEvaluate(const std::string& productDir,
                                      const std::vector<std::vector<Choice>>& configurations,
                                      int jobs);

}  // namespace rkl

#endif
