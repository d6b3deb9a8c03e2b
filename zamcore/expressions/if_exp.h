#ifndef ZAMCORE_EXPRESSIONS_IF_EXP_H
#define ZAMCORE_EXPRESSIONS_IF_EXP_H

#include "zamcore/expressions/exp.h"

class ZAMValueExp;

// "if" condition "then" statements ["elif" ... | "else" statements] "endif".
// A true condition runs the then part, a false one the else part (a list for
// "else", the nested if of an "elif"). A condition that is not a logical
// value, unset included, runs neither, nor any "elif" behind it.
//
// An "elif" chain nests one if per link in the else parts; it is run and
// released in a loop, not by recursion.
class ZAMIfExp final : public ZAMExp {
public:
    // Takes ownership of all three; the two parts may be null.
    ZAMIfExp(ZAMValueExp* condition, ZAMExp* thenPart, ZAMExp* elsePart, int line);
    ~ZAMIfExp() override;

protected:
    void doExecute(ZAMSelOptionSet& set) override;

private:
    // The part the condition selects, or null.
    ZAMExp* selectPart(ZAMSelOptionSet& set) const;

    ZAMExp* then_;            // owned, may be null
    ZAMExp* else_;            // owned, may be null
    ZAMValueExp* condition_;  // owned
    ZAMIfExp* elseChain_;     // else_ when it is the if of an "elif", else null
};

#endif
