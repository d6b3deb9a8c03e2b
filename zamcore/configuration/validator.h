#ifndef ZAMCORE_CONFIGURATION_VALIDATOR_H
#define ZAMCORE_CONFIGURATION_VALIDATOR_H

#include <vector>

#include "zamcore/configuration/validation_error.h"
#include "zamcore/runtime/export.h"

class ZAMNode;

// Lists the options a structure's texts use where they cannot be reached,
// without evaluating anything. At a node that stands for a module instance
// the options of its own module are visible, and of the nearest module
// instances below it (the first module boundaries met going down) only their
// public options; a node that is no boundary sees what its enclosing instance
// sees. Findings are kept as records, appended by every call and never
// cleared.
class ZAMCORE_API ZAMValidator {
public:
    ZAMValidator();
    ~ZAMValidator();

    // Validates `node`, and its whole subtree when `recurse` is true. The
    // findings come in pre-order; for each node first the options of its
    // load-if condition not visible in its parent's context (a node without
    // parent has none to check), then its module's presented options whose
    // base is not visible or whose path reaches no module instance below,
    // exactly as evaluation delivers presented values (the path's names
    // occur as an unbroken run inside the instance's path, which runs from
    // just below the nearest ancestor standing for a module down to the
    // instance's own node), then the options its module's rules use and
    // cannot see; the options of one condition or rule text are reported
    // once each, by option id. Validation started at a module boundary checks its load-if
    // condition against nothing visible. Exceptions from the host's nodes
    // and from finding modules and options pass out; the findings made before
    // them stay. The host's child iterators are deleted on every path.
    void validateNode(ZAMNode* node, bool recurse);

    const std::vector<ValidationError>& errors() const { return errors_; }

private:
    std::vector<ValidationError> errors_;
};

#endif
