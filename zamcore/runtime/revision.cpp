#include "zamcore/revision.h"

// The symbol that marks this library's revision of the interface (see
// revision.h); its value is never used.
extern "C" int ZAMCORE_REVISION_SYMBOL() {
    return ZAMCORE_EARLIER_INTERFACE;
}
