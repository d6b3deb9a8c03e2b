// zamcore._zamcore: the compiled part of the Python package zamcore.

#include "bindings.h"
#include "python_errors.h"

PYBIND11_MODULE(_zamcore, module) {
    module.doc() = "The zamcore engine and the product level, for the package zamcore.";
    zampy::registerErrorTranslators();
    zampy::bindEngine(module);
    zampy::bindProduct(module);
}
