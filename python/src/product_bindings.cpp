// The product level of tools/product for zamcore.Product and
// zamcore.evaluate_many; python/zamcore/product.py builds the Python side.
//
// The engine has one adapter per process, and a loaded product keeps its
// adapter installed. So only one product is loaded at a time: the one that
// evaluated last. Any other use of the product level, and zamcore.initialize,
// unloads it first; it loads again when it is next asked to evaluate. All of
// this runs with the GIL held, which keeps the engine to one thread, except
// a batch shared among worker processes, which leaves the engine of this
// process alone and waits with the GIL released.

#include <pybind11/stl.h>

#include <commands.h>
#include <findings.h>
#include <product_evaluator.h>
#include <text_file.h>

#include <memory>
#include <sstream>

#include "bindings.h"
#include "python_errors.h"
#include "value_conversion.h"

namespace zampy {

namespace {

class LoadedProduct;
LoadedProduct* active = nullptr;

void unloadActive();

// A product directory, loaded into the engine while it is the active one.
class LoadedProduct {
public:
    explicit LoadedProduct(std::string directory) : directory_(std::move(directory)) { load(); }
    ~LoadedProduct() {
        if (active == this) {
            active = nullptr;
        }
    }
    LoadedProduct(const LoadedProduct&) = delete;
    LoadedProduct& operator=(const LoadedProduct&) = delete;

    rkl::EvalResult evaluate(const std::vector<rkl::Choice>& choices) {
        if (active != this) {
            load();
        }
        return evaluator_->evaluate(choices);
    }
    void unload() {
        evaluator_.reset();
        if (active == this) {
            active = nullptr;
        }
    }
    const std::string& directory() const { return directory_; }

private:
    void load() {
        unloadActive();
        evaluator_ = std::make_unique<rkl::ProductEvaluator>(directory_);
        active = this;
    }

    std::string directory_;
    std::unique_ptr<rkl::ProductEvaluator> evaluator_;
};

void unloadActive() {
    if (active != nullptr) {
        active->unload();
    }
    // The adapter the package held for a Python host is no longer the
    // engine's.
    py::module_::import("zamcore._zamcore").attr("_adapter") = py::none();
}

bool isPath(const py::handle& object) {
    return PyUnicode_Check(object.ptr()) || py::hasattr(object, "__fspath__");
}

std::string pathText(const py::handle& object) {
    return bytesOf(py::module_::import("os").attr("fspath")(object));
}

// "module:option[node]=value", optionally after "set " or "fix ".
rkl::Choice choiceOf(const std::string& line, std::size_t index) {
    const std::size_t start = line.find_first_not_of(" \t");
    std::string text = start == std::string::npos ? std::string() : line.substr(start);
    ZAMSelOptionSet::HowSet how = ZAMSelOptionSet::UserSet;
    for (const auto& [word, kind] : {std::pair{"fix", ZAMSelOptionSet::UserFixed},
                                     std::pair{"set", ZAMSelOptionSet::UserSet}}) {
        const std::string prefix = std::string(word) + " ";
        if (text.compare(0, prefix.size(), prefix) == 0) {
            how = kind;
            text = text.substr(text.find_first_not_of(" \t", prefix.size()));
        }
    }
    return rkl::Choice{text, "choices[" + std::to_string(index) + "]", how};
}

// None, a choices file's path, or a list of choice strings.
std::vector<rkl::Choice> choicesOf(const py::handle& choices) {
    if (choices.is_none()) {
        return {};
    }
    if (isPath(choices)) {
        return rkl::readChoices(pathText(choices));
    }
    std::vector<rkl::Choice> read;
    for (const py::handle line : choices) {
        read.push_back(choiceOf(bytesOf(line), read.size()));
    }
    return read;
}

py::tuple resultTuple(const rkl::EvalResult& result) {
    return py::make_tuple(result.status, text(result.json), text(result.error));
}

py::list diagnosticsOf(const std::vector<rkl::Diagnostic>& diagnostics) {
    py::list list;
    for (const rkl::Diagnostic& d : rkl::sorted(diagnostics)) {
        const py::object column =
            d.column == std::string::npos ? py::object(py::none()) : py::int_(d.column);
        list.append(py::make_tuple(text(d.file), d.line, text(d.severity), text(d.message),
                                   text(d.sourceLine), column, text(rkl::format(d))));
    }
    return list;
}

// Runs one of the rkl commands that print, giving its exit status and what
// it printed.
template <class Command>
py::tuple printed(Command&& command) {
    unloadActive();
    std::ostringstream out;
    const int status = command(out);
    return py::make_tuple(status, text(out.str()));
}

std::vector<std::string> textsOf(const py::handle& list) {
    std::vector<std::string> texts;
    for (const py::handle item : list) {
        texts.push_back(bytesOf(item));
    }
    return texts;
}

}  // namespace

void unloadProducts() {
    unloadActive();
}

void bindProduct(py::module_& m) {
    py::class_<LoadedProduct>(m, "_LoadedProduct",
                              "A product directory loaded once and evaluated many times; the "
                              "engine side of zamcore.Product.")
        .def(py::init([](const py::handle& path) {
                 return std::make_unique<LoadedProduct>(pathText(path));
             }),
             py::arg("path"))
        .def_property_readonly("directory",
                               [](const LoadedProduct& p) { return text(p.directory()); })
        .def(
            "evaluate",
            [](LoadedProduct& self, const py::handle& choices) {
                return resultTuple(self.evaluate(choicesOf(choices)));
            },
            py::arg("choices") = py::none(),
            "(status, JSON text of rkl eval --json, error) for one set of choices.");

    m.def(
        "_batch_evaluate",
        [](const py::handle& path, const py::handle& configurations, int jobs) {
            const std::string directory = pathText(path);
            std::vector<std::vector<rkl::Choice>> read;
            for (const py::handle choices : configurations) {
                read.push_back(choicesOf(choices));
            }
            std::vector<rkl::EvalResult> results;
            unloadActive();
            if (jobs > 1 && read.size() > 1) {
                // The workers are processes of their own; this one only waits.
                py::gil_scoped_release released;
                results = rkl::batchEvaluate(directory, read, jobs);
            } else {
                results = rkl::batchEvaluate(directory, read, 1);
            }
            py::list list;
            for (const rkl::EvalResult& result : results) {
                list.append(resultTuple(result));
            }
            return list;
        },
        py::arg("path"), py::arg("configurations"), py::arg("jobs"),
        "(status, JSON, error) for each configuration, in `jobs` worker processes.");

    m.def(
        "_check",
        [](const py::handle& paths) {
            unloadActive();
            std::vector<std::string> read;
            for (const py::handle path : paths) {
                read.push_back(pathText(path));
            }
            return diagnosticsOf(rkl::checkFindings(read));
        },
        py::arg("paths"), "What rkl check reports, as tuples.");

    m.def(
        "_explain",
        [](const py::handle& path, const py::handle& target, const py::handle& choices) {
            const std::vector<rkl::Choice> read = choicesOf(choices);
            return printed([&](std::ostream& out) {
                return rkl::runExplain(pathText(path), read, bytesOf(target), out);
            });
        },
        py::arg("path"), py::arg("target"), py::arg("choices") = py::none(),
        "(status, text) of rkl explain.");

    m.def(
        "_rename",
        [](const py::handle& path, const py::handle& modules, const py::handle& options,
           bool dryRun) {
            const std::vector<std::string> moduleRenames = textsOf(modules);
            const std::vector<std::string> optionRenames = textsOf(options);
            return printed([&](std::ostream& out) {
                return rkl::runRename(pathText(path), moduleRenames, optionRenames, dryRun, out);
            });
        },
        py::arg("path"), py::arg("modules"), py::arg("options"), py::arg("dry_run"),
        "(status, text) of rkl rename.");
}

}  // namespace zampy
