#ifndef ZAMCORE_EXPRESSIONS_CONDITION_EXP_H
#define ZAMCORE_EXPRESSIONS_CONDITION_EXP_H

#include <string>
#include <utility>
#include <vector>

#include "zamcore/expressions/rkl_exp.h"
#include "zamcore/runtime/export.h"

class ZAMSelOptionSet;
class ZAMValueExp;

// A parsed load-if condition of a node. Made by the condition parser; a node
// without a condition hands out an empty one, which is undetermined.
class ZAMCORE_API ZAMConditionExp : public ZAMRklExp {
public:
    // (undetermined, truth): (true, false) when there is no expression or its
    // value is unset; otherwise (false, the logical value). A value of another
    // kind throws code 202. Reading option values may give `set` default
    // entries.
    std::pair<bool, bool> getValue(const ZAMSelOptionSet& set) const;

protected:
    ~ZAMConditionExp() override;

private:
    friend class ZAMRklParser;
    friend class ZAMNode;

    ZAMConditionExp();
    // Takes ownership of `expression`, which may be null, also when it
    // throws.
    ZAMConditionExp(ZAMValueExp* expression, const std::string& rkl,
                    const std::vector<ZAMOptionExp*>& options);

    ZAMValueExp* expression_;  // owned, may be null
};

#endif
