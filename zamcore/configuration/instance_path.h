#ifndef ZAMCORE_CONFIGURATION_INSTANCE_PATH_H
#define ZAMCORE_CONFIGURATION_INSTANCE_PATH_H

#include "zamcore/language/path.h"

class ZAMNode;

namespace zamcore {

// Where values presented from above arrive. Putting a set into a module
// instance's context and validating a structure both decide with these
// whether a value presented at a path reaches an instance, so that the
// validator reports exactly what evaluation does not deliver.

// Where `node` sits inside the module instance that encloses it: the path
// names from just below the nearest ancestor that stands for a module down to
// the node itself. Nodes with empty names add nothing.
ZAMPath instancePathOf(const ZAMNode* node);

// How well a value presented at `presented` fits the instance at `instance`:
// -1 when it does not reach it (the presented names do not occur as an
// unbroken run inside the instance path), 0 for the empty path, which
// reaches every instance, and above that the higher, the better the fit
// (ZAMPath::compare).
inline int presentedFit(const ZAMPath& instance, const ZAMPath& presented) {
    return instance.compare(presented);
}

}  // namespace zamcore

#endif
