// Renaming an option inside its module. The module is written out as source
// text, the text is rewritten so that its rules refer to the new name, and it
// is read back; the old name is then dropped and the new declaration line
// read. Reading the text back declares every interface option again in
// place, so a failure at any step is undone from a copy of everything the
// steps touch, taken before the first one.

#include <map>
#include <string>
#include <vector>

#include "zamcore/model/model_indexes.h"
#include "zamcore/model/module.h"
#include "zamcore/model/module_lookup.h"
#include "zamcore/runtime/exception.h"
#include "zamcore/translation/translater.h"

// The legacy options are left out: a rename never touches them.
struct ZAMModule::SavedState {
    OptionMap options;
    std::vector<ZAMOption::DeclaredState> declared;  // of `options`, in map order
    std::vector<ref_count_ptr<ZAMOption>> usingOptions;
    std::map<std::string, std::string> declarationTexts;
    ref_count_ptr<ZAMExpRoot> rules;
    bool moduleBoundary;
};

ref_count_ptr<ZAMOption> ZAMModule::changeOptionString(ref_count_ptr<ZAMOption> option,
                                                       std::string newName,
                                                       const std::string& text) {
    if (!option) {
        throw ZAMException(102, "", "", "");
    }
    if (option->scope() == ZAMOption::Legacy) {
        return option;
    }
    // `text` may be one of this module's own declaration lines (as
    // askOptionRkl hands them out), which the rename replaces or erases.
    const std::string declaration = text;
    if (testOptions_) {
        return addOptionString(declaration);
    }
    const SavedState saved = saveState();
    try {
        return renameOption(option->name(), newName, declaration);
    } catch (...) {
        restoreState(saved);
        throw;
    }
}

ref_count_ptr<ZAMOption> ZAMModule::renameOption(const std::string& oldName,
                                                 const std::string& newName,
                                                 const std::string& declaration) {
    ZAMTranslater translater;
    translater.addOptionMapping(id_, oldName, newName);
    setRklData(translater.translateRklData(id_, getRklData()));
    // The interface still declares the old name: the translation renames
    // references, never the names that lines declare.
    forgetOption(oldName);
    return addOptionString(declaration);
}

ZAMModule::SavedState ZAMModule::saveState() const {
    SavedState saved{options_, {}, usingOptions_, declarationTexts_, rules_, moduleBoundary_};
    saved.declared.reserve(options_.size());
    for (const auto& entry : options_) {
        saved.declared.push_back(entry.second->declaredState());
    }
    return saved;
}

void ZAMModule::restoreState(const SavedState& saved) {
    optionIndex_->rebuild(saved.options,
                          [](const OptionMap::value_type& entry) { return entry.second.get(); });
    options_ = saved.options;
    auto declared = saved.declared.begin();
    for (const auto& entry : options_) {
        entry.second->restoreDeclaredState(*declared++);
    }
    usingOptions_ = saved.usingOptions;
    declarationTexts_ = saved.declarationTexts;
    rules_ = saved.rules;
    moduleBoundary_ = saved.moduleBoundary;
    zamcore::ModuleLookup::changed(window_);
}
