#ifndef ZAMCORE_PYTHON_VALUE_CONVERSION_H
#define ZAMCORE_PYTHON_VALUE_CONVERSION_H

#include <pybind11/pybind11.h>
#include <zamcore/zamcore.h>

#include "bindings.h"

#include <string>

namespace zampy {

namespace py = pybind11;

// Engine texts are bytes; those that are not UTF-8 come to Python with the
// offending bytes as lone surrogates ("surrogateescape") and go back
// unchanged, so no text the engine holds is refused or altered on the way.
py::str text(const std::string& bytes);
std::string bytesOf(const py::handle& object);

// The engine's values as Python's: None for unset, then bool, int, float
// and str.
py::object toPython(const ref_count_ptr<ZAMValue>& value);
// And back: TypeError for any other type, OverflowError for an int outside
// the engine's 32 bits.
ref_count_ptr<ZAMValue> toValue(const py::handle& object);

// A path as the list of its names, and the other way round.
py::list namesOf(const ZAMPath& path);
ZAMPath pathOf(const py::handle& names);

}  // namespace zampy

#endif
