#ifndef RKL_BATCH_H
#define RKL_BATCH_H

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "product_evaluator.h"

namespace rkl {

// The version of the lines `rkl batch` and `rkl diff --json` print; it
// changes only when a field changes meaning or goes away.
constexpr int kBatchVersion = 1;

// The evaluation of a product for the choices of one file.
struct FileResult {
    std::string file;
    EvalResult result;  // a file that cannot be read gives kUsage and its error
};

// Evaluates `product` for the choices of each file, in `jobs` worker
// processes; the results in the order of the files.
std::vector<FileResult> evaluateFiles(const std::string& product,
                                      const std::vector<std::string>& choiceFiles, int jobs);

// The JSON of a result, null when it has none.
nlohmann::ordered_json parsedResult(const EvalResult& result);

// JSON on one line, as the batch and diff lines are printed.
std::string oneLine(const nlohmann::ordered_json& json);

}  // namespace rkl

#endif
