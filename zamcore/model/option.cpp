#include "zamcore/model/option.h"

#include <cstdint>
#include <limits>
#include <utility>

#include "zamcore/model/module.h"
#include "zamcore/model/module_lookup.h"
#include "zamcore/model/option_id_map.h"
#include "zamcore/model/option_ids.h"
#include "zamcore/model/placeholders.h"
#include "zamcore/model/window.h"
#include "zamcore/model/window_back_pointer.h"
#include "zamcore/runtime/exception.h"

namespace {

// Live options by id. The map holds no references: options enter it when
// constructed and leave it when destroyed. It is never destroyed itself: a
// host may keep options in static objects that are destroyed at exit after
// any static of ours, and their destructors still withdraw from it.
zamcore::OptionIdMap& idMap() {
    static auto* const map = new zamcore::OptionIdMap();
    return *map;
}

// The id the next option takes. Wider than an id, so that it can move past
// the last one without overflowing.
std::int64_t& nextIdCounter() {
    static std::int64_t next = 1;
    return next;
}

// Ids are never reused: once the last one is taken, no option can be made.
std::int32_t nextId() {
    std::int64_t& next = nextIdCounter();
    if (next > std::numeric_limits<std::int32_t>::max()) {
        throw ZAMException(2, "Option ids exhausted", "", "");
    }
    return static_cast<std::int32_t>(next++);
}

}  // namespace

std::int64_t zamcore::setNextOptionId(std::int64_t next) {
    const std::int64_t previous = nextIdCounter();
    nextIdCounter() = next;
    return previous;
}

ZAMOption::ZAMOption(ZAMWindow* window, const std::string& moduleId, const std::string& name,
                     Scope scope)
    : name_(name),
      moduleId_(moduleId),
      window_(window),
      scope_(scope),
      type_(Declared),
      valueKind_(ZAMValue::VT_UNSET),
      id_(nextId()) {
    enterRegistries();
}

ZAMOption::ZAMOption(ref_count_ptr<ZAMOption> base, const std::string& moduleId,
                     const std::string& name, const ZAMPath& path)
    : name_(name),
      moduleId_(moduleId),
      path_(path),
      window_(base->window_),
      scope_(Public),
      type_(Presented),
      baseModuleId_(base->moduleId_),
      baseName_(base->name_),
      valueKind_(ZAMValue::VT_UNSET),
      id_(nextId()) {
    enterRegistries();
}

ZAMOption::ZAMOption(ref_count_ptr<ZAMOption> base, const std::string& moduleId,
                     const std::string& name, Scope scope, Type type)
    : name_(name),
      moduleId_(moduleId),
      window_(base->window_),
      scope_(scope),
      type_(type),
      baseModuleId_(base->moduleId_),
      baseName_(base->name_),
      valueKind_(ZAMValue::VT_UNSET),
      id_(nextId()) {
    // The id is spent, but an option that was never built stays out of the
    // id map.
    if (type != Implements && type != Uses) {
        throw ZAMException(2,
                           "Option c'tor called for implements or uses with wrong type (i.e. not "
                           "implements or uses)",
                           "", "");
    }
    enterRegistries();
}

ZAMOption::~ZAMOption() {
    idMap().erase(id_);
    zamcore::WindowBackPointers::detach(&window_);
}

// The last step of every constructor: one that throws earlier leaves nothing
// registered that its destructor would have to withdraw.
void ZAMOption::enterRegistries() {
    zamcore::WindowBackPointers::attach(&window_);
    try {
        idMap().insert(id_, this);
    } catch (...) {
        zamcore::WindowBackPointers::detach(&window_);
        throw;
    }
}

ref_count_ptr<ZAMWindow> ZAMOption::window() const {
    return ref_count_ptr<ZAMWindow>(window_);
}

ref_count_ptr<ZAMOption> ZAMOption::basedOn() const {
    if (baseName_.empty()) {
        return ref_count_ptr<ZAMOption>();
    }
    // Code 2 from findOption once the window is gone.
    if (window_ != nullptr &&
        zamcore::ModuleLookup::stillFound(*window_, baseFoundIn_, baseFoundGeneration_)) {
        return ref_count_ptr<ZAMOption>(baseFound_);
    }
    ref_count_ptr<ZAMOption> base = findOption(window_, baseModuleId_, baseName_);
    baseFoundIn_ = zamcore::ModuleLookup::foundIn(*window_, *base);
    baseFoundGeneration_ = zamcore::ModuleLookup::generation(*window_);
    baseFound_ = base.get();
    return base;
}

// A chain cannot hold more distinct options than are alive; walking further
// means it loops. Placeholders made on the way end the walk, as they are
// declared options.
template <class Stop>
ref_count_ptr<ZAMOption> ZAMOption::findUpChain(Stop stop) const {
    std::size_t steps = idMap().size();
    for (ref_count_ptr<ZAMOption> current = basedOn(); current; current = current->basedOn()) {
        if (stop(*current)) {
            return current;
        }
        if (steps-- == 0) {
            break;
        }
    }
    return ref_count_ptr<ZAMOption>();
}

ref_count_ptr<ZAMOption> ZAMOption::realOption() const {
    return findUpChain([](const ZAMOption& option) { return option.type_ == Declared; });
}

bool ZAMOption::chainReaches(const std::string& moduleId, const std::string& name) const {
    auto named = [&](const ZAMOption& option) {
        return option.moduleId_ == moduleId && option.name_ == name;
    };
    return named(*this) || findUpChain(named);
}

ZAMValue::ValueType ZAMOption::valueType() const {
    if (type_ == Declared) {
        return valueKind_;
    }
    ref_count_ptr<ZAMOption> real = realOption();
    return real ? real->valueKind_ : ZAMValue::VT_UNSET;
}

const ZAMOption* ZAMOption::constraintOwner(ref_count_ptr<ZAMOption>& holder) const {
    if (type_ == Declared || !values_.empty()) {
        return this;
    }
    holder = findUpChain([](const ZAMOption& option) {
        return option.type_ == Declared || !option.values_.empty();
    });
    return holder.get();
}

ZAMOption::Values ZAMOption::values() const {
    ref_count_ptr<ZAMOption> holder;
    const ZAMOption* owner = constraintOwner(holder);
    return owner != nullptr ? owner->values_ : Values();
}

ref_count_ptr<ZAMValue> ZAMOption::defaultValue() const {
    if (default_) {
        return default_;
    }
    if (type_ != Declared) {
        ref_count_ptr<ZAMOption> real = realOption();
        if (real && real->default_) {
            return real->default_;
        }
    }
    return ZAMValue::createUnset();
}

bool ZAMOption::validateValue(ref_count_ptr<ZAMValue> value) const {
    if (value->type() == ZAMValue::VT_UNSET) {
        return true;
    }
    // Every value a rule writes is checked: the constraints are read where
    // they are held, not copied.
    ref_count_ptr<ZAMOption> holder;
    const ZAMOption* owner = constraintOwner(holder);
    if (owner == nullptr) {
        return false;
    }
    for (const ref_count_ptr<ZAMOptionValue>& constraint : owner->values_) {
        if (constraint->accepts(value)) {
            return true;
        }
    }
    return false;
}

bool ZAMOption::isReferenced() const {
    return !references().empty();
}

std::vector<ref_count_ptr<ZAMOption>> ZAMOption::references() const {
    std::vector<ref_count_ptr<ZAMOption>> found;
    for (const auto& entry : zamcore::requireWindow(window_)->moduleMap()) {
        for (const ref_count_ptr<ZAMOption>& option : entry.second->options()) {
            if (option->baseModuleId_ == moduleId_ && option->baseName_ == name_) {
                found.push_back(option);
            }
        }
    }
    return found;
}

ref_count_ptr<ZAMOption> ZAMOption::findOption(const ref_count_ptr<ZAMWindow>& window,
                                               const std::string& moduleId,
                                               const std::string& name) {
    return findOption(window, moduleId, name, false);
}

ref_count_ptr<ZAMOption> ZAMOption::findOption(const ref_count_ptr<ZAMWindow>& window,
                                               const std::string& moduleId, const std::string& name,
                                               bool external) {
    if (!window) {
        zamcore::throwWindowGone();
    }
    try {
        return window->getModule(moduleId, external)->getOption(name);
    } catch (const ZAMException& error) {
        if (error.code() != 102 && error.code() != 302) {
            // Passed on as a plain exception, also when a syntax error was
            // caught; the copy does not reach the throw callback again.
            throw ZAMException(error);
        }
    }
    zamcore::Placeholders& placeholders = *window->placeholders_;
    if (ref_count_ptr<ZAMOption> known = placeholders.find(*window, moduleId, name)) {
        return known;
    }
    ref_count_ptr<ZAMOption> placeholder(new ZAMOption(window.get(), moduleId, name, Legacy));
    placeholders.keep(*window, placeholder);
    return placeholder;
}

ref_count_ptr<ZAMOption> ZAMOption::optionForId(int id) {
    ZAMOption* found = idMap().find(id);
    if (found == nullptr) {
        throw ZAMException(110, "", "", "");
    }
    return ref_count_ptr<ZAMOption>(found);
}

namespace {

// The value kind a constraint gives an option.
ZAMValue::ValueType kindOf(ZAMOptionValue& constraint) {
    switch (constraint.kind()) {
        case ZAMOptionValue::RangeKind:
            return constraint.range().first->value()->type();
        case ZAMOptionValue::AnyString:
            return ZAMValue::VT_STRING;
        case ZAMOptionValue::AnyInt:
            return ZAMValue::VT_INT;
        case ZAMOptionValue::AnyReal:
            return ZAMValue::VT_REAL;
        case ZAMOptionValue::Boolean:
            return ZAMValue::VT_BOOL;
        default:
            return constraint.value()->type();
    }
}

}  // namespace

void ZAMOption::addValue(ref_count_ptr<ZAMOptionValue> constraint) {
    const ZAMValue::ValueType kind = kindOf(*constraint);
    if (type_ == Declared) {
        if (valueKind_ == ZAMValue::VT_UNSET) {
            valueKind_ = kind;
        } else if (valueKind_ != kind) {
            throw ZAMException(1, "Tried to mix value types in option " + moduleId_ + ":" + name_,
                               "", "");
        }
    } else {
        if (kind != valueType()) {
            throw ZAMException(112, "", "", "");
        }
        if (constraint->kind() != ZAMOptionValue::RangeKind) {
            ref_count_ptr<ZAMOption> base = basedOn();
            ref_count_ptr<ZAMValue> single = constraint->value();
            if (!base->validateValue(single)) {
                throw ZAMException(204, single->displayString(),
                                   base->moduleId_ + ":" + base->name_, "");
            }
        }
    }
    values_.push_back(std::move(constraint));
}

void ZAMOption::clearValues() {
    values_.clear();
    valueKind_ = ZAMValue::VT_UNSET;
    default_ = ref_count_ptr<ZAMValue>();
}

void ZAMOption::setDefaultValue(ref_count_ptr<ZAMValue> value) {
    if (!validateValue(value)) {
        throw ZAMException(105, value->displayString(), "", "");
    }
    default_ = std::move(value);
}

ZAMOption::DeclaredState ZAMOption::declaredState() const {
    DeclaredState state;
    state.description = description_;
#if !ZAMCORE_EARLIER_INTERFACE
    state.mandatory = mandatory_;
    state.mutuallyExclusive = mutuallyExclusive_;
#endif
    state.path = path_;
    state.values = values_;
    state.defaultValue = default_;
    state.baseModuleId = baseModuleId_;
    state.baseName = baseName_;
    state.valueKind = valueKind_;
    return state;
}

void ZAMOption::restoreDeclaredState(const DeclaredState& state) {
    description_ = state.description;
#if !ZAMCORE_EARLIER_INTERFACE
    mandatory_ = state.mandatory;
    mutuallyExclusive_ = state.mutuallyExclusive;
#endif
    path_ = state.path;
    values_ = state.values;
    default_ = state.defaultValue;
    baseModuleId_ = state.baseModuleId;
    baseName_ = state.baseName;
    valueKind_ = state.valueKind;
    baseFoundIn_ = nullptr;
}

void ZAMOption::rebase(ref_count_ptr<ZAMOption> base, const ZAMPath& path) {
    baseModuleId_ = base->moduleId_;
    baseName_ = base->name_;
    path_ = path;
    baseFoundIn_ = nullptr;
}

bool ref_count_traits<ZAMOption>::less(const ZAMOption* a, const ZAMOption* b) {
    return a->id() < b->id();
}
