#ifndef ZAMCORE_PYTHON_HOST_CALLBACKS_H
#define ZAMCORE_PYTHON_HOST_CALLBACKS_H

#include <pybind11/pybind11.h>
#include <zamcore/zamcore.h>

#include "bindings.h"

#include <string>
#include <vector>

namespace zampy {

namespace py = pybind11;

// The adapter as subclassed in Python (zamcore.Adapter): every slot calls
// the Python override of the same name in snake_case, or the engine's
// default where the slot has one. A Python exception from an override goes
// into the engine as a ZAMException (python_errors.h).
class PyAdapter : public ZAM::AdapterInterface {
public:
    bool loadModule(ZAMWindow* window, const std::string& id) override;
    bool refreshModule(ZAMWindow* window, ref_count_ptr<ZAMModule> module) override;
    bool userMsg(ZAMWindow* window, ZAM::MsgSeverity severity, const std::string& message,
                 ZAMNode* node) override;
    bool allowOptionOverride(const ZAMSelOptionSet::ZAMSosEntry& existing, const ZAMNode* node,
                             ZAMSelOptionSet::HowSet howSet) override;
    ref_count_ptr<ZAMValue> getLegacyOptionValue(ZAMWindow* window,
                                                 const ref_count_ptr<ZAMOption>& option) override;
    std::vector<ref_count_ptr<ZAMValue>> getLegacyOptionValues(
        ZAMWindow* window, const ref_count_ptr<ZAMOption>& option) override;
    void setLegacyOptionValue(ZAMWindow* window, const ref_count_ptr<ZAMOption>& option,
                              const ref_count_ptr<ZAMValue>& value) override;
    void setLegacyOptionValues(ZAMWindow* window, const ref_count_ptr<ZAMOption>& option,
                               std::vector<ref_count_ptr<ZAMValue>> values) override;
    std::string localizeString(const std::string& key) override;
};

// A node as subclassed in Python (zamcore.Node). The tree belongs to the
// host: the engine keeps plain pointers to nodes only while it walks, and
// the Python objects behind them must stay alive meanwhile. The window holds
// its root (Window.set_root); parent() and children() must answer with
// nodes the host holds itself (a parent holding its children in a list, a
// child its parent), and a node nothing else holds is refused with a
// TypeError rather than freed under the engine's feet.
//
// A node holds its window: the node's sets point at it without holding it.
// A node that is its window's root clears the root when it is destroyed, so
// the window never keeps a pointer to a node that is gone.
class PyNode : public ZAMNode {
public:
    explicit PyNode(const ref_count_ptr<ZAMWindow>& window);
    ~PyNode() override;
    PyNode(const PyNode&) = delete;
    PyNode& operator=(const PyNode&) = delete;

    ZAMNode* parent() const override;
    ZAMNodeIterator* children() override;
    bool hasModule() const override;
    std::string moduleId() const override;
    std::string pathName() const override;
    void stateChanged(ConfigState state) override;
    void evaluateLegacyExpressions() override;
    bool legacyConditionExists() override;
    ConfigState evaluateLegacyCondition() override;
    void evaluateLegacyErrorChecks() override;
    ConfigState forcedConfigState() override;

private:
    ref_count_ptr<ZAMWindow> window_;
};

// A selected option set entry as Python sees it: a copy.
py::object entryToPython(const ZAMSelOptionSet::ZAMSosEntry& entry);

// The Python object of a node created from Python, None for a null node.
// Other nodes have none to give (a wrapper made up for one could outlive
// it): they come as None too.
py::object existingNode(const ZAMNode* node);

}  // namespace zampy

#endif
