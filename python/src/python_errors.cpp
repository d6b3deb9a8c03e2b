#include "python_errors.h"

#include <text_file.h>

#include <string>

#include "host_callbacks.h"
#include "value_conversion.h"

namespace zampy {

namespace {

// The exception a failed override raised, owned, until it is raised again
// or dropped; null when none is kept. Guarded by the GIL.
PyObject* kept = nullptr;

// The classes of zamcore._errors, looked up once and kept for the life of
// the process (never released: they must not be freed after the
// interpreter has gone).
py::handle errorClass(const char* name) {
    return py::object(py::module_::import("zamcore._errors").attr(name)).release();
}

py::handle engineErrorClass() {
    static const py::handle cls = errorClass("EngineError");
    return cls;
}

py::handle syntaxErrorClass() {
    static const py::handle cls = errorClass("RklSyntaxError");
    return cls;
}

py::handle productErrorClass() {
    static const py::handle cls = errorClass("ProductError");
    return cls;
}

void keep(const py::object& value) {
    Py_XDECREF(kept);
    kept = value.inc_ref().ptr();
}

py::object takeKept() {
    return py::reinterpret_steal<py::object>(std::exchange(kept, nullptr));
}

// Makes `value`, an exception instance, the current Python error with its
// own traceback.
void restore(const py::object& value) {
    PyObject* type = reinterpret_cast<PyObject*>(Py_TYPE(value.ptr()));
    PyObject* trace = PyException_GetTraceback(value.ptr());  // new reference or null
    Py_INCREF(type);
    PyErr_Restore(type, value.inc_ref().ptr(), trace);
}

bool isEngineError(const py::handle& value) {
    return PyObject_IsInstance(value.ptr(), engineErrorClass().ptr()) == 1;
}

// The engine's view of a Python exception: an EngineError keeps its code and
// texts, anything else is an internal failure of the host.
ZAMException engineSide(const py::object& value) {
    if (isEngineError(value)) {
        try {
            return ZAMException(value.attr("code").cast<int>(), value.attr("line").cast<int>(),
                                value.attr("info").cast<std::string>(),
                                value.attr("context").cast<std::string>(), std::string());
        } catch (py::error_already_set&) {
            // An EngineError whose attributes were replaced by something
            // unreadable is an error of the host like any other.
        } catch (const py::cast_error&) {
        }
    }
    std::string what = "Python exception in a host callback";
    try {
        what += ": " + py::repr(value).cast<std::string>();
    } catch (py::error_already_set&) {
    }
    return ZAMException(2, what, std::string(), std::string());
}

}  // namespace

ZAMException keepForEngine(py::error_already_set& error) {
    py::object value = error.value();
    keep(value);
    return engineSide(value);
}

ZAMException keepForEngine(const std::exception& error) {
    const auto* builtin = dynamic_cast<const py::builtin_exception*>(&error);
    if (dynamic_cast<const py::cast_error*>(&error) != nullptr) {
        PyErr_SetString(PyExc_TypeError, error.what());
    } else if (builtin != nullptr) {
        builtin->set_error();
    } else {
        PyErr_SetString(PyExc_RuntimeError, error.what());
    }
    py::error_already_set python;
    return keepForEngine(python);
}

void raiseEngineError(const ZAMException& error) {
    if (kept != nullptr) {
        restore(takeKept());
        return;
    }
    const py::handle cls = error.code() == 10 ? syntaxErrorClass() : engineErrorClass();
    py::object value = cls(error.code(), text(error.info()), text(error.context()), error.line(),
                           text(error.extrainfo2()), existingNode(error.node()));
    PyErr_SetObject(cls.ptr(), value.ptr());
}

void registerErrorTranslators() {
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) {
                std::rethrow_exception(thrown);
            }
        } catch (const ZAMException& error) {
            raiseEngineError(error);
        } catch (const rkl::Failure& failure) {
            py::object value = productErrorClass()(failure.status(), failure.what());
            PyErr_SetObject(productErrorClass().ptr(), value.ptr());
        }
    });
}

EngineCall::EngineCall() : outer_(takeKept()) {}

EngineCall::~EngineCall() {
    // A call that failed leaves its own kept exception for the translator;
    // otherwise what an enclosing call kept is put back.
    if (kept == nullptr && outer_) {
        kept = outer_.release().ptr();
    }
}

void EngineCall::finish() {
    if (kept == nullptr) {
        return;
    }
    py::object value = takeKept();
    if (!isEngineError(value)) {
        restore(value);
        throw py::error_already_set();
    }
}

}  // namespace zampy
