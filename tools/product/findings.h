#ifndef RKL_FINDINGS_H
#define RKL_FINDINGS_H

#include <string>
#include <vector>

#include "diagnostic.h"
#include "module_source.h"
#include "open_texts.h"
#include "session.h"

namespace rkl {

// Everything that can be known about texts without evaluating them: syntax
// errors, text the engine would ignore, and for a product the validator's
// findings. `paths` are module texts (".rkl"), product.json files or
// directories (every "*.rkl" of it, and its product.json when it has one).
// Texts in `open` stand in for the files of the same path, so that unsaved
// editor buffers can be checked. Nothing is printed; Failure(kUsage) for a
// path that is none of these.
std::vector<Diagnostic> checkFindings(const std::vector<std::string>& paths,
                                      const OpenTexts& open = OpenTexts());

// The validator's findings on a prepared session's tree: references to
// options out of reach, at the rule, declaration or load-if condition that
// holds them.
std::vector<Diagnostic> validationFindings(Session& session);

// A warning at an "endif", "else" or "elif" that closes nothing at the top
// level of a module's rule text: the engine reads the rules up to it and
// ignores the rest. Empty when there is none or the text does not lex.
std::vector<Diagnostic> ignoredTextFindings(const ModuleSource& source);

}  // namespace rkl

#endif
