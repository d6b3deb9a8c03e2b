#ifndef ZAMCORE_PYTHON_PYTHON_ERRORS_H
#define ZAMCORE_PYTHON_PYTHON_ERRORS_H

#include <pybind11/pybind11.h>
#include <zamcore/zamcore.h>

#include "bindings.h"

#include <utility>

namespace zampy {

namespace py = pybind11;

// Errors cross the boundary between Python and the engine in both
// directions, and neither side's exceptions may escape into the other:
//
// - An engine call made from Python that throws ZAMException raises
//   zamcore.EngineError (zamcore.RklSyntaxError for code 10) with the
//   exception's code, texts and line.
// - A Python exception raised in a host override (adapter or node) is kept
//   aside and the engine sees a ZAMException instead: the code of an
//   EngineError, code 2 for anything else. When that exception comes back
//   out of the engine, the original Python exception is raised again, with
//   its own type and traceback, to the caller of the engine call.
// - An engine call that returns normally although an override failed (the
//   engine handled the ZAMException) still raises the kept exception, unless
//   it was an EngineError: the engine knows its code and chose to handle it.
//
// Everything here runs with the GIL held: engine calls made from Python do
// not release it, since hosts' overrides re-enter Python.

// Installs the translators of ZAMException and rkl::Failure. Called once by
// the module's initialisation.
void registerErrorTranslators();

// Raises zamcore.EngineError or zamcore.RklSyntaxError for `error`, or the
// Python exception kept aside by a failed override; for use in a translator.
void raiseEngineError(const ZAMException& error);

// Keeps the Python error being handled aside and returns the ZAMException
// that stands for it inside the engine. Call in a catch block.
ZAMException keepForEngine(py::error_already_set& error);
// The same for a C++ exception thrown by pybind11 while calling an override
// (a result of the wrong type, a pure override missing): it becomes a Python
// exception first.
ZAMException keepForEngine(const std::exception& error);

// Runs a host override: any Python or pybind11 exception it raises is kept
// aside and thrown on into the engine as a ZAMException.
template <class Call>
auto fromHost(Call&& call) -> decltype(call()) {
    try {
        return call();
    } catch (py::error_already_set& error) {
        throw keepForEngine(error);
    } catch (const ZAMException&) {
        throw;
    } catch (const std::exception& error) {
        throw keepForEngine(error);
    }
}

// Marks one engine call made from Python: whatever an earlier call left kept
// aside is set apart for the call's duration, and a kept exception that the
// engine swallowed is raised when the call returns.
class EngineCall {
public:
    EngineCall();
    ~EngineCall();
    EngineCall(const EngineCall&) = delete;
    EngineCall& operator=(const EngineCall&) = delete;
    // Raises an exception kept aside during the call and not handed back
    // yet; call after the engine returned normally.
    void finish();

private:
    py::object outer_;
};

template <class Call>
auto intoEngine(Call&& call) -> decltype(call()) {
    EngineCall scope;
    if constexpr (std::is_void_v<decltype(call())>) {
        call();
        scope.finish();
    } else {
        auto result = call();
        scope.finish();
        return result;
    }
}

}  // namespace zampy

#endif
