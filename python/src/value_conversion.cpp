#include "value_conversion.h"

#include <climits>

namespace zampy {

py::str text(const std::string& bytes) {
    PyObject* decoded = PyUnicode_DecodeUTF8(bytes.data(), static_cast<Py_ssize_t>(bytes.size()),
                                             "surrogateescape");
    if (decoded == nullptr) {
        throw py::error_already_set();
    }
    return py::reinterpret_steal<py::str>(decoded);
}

std::string bytesOf(const py::handle& object) {
    if (!PyUnicode_Check(object.ptr())) {
        throw py::type_error("expected str, got " +
                             py::str(py::type::of(object).attr("__name__")).cast<std::string>());
    }
    py::object encoded = py::reinterpret_steal<py::object>(
        PyUnicode_AsEncodedString(object.ptr(), "utf-8", "surrogateescape"));
    if (!encoded) {
        throw py::error_already_set();
    }
    return std::string(PyBytes_AS_STRING(encoded.ptr()),
                       static_cast<std::size_t>(PyBytes_GET_SIZE(encoded.ptr())));
}

py::object toPython(const ref_count_ptr<ZAMValue>& value) {
    if (!value) {
        return py::none();
    }
    switch (value->type()) {
        case ZAMValue::VT_BOOL:
            return py::bool_(value->boolValue());
        case ZAMValue::VT_INT:
            return py::int_(value->intValue());
        case ZAMValue::VT_REAL:
            return py::float_(value->realValue());
        case ZAMValue::VT_STRING:
            return text(value->strValue());
        default:
            return py::none();
    }
}

ref_count_ptr<ZAMValue> toValue(const py::handle& object) {
    if (object.is_none()) {
        return ZAMValue::createUnset();
    }
    // bool before int: True is an int to Python.
    if (PyBool_Check(object.ptr())) {
        return ZAMValue::createBool(object.ptr() == Py_True);
    }
    if (PyLong_Check(object.ptr())) {
        int overflow = 0;
        const long long number = PyLong_AsLongLongAndOverflow(object.ptr(), &overflow);
        if (overflow != 0 || number < INT_MIN || number > INT_MAX) {
            PyErr_SetString(PyExc_OverflowError, "int value outside the engine's 32 bits");
            throw py::error_already_set();
        }
        return ZAMValue::createInt(static_cast<int>(number));
    }
    if (PyFloat_Check(object.ptr())) {
        return ZAMValue::createReal(PyFloat_AS_DOUBLE(object.ptr()));
    }
    if (PyUnicode_Check(object.ptr())) {
        return ZAMValue::createString(bytesOf(object));
    }
    throw py::type_error("an option value is int, float, str, bool or None, not " +
                         py::str(py::type::of(object).attr("__name__")).cast<std::string>());
}

py::list namesOf(const ZAMPath& path) {
    py::list names;
    for (const std::string& name : path.path()) {
        names.append(text(name));
    }
    return names;
}

ZAMPath pathOf(const py::handle& names) {
    if (names.is_none()) {
        return ZAMPath();
    }
    if (PyUnicode_Check(names.ptr())) {
        return ZAMPath::parsePath(bytesOf(names));
    }
    ZAMPath path;
    for (const py::handle name : names) {
        path.append(bytesOf(name));
    }
    return path;
}

}  // namespace zampy
