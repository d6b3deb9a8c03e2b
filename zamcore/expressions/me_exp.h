#ifndef ZAMCORE_EXPRESSIONS_ME_EXP_H
#define ZAMCORE_EXPRESSIONS_ME_EXP_H

#include <vector>

#include "zamcore/expressions/exp.h"

class ZAMOptionExp;

// "mutually_exclusive" ":" "[" names "]": at most one value in total among
// the string options of these names that hold a value in the set (code 106
// otherwise, naming the first two found; one option with two values names
// itself twice). Each option found is marked mutually exclusive, a lasting
// change of the option made every time the rule runs. Looking an option up
// may fail; such an option is skipped.
class ZAMMEExp final : public ZAMExp {
public:
    ZAMMEExp() : ZAMExp(0) {}
    ~ZAMMEExp() override;

    // Takes ownership; only the reference's name is used.
    void addOption(ZAMOptionExp* option);

protected:
    void doExecute(ZAMSelOptionSet& set) override;

private:
    std::vector<ZAMOptionExp*> options_;  // owned
};

#endif
