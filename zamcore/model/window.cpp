#include "zamcore/model/window.h"

#include "zamcore/configuration/evaluation_caches.h"
#include "zamcore/configuration/node.h"
#include "zamcore/configuration/sel_option_set.h"
#include "zamcore/model/back_pointer_slots.h"
#include "zamcore/model/model_indexes.h"
#include "zamcore/model/module_lookup.h"
#include "zamcore/model/placeholders.h"
#include "zamcore/runtime/adapter_access.h"
#include "zamcore/values/value.h"

ZAMWindow::ZAMWindow()
    : root_(nullptr),
      currentlyEvaluating_(nullptr),
      backPointers_(new zamcore::BackPointerSlots()),
      lookupGeneration_(zamcore::ModuleLookup::fresh()),
      placeholders_(new zamcore::Placeholders()),
      moduleIndex_(new zamcore::ModuleIndex()) {}

// The pointers are cleared before the modules go, so that nothing released
// with them reaches back into this window.
ZAMWindow::~ZAMWindow() {
    backPointers_->forEach([](ZAMWindow** slot) { *slot = nullptr; });
}

ref_count_ptr<ZAMModule> ZAMWindow::createModule(const std::string& id) {
    if (moduleIndex_->find(id) != nullptr) {
        throw ZAMException(301, "", "", "");
    }
    ref_count_ptr<ZAMModule> module(new ZAMModule(this, id));
    moduleIndex_->reserveOne();
    modules_.emplace(id, module);
    moduleIndex_->insert(module.get());
    zamcore::ModuleLookup::changed(this);
    return module;
}

void ZAMWindow::deleteModule(const std::string& id) {
    refreshSet_.erase(id);
    auto found = modules_.find(id);
    if (found == modules_.end()) {
        return;
    }
    // Released once the map and its index agree again.
    const ref_count_ptr<ZAMModule> gone = found->second;
    moduleIndex_->erase(id);
    modules_.erase(found);
    zamcore::ModuleLookup::changed(this);
}

void ZAMWindow::moduleNeedsRefresh(const std::string& id) {
    if (moduleIndex_->find(id) != nullptr) {
        refreshSet_.insert(id);
    }
}

void ZAMWindow::externalsNeedRefresh() {
    for (const auto& entry : modules_) {
        if (entry.second->isExternal()) {
            refreshSet_.insert(entry.first);
        }
    }
}

ref_count_ptr<ZAMModule> ZAMWindow::getModule(const std::string& id) const {
    return getModule(id, false);
}

ref_count_ptr<ZAMModule> ZAMWindow::getModule(const std::string& id, bool external) const {
    refreshPending();
    if (ZAMModule* found = moduleIndex_->find(id)) {
        return ref_count_ptr<ZAMModule>(found);
    }
    ZAMWindow* self = const_cast<ZAMWindow*>(this);
    if (!zamcore::requireAdapter().loadModule(self, id)) {
        throw ZAMException(302, id, "", "");
    }
    ZAMModule* loaded = moduleIndex_->find(id);
    if (loaded == nullptr) {
        throw ZAMException(302, id, "", "");
    }
    if (external) {
        loaded->setExternal(true);
    }
    return ref_count_ptr<ZAMModule>(loaded);
}

// The marks are taken over before the first refresh, so marks made while the
// host refreshes wait for the next lookup. A marked module deleted since is
// skipped: the host never receives a null module.
void ZAMWindow::refreshPending() const {
    if (refreshSet_.empty()) {
        return;
    }
    std::set<std::string> pending;
    pending.swap(refreshSet_);
    ZAMWindow* self = const_cast<ZAMWindow*>(this);
    for (const std::string& id : pending) {
        // Hold the module: the host may delete it from the window meanwhile.
        ref_count_ptr<ZAMModule> module(moduleIndex_->find(id));
        if (!module) {
            continue;
        }
        if (!zamcore::requireAdapter().refreshModule(self, module)) {
            self->deleteModule(id);
        }
    }
}

void ZAMWindow::evaluate(bool updateState) {
    ZAMSelOptionSet set(this);
    if (root_ != nullptr) {
        root_->evaluate(set, updateState);
    }
}

ref_count_ptr<ZAMValue> ZAMWindow::getLegacyOptionValue(const ref_count_ptr<ZAMOption>& option) {
    return zamcore::requireAdapter().getLegacyOptionValue(this, option);
}

void ZAMWindow::setLegacyOptionValue(const ref_count_ptr<ZAMOption>& option,
                                     const ref_count_ptr<ZAMValue>& value) {
    zamcore::requireAdapter().setLegacyOptionValue(this, option, value);
}

// The variants mode and the multi-valued legacy calls are not part of the
// earlier revision of the interface.
#if !ZAMCORE_EARLIER_INTERFACE

bool ZAMWindow::evaluateModular() {
    return variantsMode_ == ModularOnly || variantsMode_ == ModularAndLegacy;
}

bool ZAMWindow::evaluateLegacy() {
    return variantsMode_ == ModularAndLegacy || variantsMode_ == LegacyOnly;
}

std::vector<ref_count_ptr<ZAMValue>> ZAMWindow::getLegacyOptionValues(
    const ref_count_ptr<ZAMOption>& option) {
    return zamcore::requireAdapter().getLegacyOptionValues(this, option);
}

void ZAMWindow::setLegacyOptionValues(const ref_count_ptr<ZAMOption>& option,
                                      std::vector<ref_count_ptr<ZAMValue>> values) {
    zamcore::requireAdapter().setLegacyOptionValues(this, option, std::move(values));
}

#endif
