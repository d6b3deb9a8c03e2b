#ifndef ZAMCORE_RUNTIME_ADAPTER_ACCESS_H
#define ZAMCORE_RUNTIME_ADAPTER_ACCESS_H

#include "zamcore/runtime/zam.h"

namespace zamcore {

// The installed adapter, for engine operations that must call back into the
// host. Throws code 3 (as createWindow does) when none is installed, rather
// than calling through a null pointer.
ZAM::AdapterInterface& requireAdapter();

}  // namespace zamcore

#endif
