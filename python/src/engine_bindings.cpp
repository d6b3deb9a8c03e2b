// The engine's interface for hosts written in Python, in Python's names.
// Every call that can reach the host's overrides runs through intoEngine
// (python_errors.h), so that a Python exception an override raised comes
// back out to its caller.

#include <pybind11/operators.h>
#include <pybind11/stl.h>

#include "bindings.h"
#include "host_callbacks.h"
#include "python_errors.h"
#include "value_conversion.h"

namespace zampy {

namespace {

using Entry = ZAMSelOptionSet::ZAMSosEntry;

// The leak counter of counted objects is protected; a derived class may
// read it.
struct CountProbe : ref_count {
    static std::int32_t read() { return globalCount; }
};

py::list pythonValues(const std::vector<ref_count_ptr<ZAMValue>>& values) {
    py::list list;
    for (const ref_count_ptr<ZAMValue>& value : values) {
        list.append(toPython(value));
    }
    return list;
}

// An entry from one value, or a list of values, all set the same way.
Entry entryOf(const ref_count_ptr<ZAMOption>& option, const py::handle& value,
              ZAMSelOptionSet::HowSet howSet, const py::handle& path) {
    if (!option) {
        throw py::type_error("option must not be None");
    }
    Entry entry;
    entry.option = option;
    entry.path = pathOf(path);
    if (PyList_Check(value.ptr()) || PyTuple_Check(value.ptr())) {
        for (const py::handle item : value) {
            entry.values.push_back(toValue(item));
        }
    } else {
        entry.values.push_back(toValue(value));
    }
    entry.howSets.assign(entry.values.size(), howSet);
    return entry;
}

// Validation findings keep plain node pointers; they are turned into
// Python objects while the nodes are certainly alive, right after the
// validation.
struct PyValidator {
    ZAMValidator validator;
    py::list errors;
};

struct ValidationRecord {
    ValidationError::ErrorCode code;
    py::object node;
    ref_count_ptr<ZAMOption> option;
};

void bindEnums(py::module_& m) {
    py::enum_<ZAMSelOptionSet::HowSet>(m, "HowSet",
                                       "How a value came to be; decides which "
                                       "value may replace which.")
        .value("Default", ZAMSelOptionSet::Default, "the option's default")
        .value("UserSet", ZAMSelOptionSet::UserSet, "chosen by the user; rules may change it")
        .value("RuleSet", ZAMSelOptionSet::RuleSet, "written by a rule's set statement")
        .value("UserFixed", ZAMSelOptionSet::UserFixed,
               "chosen by the user; rules may not change it")
        .value("RuleFixed", ZAMSelOptionSet::RuleFixed, "written by a rule's fix statement")
        .value("Inherited", ZAMSelOptionSet::Inherited, "taken from the providing instance")
        .value("Imposed", ZAMSelOptionSet::Imposed, "replaces whatever is stored");
    py::enum_<ZAMNode::ConfigState>(m, "ConfigState", "Whether a node is part of the product.")
        .value("Undetermined", ZAMNode::Undetermined)
        .value("NotConfigured", ZAMNode::NotConfigured)
        .value("Configured", ZAMNode::Configured);
    py::enum_<ZAM::MsgSeverity>(m, "MsgSeverity", "Severity of a rule's message.")
        .value("Inform", ZAM::Inform)
        .value("Warn", ZAM::Warn)
        .value("Error", ZAM::Error);
    py::enum_<ZAMValue::ValueType>(m, "ValueType", "The kind of value an option holds.")
        .value("Unset", ZAMValue::VT_UNSET)
        .value("Bool", ZAMValue::VT_BOOL)
        .value("Int", ZAMValue::VT_INT)
        .value("Real", ZAMValue::VT_REAL)
        .value("String", ZAMValue::VT_STRING);
    py::enum_<ValidationError::ErrorCode>(m, "ValidationCode", "What a validation finding says.")
        .value("PresentedOptionNotVisible", ValidationError::PresentedOptionNotVisible)
        .value("PresentedPathNotFound", ValidationError::PresentedPathNotFound)
        .value("RuleOptionNotVisible", ValidationError::RuleOptionNotVisible)
        .value("LoadIfOptionNotVisible", ValidationError::LoadIfOptionNotVisible);
}

void bindAdapter(py::module_& m) {
    using Base = ZAM::AdapterInterface;
    py::class_<Base, PyAdapter>(m, "Adapter", R"doc(
The host's side of the engine; subclass it and pass an instance to
zamcore.initialize(). load_module and refresh_module must be implemented; the
other methods have the engine's defaults. An exception raised in any of them
reaches the caller of the engine call that led to it.)doc")
        .def(py::init<>())
        .def(
            "user_msg",
            [](Base& self, ref_count_ptr<ZAMWindow> window, ZAM::MsgSeverity severity,
               const py::handle& message, ZAMNode* node) {
                return self.Base::userMsg(window.get(), severity, bytesOf(message), node);
            },
            py::arg("window"), py::arg("severity"), py::arg("message"), py::arg("node"),
            "A rule's message statement ran; return False to stop the evaluation (code 500).")
        .def(
            "allow_option_override",
            [](Base& self, const Entry& existing, ZAMNode* node, ZAMSelOptionSet::HowSet howSet) {
                return intoEngine(
                    [&] { return self.Base::allowOptionOverride(existing, node, howSet); });
            },
            py::arg("existing"), py::arg("node"), py::arg("how_set"),
            "May the stored entry's value be replaced by one set as how_set? Default: the "
            "precedence of how-sets.")
        .def(
            "get_legacy_option_value",
            [](Base& self, ref_count_ptr<ZAMWindow> window, ref_count_ptr<ZAMOption> option) {
                return toPython(self.Base::getLegacyOptionValue(window.get(), option));
            },
            py::arg("window"), py::arg("option"),
            "A legacy option's value, kept by the host. Default: None.")
        .def(
            "get_legacy_option_values",
            [](Base& self, ref_count_ptr<ZAMWindow> window, ref_count_ptr<ZAMOption> option) {
                return pythonValues(self.Base::getLegacyOptionValues(window.get(), option));
            },
            py::arg("window"), py::arg("option"),
            "A legacy option's values. Default: get_legacy_option_value's value in a list.")
        .def(
            "set_legacy_option_value",
            [](Base&, ref_count_ptr<ZAMWindow>, ref_count_ptr<ZAMOption>, py::object) {},
            py::arg("window"), py::arg("option"), py::arg("value"),
            "Store a legacy option's value. Default: does nothing.")
        .def(
            "set_legacy_option_values",
            [](Base&, ref_count_ptr<ZAMWindow>, ref_count_ptr<ZAMOption>, py::list) {},
            py::arg("window"), py::arg("option"), py::arg("values"),
            "Store a legacy option's values. Default: does nothing.")
        .def(
            "localize_string",
            [](Base& self, const py::handle& key) {
                return text(self.Base::localizeString(bytesOf(key)));
            },
            py::arg("key"),
            "The message for a syntax error key. Default: the built-in English text.");
}

void bindWindow(py::module_& m) {
    py::class_<ZAMWindow, ref_count_ptr<ZAMWindow>>(m, "Window", R"doc(
One configuration context: it owns its modules by id, asks the adapter for
the modules it lacks and evaluates the host's node tree from its root.
Windows come from zamcore.create_window().)doc")
        .def(
            "create_module",
            [](ZAMWindow& self, const py::handle& id) { return self.createModule(bytesOf(id)); },
            py::arg("id"), "A new, empty module; EngineError 301 when the id is taken.")
        .def(
            "get_module",
            [](ZAMWindow& self, const py::handle& id, bool external) {
                return intoEngine([&] { return self.getModule(bytesOf(id), external); });
            },
            py::arg("id"), py::arg("external") = false,
            "The module with this id, loaded through the adapter when the window lacks it; "
            "EngineError 302 when the adapter has none.")
        .def(
            "delete_module",
            [](ZAMWindow& self, const py::handle& id) { self.deleteModule(bytesOf(id)); },
            py::arg("id"), "Removes the module, if present.")
        .def(
            "module_needs_refresh",
            [](ZAMWindow& self, const py::handle& id) { self.moduleNeedsRefresh(bytesOf(id)); },
            py::arg("id"), "Has the adapter refresh the module before the next lookup.")
        .def("externals_need_refresh", &ZAMWindow::externalsNeedRefresh,
             "Marks every module loaded for an external lookup to be refreshed.")
        .def_property_readonly(
            "modules",
            [](const ZAMWindow& self) {
                py::dict modules;
                for (const auto& [id, module] : self.moduleMap()) {
                    modules[text(id)] = module;
                }
                return modules;
            },
            "The window's modules by id (a new dict).")
        .def(
            "set_root",
            [](ZAMWindow& self, ZAMNode* root) {
                if (root != nullptr && root->window().get() != &self) {
                    throw py::value_error("the root node belongs to another window");
                }
                self.setRoot(root);
            },
            py::arg("root").none(true),
            "Makes a node of this window the root of the tree evaluate() walks; None removes "
            "it. The window does not hold the root: the host keeps its tree alive (a root that "
            "is destroyed stops being the root).")
        .def_property_readonly(
            "root", [](ZAMWindow& self) { return existingNode(self.askRoot()); },
            "The root node, or None.")
        .def(
            "evaluate",
            [](ZAMWindow& self, bool updateState) {
                intoEngine([&] { self.evaluate(updateState); });
            },
            py::arg("update_state") = true,
            "Evaluates the tree from its root against an empty selected option set.");
}

void bindModuleAndOption(py::module_& m) {
    py::class_<ZAMModule, ref_count_ptr<ZAMModule>>(m, "Module", R"doc(
A module: an interface of option declarations and a rule text. Created by
Window.create_module, usually from an adapter's load_module.)doc")
        .def_property_readonly(
            "id", [](const ZAMModule& self) { return text(self.id()); }, "The module's id.")
        .def_property_readonly("window", &ZAMModule::window, "The window, or None once it is gone.")
        .def_property_readonly("is_module_boundary", &ZAMModule::isModuleBoundary,
                               "Whether the module has entered an interface option.")
        .def(
            "add_option_string",
            [](ZAMModule& self, const py::handle& line) {
                return intoEngine([&] { return self.addOptionString(bytesOf(line)); });
            },
            py::arg("line"), "Declares the option one declaration line describes; returns it.")
        .def(
            "get_option",
            [](const ZAMModule& self, const py::handle& name) {
                return self.getOption(bytesOf(name));
            },
            py::arg("name"), "The option of that name; EngineError 102 when there is none.")
        .def(
            "delete_option",
            [](ZAMModule& self, const py::handle& name) { self.deleteOption(bytesOf(name)); },
            py::arg("name"), "Removes an option.")
        .def("options", &ZAMModule::options, "The interface options in name order.")
        .def(
            "declare_legacy_option",
            [](ZAMModule& self, const py::handle& name) {
                return self.declareLegacyOption(bytesOf(name));
            },
            py::arg("name"), "A new legacy option: its values live with the host's adapter.")
        .def(
            "ask_option_rkl",
            [](const ZAMModule& self, const py::handle& name) {
                return text(self.askOptionRkl(bytesOf(name)));
            },
            py::arg("name"), "The declaration line recorded for an option.")
        .def(
            "set_rkl",
            [](ZAMModule& self, const py::handle& rules) {
                intoEngine([&] { self.setRkl(bytesOf(rules)); });
            },
            py::arg("text"), "Replaces the module's rules; a syntax error keeps the old ones.")
        .def(
            "get_rkl_data", [](const ZAMModule& self) { return text(self.getRklData()); },
            "The whole module as one text: header, interface block and rules.")
        .def(
            "set_rkl_data",
            [](ZAMModule& self, const py::handle& data) {
                intoEngine([&] { self.setRklData(bytesOf(data)); });
            },
            py::arg("text"), "Loads a whole module text (as get_rkl_data writes it).");

    py::class_<ZAMOption, ref_count_ptr<ZAMOption>>(m, "Option", R"doc(
A named, typed choice of one module. Options compare by identity and order by
their id, the order of creation.)doc")
        .def_property_readonly(
            "name", [](const ZAMOption& o) { return text(o.name()); }, "The option's name.")
        .def_property_readonly(
            "module_id", [](const ZAMOption& o) { return text(o.moduleId()); },
            "The id of the option's module.")
        .def_property_readonly(
            "description", [](const ZAMOption& o) { return text(o.description()); },
            "The declared description.")
        .def_property_readonly("id", &ZAMOption::id, "The process-wide id.")
        .def_property_readonly("mandatory", &ZAMOption::mandatory, "Whether a value is required.")
        .def_property_readonly("mutually_exclusive", &ZAMOption::mutually_exclusive,
                               "Whether the option holds one value (else several).")
        .def_property_readonly("value_type", &ZAMOption::valueType, "The kind of value held.")
        .def_property_readonly(
            "default_value", [](const ZAMOption& o) { return toPython(o.defaultValue()); },
            "The default value, None when unset.")
        .def_property_readonly("based_on", &ZAMOption::basedOn,
                               "The base option, None for a declared option.")
        .def_property_readonly(
            "path", [](const ZAMOption& o) { return namesOf(o.path()); },
            "Where a presented option is presented.")
        .def(
            "validate_value",
            [](const ZAMOption& o, const py::handle& value) {
                return o.validateValue(toValue(value));
            },
            py::arg("value"), "Whether the option allows the value (None always).")
        .def_static(
            "find",
            [](const ref_count_ptr<ZAMWindow>& window, const py::handle& moduleId,
               const py::handle& name, bool external) {
                return intoEngine([&] {
                    return ZAMOption::findOption(window, bytesOf(moduleId), bytesOf(name),
                                                 external);
                });
            },
            py::arg("window"), py::arg("module_id"), py::arg("name"), py::arg("external") = false,
            "The option, loading its module; a placeholder when it cannot be found.")
        .def("__eq__", [](const ZAMOption& a, const ZAMOption* b) { return &a == b; })
        .def("__hash__", [](const ZAMOption& o) { return o.id(); })
        .def("__repr__", [](const ZAMOption& o) {
            return text("<zamcore.Option " + o.moduleId() + ":" + o.name() + ">");
        });
}

void bindNode(py::module_& m) {
    py::class_<ZAMNode, PyNode>(m, "Node", R"doc(
A node of the host's product structure; subclass it. Implement parent(),
children(), has_module(), module_id() and path_name(); state_changed() and
the legacy hooks are optional.

The tree belongs to the host: keep every node alive while it is in the tree
(a parent holding its children in a list is enough, with the root held by the
host). The window does not hold its root. parent() and children() must
answer with nodes held elsewhere; a node nothing else holds is refused.)doc")
        .def(py::init([](const ref_count_ptr<ZAMWindow>& window) {
                 if (!window) {
                     throw py::value_error("a node needs a window");
                 }
                 return new PyNode(window);
             }),
             py::arg("window"), "A node of `window`, with no condition and no own values.")
        .def_property_readonly("window", &ZAMNode::window, "The node's window.")
        .def(
            "module", [](const ZAMNode& self) { return self.module(); },
            "The module the node stands for; EngineError 309 when none.")
        .def(
            "set_load_if",
            [](ZAMNode& self, const py::handle& condition) {
                intoEngine([&] { self.setLoadIf(bytesOf(condition)); });
            },
            py::arg("condition"), "Sets the load-if condition; an empty text removes it.")
        .def(
            "get_sos",
            [](const ZAMNode& self) {
                return intoEngine([&] { return ZAMSelOptionSet(self.getSos()); });
            },
            "A copy of the node's own values, put into the node's module context.")
        .def(
            "set_sos",
            [](ZAMNode& self, ZAMSelOptionSet& set) { intoEngine([&] { self.setSos(set); }); },
            py::arg("set"), "Makes a copy of `set` the node's own values.")
        .def("clear_sos", &ZAMNode::clearSos, "Forgets the node's own values.")
        .def("is_node_configured", &ZAMNode::isNodeConfigured,
             "The state the last evaluation gave the node.")
        .def_property_readonly("is_module_boundary", &ZAMNode::isModuleBoundary,
                               "Whether the node stands for a module that is a boundary.")
        .def(
            "evaluate",
            [](ZAMNode& self, const ZAMSelOptionSet& set, bool updateState) {
                intoEngine([&] { self.evaluate(set, updateState); });
            },
            py::arg("set"), py::arg("update_state") = true,
            "Evaluates this node and its subtree against `set`.");
}

void bindSet(py::module_& m) {
    py::class_<Entry>(m, "SosEntry", "One option's values at one path, with how each was set.")
        .def_property_readonly(
            "option", [](const Entry& e) { return e.option; }, "The option.")
        .def_property_readonly(
            "path", [](const Entry& e) { return namesOf(e.path); },
            "The module instance the entry applies to, as names.")
        .def_property_readonly(
            "values", [](const Entry& e) { return pythonValues(e.values); },
            "The values; None for unset.")
        .def_property_readonly(
            "how_sets", [](const Entry& e) { return e.howSets; }, "How each value was set.")
        .def_property_readonly(
            "value",
            [](const Entry& e) { return e.values.empty() ? py::none() : toPython(e.values[0]); },
            "The first value (the only one of a single-valued option).")
        .def_property_readonly(
            "how_set",
            [](const Entry& e) { return e.howSets.empty() ? py::none() : py::cast(e.howSets[0]); },
            "How the first value was set.")
        .def("__repr__", [](const Entry& e) {
            return "<zamcore.SosEntry " + py::repr(pythonValues(e.values)).cast<std::string>() +
                   ">";
        });

    py::class_<ZAMSelOptionSet>(m, "SelectedOptionSet", R"doc(
Option values chosen for one configuration, each with how it was set. A set
keeps its window alive.)doc")
        .def(py::init<const ref_count_ptr<ZAMWindow>&>(), py::arg("window"), py::keep_alive<1, 2>(),
             "An empty set for `window`.")
        .def(
            "set",
            [](ZAMSelOptionSet& self, const ref_count_ptr<ZAMOption>& option,
               const py::handle& value, ZAMSelOptionSet::HowSet howSet, const py::handle& path) {
                const Entry entry = entryOf(option, value, howSet, path);
                intoEngine([&] { self.set(entry); });
            },
            py::arg("option"), py::arg("value"), py::arg("how_set") = ZAMSelOptionSet::UserSet,
            py::arg("path") = py::none(),
            "Stores a value (or a list of values) under the how-set precedence; `path` (names or "
            "a dotted text) places it at a module instance below the set's context.")
        .def(
            "get",
            [](const ZAMSelOptionSet& self, const ref_count_ptr<ZAMOption>& option,
               const py::handle& path) {
                if (!option) {
                    throw py::type_error("option must not be None");
                }
                const ZAMPath at = pathOf(path);
                return intoEngine([&] { return Entry(self.get(option, at)); });
            },
            py::arg("option"), py::arg("path") = py::none(),
            "The entry for the option (a copy); its default is stored first when it has none.")
        .def(
            "entries",
            [](const ZAMSelOptionSet& self) {
                py::list entries;
                for (const auto& keyed : self.contents()) {
                    entries.append(entryToPython(keyed.second));
                }
                return entries;
            },
            "Copies of every stored entry, by option id.")
        .def(
            "clear_entry",
            [](ZAMSelOptionSet& self, const ref_count_ptr<ZAMOption>& option,
               const py::handle& path) {
                Entry entry;
                entry.option = option;
                entry.path = pathOf(path);
                intoEngine([&] { self.clearEntry(entry); });
            },
            py::arg("option"), py::arg("path") = py::none(),
            "Puts the option's entries at the path back to its default.")
        .def("clear", &ZAMSelOptionSet::clear, "Removes every entry.")
        .def(
            "merge",
            [](ZAMSelOptionSet& self, const ZAMSelOptionSet& other) {
                intoEngine([&] { self.merge(other); });
            },
            py::arg("other"), "Sets the user-set, user-fixed and imposed values of `other`.")
        .def(
            "verify_completeness",
            [](ZAMSelOptionSet& self) { intoEngine([&] { self.verifyCompleteness(); }); },
            "EngineError 113 for the first mandatory option without a value.")
        .def("__len__", [](const ZAMSelOptionSet& self) { return self.contents().size(); });
}

void bindValidatorAndTranslator(py::module_& m) {
    py::class_<ValidationRecord>(m, "ValidationError",
                                 "A validation finding: at `node`, `option` cannot be reached.")
        .def_readonly("code", &ValidationRecord::code, "What the finding says.")
        .def_readonly("node", &ValidationRecord::node, "The node, None for one not made in Python.")
        .def_property_readonly(
            "option", [](const ValidationRecord& r) { return r.option; }, "The option concerned.");

    py::class_<PyValidator>(m, "Validator",
                            "Lists the options a structure's texts use where they cannot be "
                            "reached, without evaluating.")
        .def(py::init<>())
        .def(
            "validate_node",
            [](PyValidator& self, ZAMNode* node, bool recurse) {
                const std::size_t before = self.validator.errors().size();
                EngineCall scope;
                try {
                    self.validator.validateNode(node, recurse);
                } catch (...) {
                    // The findings made before the failure stay.
                    const auto& found = self.validator.errors();
                    for (std::size_t i = before; i < found.size(); ++i) {
                        self.errors.append(ValidationRecord{
                            found[i].code(), existingNode(found[i].node()), found[i].option()});
                    }
                    throw;
                }
                const auto& found = self.validator.errors();
                for (std::size_t i = before; i < found.size(); ++i) {
                    self.errors.append(ValidationRecord{
                        found[i].code(), existingNode(found[i].node()), found[i].option()});
                }
                scope.finish();
            },
            py::arg("node"), py::arg("recurse") = true,
            "Validates the node, and its subtree when `recurse`; findings add to `errors`.")
        .def_readonly("errors", &PyValidator::errors, "Every finding so far, in order.");

    py::class_<ZAMTranslater>(m, "Translator",
                              "Rewrites stored texts after modules or options were renamed.")
        .def(py::init<>())
        .def(
            "add_module_mapping",
            [](ZAMTranslater& t, const py::handle& from, const py::handle& to) {
                t.addModuleMapping(bytesOf(from), bytesOf(to));
            },
            py::arg("old_module_id"), py::arg("new_module_id"), "Renames a module.")
        .def(
            "add_option_mapping",
            [](ZAMTranslater& t, const py::handle& module, const py::handle& from,
               const py::handle& to) {
                t.addOptionMapping(bytesOf(module), bytesOf(from), bytesOf(to));
            },
            py::arg("module_id"), py::arg("old_option_name"), py::arg("new_option_name"),
            "Renames an option of a module.")
        .def(
            "lookup_mapping",
            [](ZAMTranslater& t, const py::handle& module, const py::handle& option) {
                const auto [newModule, newOption] =
                    t.lookupMapping(bytesOf(module), bytesOf(option));
                return py::make_tuple(text(newModule), text(newOption));
            },
            py::arg("module_id"), py::arg("option_name"),
            "(new module id, new option name) for a reference.")
        .def(
            "translate_option",
            [](ZAMTranslater& t, const py::handle& s) {
                return text(intoEngine([&] { return t.translateOption(bytesOf(s)); }));
            },
            py::arg("text"), "A declaration line with its references renamed.")
        .def(
            "translate_rkl",
            [](ZAMTranslater& t, const py::handle& s) {
                return text(intoEngine([&] { return t.translateRkl(bytesOf(s)); }));
            },
            py::arg("text"), "A rule text with its references renamed.")
        .def(
            "translate_condition",
            [](ZAMTranslater& t, const py::handle& s) {
                return text(intoEngine([&] { return t.translateCondition(bytesOf(s)); }));
            },
            py::arg("text"), "A load-if condition with its references renamed.")
        .def(
            "translate_rkl_data",
            [](ZAMTranslater& t, const py::handle& module, const py::handle& s) {
                return text(
                    intoEngine([&] { return t.translateRklData(bytesOf(module), bytesOf(s)); }));
            },
            py::arg("module_id"), py::arg("text"), "A whole module text, renamed.");
}

void bindFacade(py::module_& m) {
    m.def(
        "initialize",
        [m](py::object adapter) mutable {
            ZAM::AdapterInterface* installed =
                adapter.is_none() ? nullptr : adapter.cast<ZAM::AdapterInterface*>();
            unloadProducts();
            ZAM::initialize(installed);
            // The engine does not own the adapter: the module holds it while
            // it is installed.
            m.attr("_adapter") = adapter;
        },
        py::arg("adapter").none(true),
        "Installs the host's adapter (a zamcore.Adapter), replacing any earlier one; None "
        "removes it. The package holds the adapter while it is installed. A product loaded "
        "by the product level is unloaded first; a product that evaluates afterwards installs "
        "its own adapter in turn, and the host must call initialize again.");
    m.def(
        "create_window", [] { return ZAM::createWindow(); },
        "A new, empty window; EngineError 3 while no adapter is installed.");
    m.def(
        "rkl_quote_id", [](const py::handle& name) { return text(ZAM::rklQuoteId(bytesOf(name))); },
        py::arg("name"), "The name as rule texts write it, quoted when needed.");
    m.def(
        "rkl_quote_module_id",
        [](const py::handle& name) { return text(ZAM::rklQuoteModuleId(bytesOf(name))); },
        py::arg("module_id"), "A module id as rule texts write it, quoted when needed.");
    m.def(
        "_global_count",
        [] {
            // The shared logical and unset values live until the process
            // ends; made first, they never count as a leak.
            ZAMValue::createBool(true);
            ZAMValue::createUnset();
            return CountProbe::read();
        },
        "The number of live counted engine objects: a leak counter for tests.");
}

}  // namespace

void bindEngine(py::module_& m) {
    bindEnums(m);
    bindAdapter(m);
    bindWindow(m);
    bindModuleAndOption(m);
    bindNode(m);
    bindSet(m);
    bindValidatorAndTranslator(m);
    bindFacade(m);
}

}  // namespace zampy
