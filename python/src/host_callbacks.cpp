#include "host_callbacks.h"

#include <pybind11/stl.h>

#include "python_errors.h"
#include "value_conversion.h"

namespace zampy {

namespace {

// The Python method `name` of the object behind `self` when its class
// overrides the one of the bound class `Base`; null otherwise. (pybind11's
// own lookup refuses an override while the same method runs further up the
// stack, but hosts re-enter: loading one module loads the modules it
// presents.)
template <class Base>
py::function overrideOf(const Base* self, const char* name) {
    const py::detail::type_info* bound = py::detail::get_type_info(typeid(Base));
    const py::handle object = py::detail::get_object_handle(self, bound);
    if (!object) {
        return py::function();
    }
    const py::handle type(reinterpret_cast<PyObject*>(Py_TYPE(object.ptr())));
    const py::object found = py::getattr(type, name, py::none());
    const py::object inherited =
        py::getattr(reinterpret_cast<PyObject*>(bound->type), name, py::none());
    if (found.is_none() || found.is(inherited)) {
        return py::function();
    }
    return py::reinterpret_borrow<py::function>(py::getattr(object, name));
}

py::function adapterOverride(const PyAdapter* adapter, const char* name) {
    return overrideOf<ZAM::AdapterInterface>(adapter, name);
}

py::function nodeOverride(const PyNode* node, const char* name) {
    return overrideOf<ZAMNode>(node, name);
}

// The override of a slot the engine has no default for.
py::function required(py::function override, const char* owner, const char* name) {
    if (!override) {
        throw py::type_error(std::string(owner) + " subclass does not implement " + name + "()");
    }
    return override;
}

// Handles passed to Python hold their object, so a Python host may keep
// them after the callback returns.
ref_count_ptr<ZAMWindow> held(ZAMWindow* window) {
    return ref_count_ptr<ZAMWindow>(window);
}

// A node given to the engine must be held by something besides the
// temporary references of this call: otherwise it dies when the call ends
// while the engine still points at it.
ZAMNode* heldNode(const py::handle& node, Py_ssize_t temporaries, const char* what) {
    ZAMNode* pointer = node.cast<ZAMNode*>();
    if (Py_REFCNT(node.ptr()) <= temporaries) {
        throw py::type_error(std::string(what) +
                             " returned a node that nothing else holds; the host must keep "
                             "its nodes alive");
    }
    return pointer;
}

// The children of a Python node, held in a tuple while the engine walks
// them.
class ChildIterator : public ZAMNodeIterator {
public:
    explicit ChildIterator(py::tuple children) : children_(std::move(children)) {
        pointers_.reserve(children_.size());
        for (const py::handle child : children_) {
            // One reference is the tuple's.
            pointers_.push_back(heldNode(child, 1, "children()"));
        }
    }
    bool hasMore() override { return index_ < pointers_.size(); }
    ZAMNode* current() override { return pointers_[index_]; }
    void next() override { ++index_; }

private:
    py::tuple children_;
    std::vector<ZAMNode*> pointers_;
    std::size_t index_ = 0;
};

std::vector<ref_count_ptr<ZAMValue>> valuesOf(const py::handle& list) {
    std::vector<ref_count_ptr<ZAMValue>> values;
    for (const py::handle item : list) {
        values.push_back(toValue(item));
    }
    return values;
}

py::list pythonValues(const std::vector<ref_count_ptr<ZAMValue>>& values) {
    py::list list;
    for (const ref_count_ptr<ZAMValue>& value : values) {
        list.append(toPython(value));
    }
    return list;
}

}  // namespace

py::object existingNode(const ZAMNode* node) {
    if (node == nullptr) {
        return py::none();
    }
    const py::handle found =
        py::detail::get_object_handle(node, py::detail::get_type_info(typeid(ZAMNode)));
    return found ? py::reinterpret_borrow<py::object>(found) : py::none();
}

py::object entryToPython(const ZAMSelOptionSet::ZAMSosEntry& entry) {
    return py::cast(entry, py::return_value_policy::copy);
}

bool PyAdapter::loadModule(ZAMWindow* window, const std::string& id) {
    return fromHost([&] {
        py::gil_scoped_acquire gil;
        py::function load =
            required(adapterOverride(this, "load_module"), "Adapter", "load_module");
        return load(held(window), text(id)).cast<bool>();
    });
}

bool PyAdapter::refreshModule(ZAMWindow* window, ref_count_ptr<ZAMModule> module) {
    return fromHost([&] {
        py::gil_scoped_acquire gil;
        py::function refresh =
            required(adapterOverride(this, "refresh_module"), "Adapter", "refresh_module");
        return refresh(held(window), module).cast<bool>();
    });
}

bool PyAdapter::userMsg(ZAMWindow* window, ZAM::MsgSeverity severity, const std::string& message,
                        ZAMNode* node) {
    return fromHost([&] {
        py::gil_scoped_acquire gil;
        py::function override = adapterOverride(this, "user_msg");
        if (!override) {
            return AdapterInterface::userMsg(window, severity, message, node);
        }
        return override(held(window), severity, text(message), existingNode(node)).cast<bool>();
    });
}

bool PyAdapter::allowOptionOverride(const ZAMSelOptionSet::ZAMSosEntry& existing,
                                    const ZAMNode* node, ZAMSelOptionSet::HowSet howSet) {
    return fromHost([&] {
        py::gil_scoped_acquire gil;
        py::function override = adapterOverride(this, "allow_option_override");
        if (!override) {
            return AdapterInterface::allowOptionOverride(existing, node, howSet);
        }
        return override(entryToPython(existing), existingNode(node), howSet).cast<bool>();
    });
}

ref_count_ptr<ZAMValue> PyAdapter::getLegacyOptionValue(ZAMWindow* window,
                                                        const ref_count_ptr<ZAMOption>& option) {
    return fromHost([&] {
        py::gil_scoped_acquire gil;
        py::function override = adapterOverride(this, "get_legacy_option_value");
        if (!override) {
            return AdapterInterface::getLegacyOptionValue(window, option);
        }
        return toValue(override(held(window), option));
    });
}

std::vector<ref_count_ptr<ZAMValue>> PyAdapter::getLegacyOptionValues(
    ZAMWindow* window, const ref_count_ptr<ZAMOption>& option) {
    return fromHost([&] {
        py::gil_scoped_acquire gil;
        py::function override = adapterOverride(this, "get_legacy_option_values");
        if (!override) {
            return AdapterInterface::getLegacyOptionValues(window, option);
        }
        return valuesOf(override(held(window), option));
    });
}

void PyAdapter::setLegacyOptionValue(ZAMWindow* window, const ref_count_ptr<ZAMOption>& option,
                                     const ref_count_ptr<ZAMValue>& value) {
    fromHost([&] {
        py::gil_scoped_acquire gil;
        py::function override = adapterOverride(this, "set_legacy_option_value");
        if (override) {
            override(held(window), option, toPython(value));
        }
    });
}

void PyAdapter::setLegacyOptionValues(ZAMWindow* window, const ref_count_ptr<ZAMOption>& option,
                                      std::vector<ref_count_ptr<ZAMValue>> values) {
    fromHost([&] {
        py::gil_scoped_acquire gil;
        py::function override = adapterOverride(this, "set_legacy_option_values");
        if (override) {
            override(held(window), option, pythonValues(values));
        }
    });
}

std::string PyAdapter::localizeString(const std::string& key) {
    return fromHost([&] {
        py::gil_scoped_acquire gil;
        py::function override = adapterOverride(this, "localize_string");
        if (!override) {
            return AdapterInterface::localizeString(key);
        }
        return bytesOf(override(text(key)));
    });
}

PyNode::PyNode(const ref_count_ptr<ZAMWindow>& window) : ZAMNode(window), window_(window) {}

PyNode::~PyNode() {
    if (window_ && window_->askRoot() == this) {
        window_->setRoot(nullptr);
    }
}

ZAMNode* PyNode::parent() const {
    return fromHost([&]() -> ZAMNode* {
        py::gil_scoped_acquire gil;
        py::object parent = required(nodeOverride(this, "parent"), "Node", "parent")();
        // One reference is this call's.
        return parent.is_none() ? nullptr : heldNode(parent, 1, "parent()");
    });
}

ZAMNodeIterator* PyNode::children() {
    return fromHost([&]() -> ZAMNodeIterator* {
        py::gil_scoped_acquire gil;
        py::tuple children(required(nodeOverride(this, "children"), "Node", "children")());
        return new ChildIterator(std::move(children));
    });
}

bool PyNode::hasModule() const {
    return fromHost([&] {
        py::gil_scoped_acquire gil;
        return required(nodeOverride(this, "has_module"), "Node", "has_module")().cast<bool>();
    });
}

std::string PyNode::moduleId() const {
    return fromHost([&] {
        py::gil_scoped_acquire gil;
        return bytesOf(required(nodeOverride(this, "module_id"), "Node", "module_id")());
    });
}

std::string PyNode::pathName() const {
    return fromHost([&] {
        py::gil_scoped_acquire gil;
        return bytesOf(required(nodeOverride(this, "path_name"), "Node", "path_name")());
    });
}

void PyNode::stateChanged(ConfigState state) {
    fromHost([&] {
        py::gil_scoped_acquire gil;
        if (py::function override = nodeOverride(this, "state_changed")) {
            override(state);
        }
    });
}

void PyNode::evaluateLegacyExpressions() {
    fromHost([&] {
        py::gil_scoped_acquire gil;
        if (py::function override = nodeOverride(this, "evaluate_legacy_expressions")) {
            override();
        }
    });
}

bool PyNode::legacyConditionExists() {
    return fromHost([&] {
        py::gil_scoped_acquire gil;
        py::function override = nodeOverride(this, "legacy_condition_exists");
        return override ? override().cast<bool>() : ZAMNode::legacyConditionExists();
    });
}

ZAMNode::ConfigState PyNode::evaluateLegacyCondition() {
    return fromHost([&] {
        py::gil_scoped_acquire gil;
        py::function override = nodeOverride(this, "evaluate_legacy_condition");
        return override ? override().cast<ConfigState>() : ZAMNode::evaluateLegacyCondition();
    });
}

void PyNode::evaluateLegacyErrorChecks() {
    fromHost([&] {
        py::gil_scoped_acquire gil;
        if (py::function override = nodeOverride(this, "evaluate_legacy_error_checks")) {
            override();
        }
    });
}

ZAMNode::ConfigState PyNode::forcedConfigState() {
    return fromHost([&] {
        py::gil_scoped_acquire gil;
        py::function override = nodeOverride(this, "forced_config_state");
        return override ? override().cast<ConfigState>() : ZAMNode::forcedConfigState();
    });
}

}  // namespace zampy
