#ifndef ZAMCORE_MODEL_OPTION_IDS_H
#define ZAMCORE_MODEL_OPTION_IDS_H

#include <cstdint>

#include "zamcore/runtime/export.h"

namespace zamcore {

// Makes `next` the id the next option takes and returns the id it would have
// taken. Exported for the tests only, so that they can reach the end of the
// id range without creating two thousand million options; not part of the
// installed interface, and the library never calls it.
ZAMCORE_API std::int64_t setNextOptionId(std::int64_t next);

}  // namespace zamcore

#endif
