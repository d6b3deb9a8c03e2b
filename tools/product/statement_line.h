#ifndef RKL_STATEMENT_LINE_H
#define RKL_STATEMENT_LINE_H

#include <string>

namespace rkl {

// The line a statement of rule text `rules` starts on, given the line the
// engine gives it: the line of the token after the statement (for a link of
// an "if" chain, the line of the "elif" after it, or of the token after
// "endif"). Of the statements the engine gives that line, the one starting
// last, which is the innermost; `engineLine` itself when none does or the
// text does not lex. The line alone cannot tell an error in the condition of
// an "if" link from one in the last statement of its part when the next
// link follows that statement; such an error is shown at the statement.
int statementStartLine(const std::string& rules, int engineLine);

}  // namespace rkl

#endif
