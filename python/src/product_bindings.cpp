#include "bindings.h"

namespace zampy {

void bindProduct(py::module_&) {}

}  // namespace zampy
