#ifndef ZAMCORE_MODEL_WINDOW_H
#define ZAMCORE_MODEL_WINDOW_H

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "zamcore/model/module.h"
#include "zamcore/revision.h"
#include "zamcore/runtime/export.h"
#include "zamcore/runtime/ref_count.h"
#include "zamcore/runtime/ref_count_ptr.h"

class ZAMNode;
class ZAMOption;
class ZAMValue;

namespace zamcore {
template <class Traits>
class FlatIndex;
struct ModulesById;
class BackPointerSlots;
class EvaluationCaches;
class ModuleLookup;
class Placeholders;
class WindowBackPointers;
}  // namespace zamcore

// One configuration context. A window owns its modules by id, asks the host's
// adapter for modules it lacks and has it refresh modules marked stale, holds
// the root of the host's node tree and forwards legacy option values to the
// adapter. Windows come only from ZAM::createWindow.
//
// Modules and options point back at their window without keeping it alive.
// When the window is destroyed it clears those pointers: a module or option
// that a host still holds then has a null window(), and whatever it can only
// do through its window throws code 2.
class ZAMCORE_API ZAMWindow : public ref_count {
public:
#if !ZAMCORE_EARLIER_INTERFACE
    // How the host evaluates; the engine stores it and answers the two
    // queries below but never branches on it.
    // A fixed underlying type: a host may store any int, and reading it back
    // must stay defined.
    enum VariantsMode : int { ModularOnly = 0, ModularAndLegacy = 1, LegacyOnly = 2 };
#endif

    using ModuleMap = std::map<std::string, ref_count_ptr<ZAMModule>>;

    // Throws code 301 when the window already has a module with this id.
    ref_count_ptr<ZAMModule> createModule(const std::string& id);
    // Removes the module, if present, and drops any refresh mark it had.
    void deleteModule(const std::string& id);
    // Marks a module of the window to be refreshed before the next lookup.
    void moduleNeedsRefresh(const std::string& id);
    // Marks every module that arrived for an external lookup.
    void externalsNeedRefresh();

    // The module with this id. Runs the pending refreshes first; asks the
    // adapter to load a module the window lacks and throws code 302 when it
    // does not supply one. A module loaded by a lookup with `external` true
    // is flagged external.
    ref_count_ptr<ZAMModule> getModule(const std::string& id) const;
    ref_count_ptr<ZAMModule> getModule(const std::string& id, bool external) const;
    const ModuleMap& moduleMap() const {
        return modules_;
    }

    void setRoot(ZAMNode* root) {
        root_ = root;
    }
    ZAMNode* askRoot() {
        return root_;
    }
    void setCurrentlyEvaluating(ZAMNode* node) {
        currentlyEvaluating_ = node;
    }
    ZAMNode* currentlyEvaluating() {
        return currentlyEvaluating_;
    }

#if !ZAMCORE_EARLIER_INTERFACE
    void setVariantsMode(VariantsMode mode) {
        variantsMode_ = mode;
    }
    VariantsMode askVariantsMode() {
        return variantsMode_;
    }
    bool evaluateModular();
    bool evaluateLegacy();
#endif

    // Evaluates the node tree from the root against an empty selected option
    // set. Does nothing without a root.
    void evaluate(bool updateState);

    // Legacy option values live with the host: these forward to the adapter.
    ref_count_ptr<ZAMValue> getLegacyOptionValue(const ref_count_ptr<ZAMOption>& option);
#if !ZAMCORE_EARLIER_INTERFACE
    std::vector<ref_count_ptr<ZAMValue>> getLegacyOptionValues(
        const ref_count_ptr<ZAMOption>& option);
#endif
    void setLegacyOptionValue(const ref_count_ptr<ZAMOption>& option,
                              const ref_count_ptr<ZAMValue>& value);
#if !ZAMCORE_EARLIER_INTERFACE
    void setLegacyOptionValues(const ref_count_ptr<ZAMOption>& option,
                               std::vector<ref_count_ptr<ZAMValue>> values);
#endif

protected:
    ~ZAMWindow() override;

private:
    friend class ZAM;
    friend class zamcore::WindowBackPointers;
    friend class zamcore::ModuleLookup;
    friend class zamcore::EvaluationCaches;
    friend class ZAMOption;  // keeps placeholders in the window
    ZAMWindow();

    void refreshPending() const;

    ZAMNode* root_;                 // not owned
    ZAMNode* currentlyEvaluating_;  // not owned
    // Lookups are const but consume refresh marks and load modules.
    mutable std::set<std::string> refreshSet_;
#if !ZAMCORE_EARLIER_INTERFACE
    VariantsMode variantsMode_ = LegacyOnly;
#endif
    mutable ModuleMap modules_;
    // The registered raw pointers back to this window, cleared by the
    // destructor (zamcore::WindowBackPointers).
    std::unique_ptr<zamcore::BackPointerSlots> backPointers_;
    // Changes whenever a module or option comes or goes
    // (zamcore::ModuleLookup).
    std::uint64_t lookupGeneration_;
    // The placeholders of failed option lookups, handed out again while
    // the generation above stays (zamcore::Placeholders).
    std::unique_ptr<zamcore::Placeholders> placeholders_;
    // The modules of modules_ by id, changed with it: lookups hash the id
    // instead of comparing it down a tree.
    std::unique_ptr<zamcore::FlatIndex<zamcore::ModulesById>> moduleIndex_;
    // What evaluations remember between nodes, valid for one generation
    // (zamcore::EvaluationCaches); made on first use.
    std::unique_ptr<zamcore::EvaluationCaches> evaluationCaches_;
};

#endif
