#ifndef ZAMCORE_PYTHON_BINDINGS_H
#define ZAMCORE_PYTHON_BINDINGS_H

#include <pybind11/pybind11.h>
#include <zamcore/zamcore.h>

// Python objects for counted engine objects hold a ref_count_ptr: the count
// lives in the object (intrusive), so a handle made from a plain pointer
// anywhere joins the same count, and an object stays alive while Python or
// the engine holds it. Every source of the module includes this first, so
// that all of them cast these handles the same way.
PYBIND11_DECLARE_HOLDER_TYPE(T, ref_count_ptr<T>, true);

namespace zampy {

namespace py = pybind11;

// The engine level: windows, modules, options, nodes, sets, validator,
// translator, and the adapter and node classes Python hosts derive from.
void bindEngine(py::module_& module);
// The product level shared with rkl.
void bindProduct(py::module_& module);
// Unloads the product loaded last, whose adapter the engine holds: before a
// Python host installs its own.
void unloadProducts();

}  // namespace zampy

#endif
