#include "zamcore/runtime/ref_count.h"

std::int32_t ref_count::globalCount = 0;

void ref_count::debugend() {}
