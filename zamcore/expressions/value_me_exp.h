#ifndef ZAMCORE_EXPRESSIONS_VALUE_ME_EXP_H
#define ZAMCORE_EXPRESSIONS_VALUE_ME_EXP_H

#include <vector>

#include "zamcore/expressions/exp.h"

class ZAMOptionExp;
class ZAMValueExp;

// "mutually_exclusive" ":" "{" name "." value, ... "}": at most one of these
// option-value pairs may be selected, where a pair is selected when a string
// option of that name holds a value with that text. Code 107 otherwise,
// naming the first two pairs found as name "." text. Changes nothing.
class ZAMValueMEExp final : public ZAMExp {
public:
    ZAMValueMEExp() : ZAMExp(0) {}
    ~ZAMValueMEExp() override;

    // Takes ownership of both; only the reference's name is used.
    void addPair(ZAMOptionExp* option, ZAMValueExp* value);

protected:
    void doExecute(ZAMSelOptionSet& set) override;

private:
    std::vector<ZAMValueExp*> values_;    // owned
    std::vector<ZAMOptionExp*> options_;  // owned, one per value
};

#endif
