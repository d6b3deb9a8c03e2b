#ifndef ZAMCORE_MODEL_MODULE_H
#define ZAMCORE_MODEL_MODULE_H

#include <string>

#include "zamcore/runtime/export.h"
#include "zamcore/runtime/ref_count.h"
#include "zamcore/runtime/ref_count_ptr.h"

class ZAMWindow;

// A module: the unit of configuration knowledge, unique by id within its
// window. Created only by ZAMWindow::createModule; keeps a raw, uncounted
// pointer back to its window.
class ZAMCORE_API ZAMModule : public ref_count {
public:
    const std::string& id() const { return id_; }
    ref_count_ptr<ZAMWindow> window() const;

    // Set on modules the host supplied for an external lookup; such modules
    // take part in ZAMWindow::externalsNeedRefresh.
    void setExternal(bool external) { external_ = external; }
    bool isExternal() const { return external_; }

    // Modules are equal when their ids are.
    bool operator==(const ZAMModule& other) const { return id_ == other.id_; }

protected:
    ~ZAMModule() override;

private:
    friend class ZAMWindow;
    ZAMModule(ZAMWindow* window, const std::string& id);

    ZAMWindow* window_;  // not owned
    std::string id_;
    bool external_;
};

#endif
