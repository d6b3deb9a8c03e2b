#ifndef RKL_EVAL_OUTPUT_H
#define RKL_EVAL_OUTPUT_H

#include <nlohmann/json.hpp>
#include <ostream>

#include "session.h"

namespace rkl {

// The result of a session as "rkl eval" shows it, after prepare() and, when
// that succeeded, evaluate(). A product that could not be prepared shows
// its errors only; an evaluation that stopped shows the part of the tree it
// evaluated and the messages raised before the error, then the error.

// As JSON: "root" (the tree), "messages" (the rules' messages), "findings"
// (mandatory options left empty, choices without effect) and, when the
// product could not be prepared or the evaluation stopped, "errors".
nlohmann::ordered_json evalJson(Session& session);

// As text: the tree, the messages and findings one a line, then the errors.
void printEval(Session& session, std::ostream& out);

// kFindings when anything went wrong: errors, a rule's "error" message, or
// a mandatory option left empty; otherwise kClean.
int evalStatus(Session& session);

// The rules' messages of severity `least` and above, then the findings,
// one a line as "node: severity: text".
void printNotices(Session& session, ZAM::MsgSeverity least, std::ostream& out);

}  // namespace rkl

#endif
