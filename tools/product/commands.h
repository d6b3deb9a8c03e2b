#ifndef RKL_COMMANDS_H
#define RKL_COMMANDS_H

#include <iosfwd>
#include <string>
#include <vector>

#include "diagnostic.h"
#include "session.h"

namespace rkl {

// Each command writes its result to `out` and returns the exit status:
// kClean, kFindings or kUsage. A command line or file it cannot use throws
// Failure.

// Parses module texts (files, or every "*.rkl" of a directory) and a
// product's product.json, printing every error found.
int runCheck(const std::vector<std::string>& paths, std::ostream& out);

// Evaluates a product with the given choices and prints the tree, or JSON.
int runEval(const std::string& product, const std::vector<Choice>& choices, bool json,
            std::ostream& out);

// What `rkl eval` prints for a session that was prepared and evaluated
// (`ok` false when either failed), and its exit status.
struct EvalOutput {
    int status;
    std::string text;
};
EvalOutput renderEval(Session& session, bool ok, bool json);

// Evaluates a product for the choices of each file, in `jobs` worker
// processes, and prints one JSON line per file in the order given. Returns
// the highest exit status of the evaluations.
int runBatch(const std::string& product, const std::vector<std::string>& choiceFiles, int jobs,
             std::ostream& out);

// Evaluates each choices file against two versions of a product and prints
// what differs, as text or one JSON line per file; kFindings when anything
// differs.
int runDiff(const std::string& oldProduct, const std::string& newProduct,
            const std::vector<std::string>& choiceFiles, int jobs, bool json, std::ostream& out);

// Lists every write to one option during an evaluation, and where each came
// from. `target` is "module:option" or "module:option[node path]".
int runExplain(const std::string& product, const std::vector<Choice>& choices,
               const std::string& target, std::ostream& out);

// Prints the references the validator finds that cannot be resolved.
int runValidate(const std::string& product, std::ostream& out);

// Renames modules ("OLD=NEW") and options ("MODULE:OLD=NEW") across a
// product's module texts and product.json.
int runRename(const std::string& product, const std::vector<std::string>& modules,
              const std::vector<std::string>& options, bool dryRun, std::ostream& out);

// Prints `diagnostics` in file and line order with a count of the errors,
// and returns kFindings (kClean when there are none).
int report(const std::vector<Diagnostic>& diagnostics, std::ostream& out);

}  // namespace rkl

#endif
