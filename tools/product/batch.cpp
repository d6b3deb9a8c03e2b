#include <algorithm>
#include <nlohmann/json.hpp>
#include <ostream>

#include "batch.h"
#include "commands.h"
#include "text_file.h"

namespace rkl {

std::vector<FileResult> evaluateFiles(const std::string& product,
                                      const std::vector<std::string>& choiceFiles, int jobs) {
    std::vector<FileResult> results(choiceFiles.size());
    std::vector<std::vector<Choice>> configurations;
    std::vector<std::size_t> evaluated;
    for (std::size_t i = 0; i < choiceFiles.size(); ++i) {
        results[i].file = choiceFiles[i];
        try {
            configurations.push_back(readChoices(choiceFiles[i]));
            evaluated.push_back(i);
        } catch (const Failure& failure) {
            results[i].result = EvalResult{failure.status(), std::string(), failure.what()};
        }
    }
    std::vector<EvalResult> done = batchEvaluate(product, configurations, jobs);
    for (std::size_t i = 0; i < evaluated.size(); ++i) {
        results[evaluated[i]].result = std::move(done[i]);
    }
    return results;
}

nlohmann::ordered_json parsedResult(const EvalResult& result) {
    return result.json.empty() ? nlohmann::ordered_json()
                               : nlohmann::ordered_json::parse(result.json);
}

std::string oneLine(const nlohmann::ordered_json& json) {
    return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

int runBatch(const std::string& product, const std::vector<std::string>& choiceFiles, int jobs,
             std::ostream& out) {
    int status = kClean;
    for (const FileResult& file : evaluateFiles(product, choiceFiles, jobs)) {
        nlohmann::ordered_json line;
        line["version"] = kBatchVersion;
        line["choices"] = file.file;
        line["exit"] = file.result.status;
        line["result"] = parsedResult(file.result);
        if (!file.result.error.empty()) {
            line["error"] = file.result.error;
        }
        out << oneLine(line) << "\n";
        status = std::max(status, file.result.status);
    }
    return status;
}

}  // namespace rkl
