#ifndef ZAMCORE_EXPRESSIONS_EXP_ROOT_H
#define ZAMCORE_EXPRESSIONS_EXP_ROOT_H

#include <string>
#include <vector>

#include "zamcore/expressions/rkl_exp.h"
#include "zamcore/runtime/export.h"

class ZAMExp;
class ZAMSelOptionSet;

// The parsed rule text of a module: its statements, run in order against a
// selected option set. Made by the rule parser; a module hands it out through
// ZAMModule::getRkl (an empty root, running nothing, when it has no rules).
class ZAMCORE_API ZAMExpRoot : public ZAMRklExp {
public:
    // Runs the statements. The first exception ends the run, carrying the
    // line of the innermost statement with a known line; what ran before it
    // stays in `set`.
    virtual void execute(ZAMSelOptionSet& set);

protected:
    ~ZAMExpRoot() override;

private:
    friend class ZAMRklParser;
    friend class ZAMModule;

    ZAMExpRoot();
    // Takes ownership of `root`, which may be null, also when it throws.
    ZAMExpRoot(ZAMExp* root, const std::string& rkl, const std::vector<ZAMOptionExp*>& options);

    ZAMExp* root_;  // owned, may be null
};

#endif
