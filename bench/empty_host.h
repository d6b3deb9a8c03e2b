#ifndef ZAMCORE_BENCH_EMPTY_HOST_H
#define ZAMCORE_BENCH_EMPTY_HOST_H

#include <zamcore/zamcore.h>

namespace zambench {

// A new window of a host that supplies no modules: the micro-benchmarks
// create every module they use up front. The host stays installed for the
// rest of the process, whichever benchmark runs when.
ref_count_ptr<ZAMWindow> openWindow();

}  // namespace zambench

#endif
