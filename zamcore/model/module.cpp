#include "zamcore/model/module.h"

#include <algorithm>
#include <utility>

#include "zamcore/expressions/exp_root.h"
#include "zamcore/language/option_parser.h"
#include "zamcore/language/rkl_parser.h"
#include "zamcore/model/model_indexes.h"
#include "zamcore/model/module_lookup.h"
#include "zamcore/model/window.h"
#include "zamcore/model/window_back_pointer.h"
#include "zamcore/runtime/exception.h"

ZAMModule::ZAMModule(ZAMWindow* window, const std::string& id)
    : moduleBoundary_(false),
      window_(window),
      id_(id),
      external_(false),
      testOptions_(false),
      optionIndex_(new zamcore::OptionIndex()) {
    zamcore::WindowBackPointers::attach(&window_);
}

ZAMModule::~ZAMModule() {
    zamcore::WindowBackPointers::detach(&window_);
}

ref_count_ptr<ZAMWindow> ZAMModule::window() const {
    return ref_count_ptr<ZAMWindow>(window_);
}

ref_count_ptr<ZAMOption> ZAMModule::interfaceOption(const std::string& name) const {
    return ref_count_ptr<ZAMOption>(optionIndex_->find(name));
}

ref_count_ptr<ZAMOption> ZAMModule::getOption(const std::string& name) const {
    if (ref_count_ptr<ZAMOption> option = interfaceOption(name)) {
        return option;
    }
    auto legacy = legacyOptions_.find(name);
    if (legacy != legacyOptions_.end()) {
        return legacy->second;
    }
    throw ZAMException(102, name, "", "");
}

const std::string& ZAMModule::askOptionRkl(const std::string& name) const {
    auto found = declarationTexts_.find(name);
    if (found == declarationTexts_.end()) {
        throw ZAMException(102, name, "", "");
    }
    return found->second;
}

std::vector<ref_count_ptr<ZAMOption>> ZAMModule::options() const {
    std::vector<ref_count_ptr<ZAMOption>> list;
    list.reserve(options_.size());
    for (const auto& entry : options_) {
        list.push_back(entry.second);
    }
    return list;
}

ref_count_ptr<ZAMOption> ZAMModule::addOptionString(const std::string& text) {
    return declareLine(text);
}

// The text gets its place before the declaration changes the module, so that
// recording it cannot fail afterwards: a declaration that took effect always
// has its text, and a failed one keeps the text it had. Declaring looks the
// base up, and a host may reload this module meanwhile, which can drop the
// name and its place: the place is found again afterwards, and a name the
// reload dropped gets no text. The line itself becomes the recorded text.
ref_count_ptr<ZAMOption> ZAMModule::declareLine(std::string recorded) {
    ZAMOptionParser parser(this, recorded);
    parser.readDeclaration();
    if (testOptions_) {
        parser.declare();
        return parser.option();
    }
    const std::string& name = parser.declaredName();
    const bool placed = declarationTexts_.try_emplace(name).second;
    try {
        parser.declare();
    } catch (...) {
        auto slot = declarationTexts_.find(name);
        if (placed && slot != declarationTexts_.end() && slot->second.empty()) {
            declarationTexts_.erase(slot);
        }
        throw;
    }
    auto slot = declarationTexts_.find(name);
    if (slot != declarationTexts_.end()) {
        slot->second.swap(recorded);
    }
    return parser.option();
}

ref_count_ptr<ZAMOption> ZAMModule::declareLegacyOption(const std::string& name) {
    if (legacyOptions_.count(name) != 0) {
        throw ZAMException(101, name, "", "");
    }
    ref_count_ptr<ZAMOption> option(new ZAMOption(window_, id_, name, ZAMOption::Legacy));
    legacyOptions_.emplace(name, option);
    zamcore::ModuleLookup::changed(window_);
    return option;
}

void ZAMModule::deleteOption(const std::string& name) {
    ref_count_ptr<ZAMOption> option = getOption(name);
    if (option->scope() == ZAMOption::Legacy) {
        legacyOptions_.erase(name);
        zamcore::ModuleLookup::changed(window_);
        return;
    }
    // Only options based on this one count; rule texts that mention it do not.
    if (option->isReferenced()) {
        throw ZAMException(109, name, "", "");
    }
    forgetOption(name);
}

void ZAMModule::forgetOption(const std::string& name) {
    auto found = options_.find(name);
    if (found == options_.end()) {
        return;
    }
    // Released once the map and its index agree again.
    const ref_count_ptr<ZAMOption> leaving = found->second;
    const int id = leaving->id();
    optionIndex_->erase(name);
    options_.erase(found);
    zamcore::ModuleLookup::changed(window_);
    declarationTexts_.erase(name);
    auto used = std::find_if(
        usingOptions_.begin(), usingOptions_.end(),
        [id](const ref_count_ptr<ZAMOption>& candidate) { return candidate->id() == id; });
    if (used != usingOptions_.end()) {
        usingOptions_.erase(used);
    }
}

void ZAMModule::registerOption(const ref_count_ptr<ZAMOption>& option) {
    optionIndex_->reserveOne();
    options_[option->name()] = option;
    optionIndex_->insert(option.get());
    zamcore::ModuleLookup::changed(window_);
    if (option->scope() != ZAMOption::Legacy) {
        moduleBoundary_ = true;
    }
}

ref_count_ptr<ZAMOption> ZAMModule::createOption(const std::string& name, ZAMOption::Scope scope) {
    if (!testOptions_) {
        if (ref_count_ptr<ZAMOption> existing = interfaceOption(name)) {
            if (existing->type() != ZAMOption::Declared || existing->scope() != scope) {
                throw ZAMException(101, name, "", "");
            }
            existing->clearValues();
            return existing;
        }
    }
    ref_count_ptr<ZAMOption> option(new ZAMOption(window_, id_, name, scope));
    if (!testOptions_) {
        registerOption(option);
    }
    return option;
}

ref_count_ptr<ZAMOption> ZAMModule::presentOption(const std::string& name,
                                                  ref_count_ptr<ZAMOption> base,
                                                  const ZAMPath& path) {
    if (!testOptions_) {
        if (base->scope() != ZAMOption::Public) {
            throw ZAMException(303, "", "", "");
        }
        if (ref_count_ptr<ZAMOption> existing = interfaceOption(name)) {
            if (existing->type() != ZAMOption::Presented) {
                throw ZAMException(101, name, "", "");
            }
            existing->rebase(base, path);
            existing->clearValues();
            return existing;
        }
    }
    ref_count_ptr<ZAMOption> option(new ZAMOption(base, id_, name, path));
    if (!testOptions_) {
        registerOption(option);
    }
    return option;
}

ref_count_ptr<ZAMOption> ZAMModule::implementOrUseOption(const std::string& name,
                                                         ref_count_ptr<ZAMOption> base,
                                                         ZAMOption::Scope scope, bool uses) {
    const ZAMOption::Type type = uses ? ZAMOption::Uses : ZAMOption::Implements;
    if (!testOptions_) {
        if (base->scope() != ZAMOption::Public) {
            throw ZAMException(uses ? 305 : 306, "", "", "");
        }
        if (ref_count_ptr<ZAMOption> existing = interfaceOption(name)) {
            if (existing->type() != type || existing->scope() != scope) {
                throw ZAMException(101, name, "", "");
            }
            existing->rebase(base, ZAMPath::EmptyPath);
            existing->clearValues();
            return existing;
        }
    }
    ref_count_ptr<ZAMOption> option(new ZAMOption(base, id_, name, scope, type));
    if (!testOptions_) {
        registerOption(option);
        if (uses) {
            usingOptions_.push_back(option);
        }
    }
    return option;
}

// Looking an option up may have the host refresh this very module, which
// replaces the rule tree and the option map: both are held while walked.
void ZAMModule::referencedOptions(std::set<ref_count_ptr<ZAMOption>>& options) {
    if (const ref_count_ptr<ZAMExpRoot> rules = rules_) {
        rules->referencedOptions(window(), options);
    }
    for (const ref_count_ptr<ZAMOption>& option : this->options()) {
        if (option->type() != ZAMOption::Declared) {
            options.insert(option->basedOn());
        }
    }
}

void ZAMModule::setRkl(const std::string& text) {
    ZAMRklParser parser(text);
    rules_ = parser.parseRkl();
}

ref_count_ptr<ZAMExpRoot> ZAMModule::getRkl() const {
    return rules_ ? rules_ : ref_count_ptr<ZAMExpRoot>(new ZAMExpRoot());
}
