#ifndef ZAMCORE_EXPRESSIONS_RKL_EXP_H
#define ZAMCORE_EXPRESSIONS_RKL_EXP_H

#include <set>
#include <string>
#include <vector>

#include "zamcore/runtime/export.h"
#include "zamcore/runtime/ref_count.h"
#include "zamcore/runtime/ref_count_ptr.h"

class ZAMOption;
class ZAMOptionExp;
class ZAMWindow;

// A parsed text of the rule language, with the text it was parsed from and
// the option references it makes (the targets of "set" and "fix" and every
// option read, in the order written; a reference written twice is listed
// twice). The list does not own the references: they belong to the parsed
// tree, which lives exactly as long as this object.
class ZAMCORE_API ZAMRklExp : public ref_count {
public:
    // The source text, as parsed.
    const std::string& rkl() const { return rkl_; }

    // Adds the option each reference names in `window` to `options`, which
    // is not cleared first. A reference that cannot be resolved throws; what
    // was added before stays.
    void referencedOptions(const ref_count_ptr<ZAMWindow>& window,
                           std::set<ref_count_ptr<ZAMOption>>& options) const;

protected:
    ZAMRklExp();
    ZAMRklExp(const std::string& rkl, const std::vector<ZAMOptionExp*>& options);
    ~ZAMRklExp() override;

private:
    std::string rkl_;
    std::vector<ZAMOptionExp*> options_;  // not owned
};

#endif
