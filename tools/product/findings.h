#ifndef RKL_FINDINGS_H
#define RKL_FINDINGS_H

#include <string>
#include <vector>

#include "diagnostic.h"

namespace rkl {

// What `rkl check` reports for `paths` (module texts, product.json files or
// directories), collected without printing; Failure(kUsage) for a path that
// is none of these.
std::vector<Diagnostic> checkFindings(const std::vector<std::string>& paths);

}  // namespace rkl

#endif
