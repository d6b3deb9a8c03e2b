#ifndef ZAMCORE_CONFIGURATION_VALIDATION_ERROR_H
#define ZAMCORE_CONFIGURATION_VALIDATION_ERROR_H

#include "zamcore/model/option.h"
#include "zamcore/runtime/export.h"
#include "zamcore/runtime/ref_count_ptr.h"

class ZAMNode;

// One finding of ZAMValidator: at `node`, `option` is used where it cannot be
// reached. A plain value: it holds one count on the option and none on the
// node, which the host owns and must keep alive while it reads the record.
class ZAMCORE_API ValidationError {
public:
    enum ErrorCode : int {
        // A presented option of the node's module whose base option is not
        // visible there; the option recorded is the presented one.
        PresentedOptionNotVisible = 0,
        // A presented option with a path at which no module instance of its
        // base option's module sits below the node; the presented option.
        PresentedPathNotFound = 1,
        // An option the rules of the node's module refer to that is not
        // visible there; the option referred to.
        RuleOptionNotVisible = 2,
        // An option the node's load-if condition refers to that is not
        // visible in its parent's context; the option referred to.
        LoadIfOptionNotVisible = 3
    };

    ValidationError(ErrorCode code, ZAMNode* node, ref_count_ptr<ZAMOption> option);
    ValidationError(const ValidationError& other) noexcept;
    ValidationError& operator=(const ValidationError& other) noexcept;
    ~ValidationError();

    ErrorCode code() const { return code_; }
    ZAMNode* node() const { return node_; }
    ref_count_ptr<ZAMOption> option() const { return option_; }

private:
    ErrorCode code_;
    ZAMNode* node_;  // not owned
    ref_count_ptr<ZAMOption> option_;
};

#endif
