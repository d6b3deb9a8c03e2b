#ifndef ZAMCORE_MODEL_OPTION_H
#define ZAMCORE_MODEL_OPTION_H

#include <cstdint>
#include <string>
#include <vector>

#include "zamcore/language/path.h"
#include "zamcore/model/option_value.h"
#include "zamcore/revision.h"
#include "zamcore/runtime/export.h"
#include "zamcore/runtime/ref_count.h"
#include "zamcore/runtime/ref_count_ptr.h"
#include "zamcore/values/value.h"

class ZAMModule;
class ZAMOptionParser;
class ZAMWindow;

// A named, typed configuration choice of one module. A declared option is
// defined by its module; a presented, implemented or used option is based on
// a public option of another module and takes over its base's constraints
// and default until it has its own. The base is never held: it is looked up
// by module id and name whenever needed, so a based option outlives its base
// and then resolves to a placeholder.
//
// Every option has a process-wide id, drawn in order of creation from 1 and
// never reused; handles to options order by it. Once the last id has been
// drawn, creating an option throws code 2 "Option ids exhausted". Options are
// created only by modules and by findOption.
//
// An option points back at its window without keeping it alive. Once the
// window is destroyed, window() is null, and what needs the window (finding
// the base and everything that resolves through it, listing references)
// throws code 2 "The window of this object no longer exists".
class ZAMCORE_API ZAMOption : public ref_count {
public:
    enum Scope { Public = 0, Private = 1, Legacy = 2 };
    enum Type { Declared = 0, Presented = 1, Implements = 2, Uses = 3 };

    using Values = std::vector<ref_count_ptr<ZAMOptionValue>>;

    const std::string& name() const { return name_; }
    const std::string& moduleId() const { return moduleId_; }
    const std::string& description() const { return description_; }
#if !ZAMCORE_EARLIER_INTERFACE
    bool mandatory() const {
        return mandatory_;
    }
    bool mutually_exclusive() const {
        return mutuallyExclusive_;
    }
#endif
    // Where in the structure a presented option is presented; empty otherwise.
    const ZAMPath& path() const {
        return path_;
    }
    Scope scope() const {
        return scope_;
    }
    Type type() const {
        return type_;
    }
    int id() const {
        return id_;
    }
    // Null once the window is gone.
    ref_count_ptr<ZAMWindow> window() const;

    void setVisibility(Scope scope) {
        scope_ = scope;
    }
#if !ZAMCORE_EARLIER_INTERFACE
    void setMutuallyExclusive(bool mutuallyExclusive) {
        mutuallyExclusive_ = mutuallyExclusive;
    }
#endif

    // The base option, found afresh each time (a placeholder when it is gone);
    // null for a declared option.
    ref_count_ptr<ZAMOption> basedOn() const;
    // The kind of value the option holds: that of the declared option at the
    // end of the base chain. (Base chains that loop back on themselves end
    // nowhere: such an option has no kind, no inherited constraints and no
    // inherited default.)
    ZAMValue::ValueType valueType() const;
    // Own constraints, or the base's while a based option has none.
    Values values() const;
    // Own default of a based option; else the default of the declared option
    // at the end of the chain; else the unset value.
    ref_count_ptr<ZAMValue> defaultValue() const;
    // True for the unset value and for values that one of values() accepts.
    bool validateValue(ref_count_ptr<ZAMValue> value) const;

    // Whether an option of the window's modules is based on this one.
    bool isReferenced() const;
    // Those options, by module id and then by option name.
    std::vector<ref_count_ptr<ZAMOption>> references() const;

    // The option `name` of module `moduleId`, loading the module through the
    // window if needed. A module or option that cannot be found gives a new
    // placeholder: a declared option of scope Legacy that belongs to no
    // module. Any other failure is rethrown as a plain ZAMException. A null
    // window (one that is gone) throws code 2.
    static ref_count_ptr<ZAMOption> findOption(const ref_count_ptr<ZAMWindow>& window,
                                               const std::string& moduleId,
                                               const std::string& name);
    static ref_count_ptr<ZAMOption> findOption(const ref_count_ptr<ZAMWindow>& window,
                                               const std::string& moduleId, const std::string& name,
                                               bool external);
    // The live option with this id; code 110 when there is none.
    static ref_count_ptr<ZAMOption> optionForId(int id);

protected:
    ~ZAMOption() override;

private:
    friend class ZAMModule;
    friend class ZAMOptionParser;
    friend class ZAMModelTestPeer;  // the model's tests reach the private operations

    // A declared option.
    ZAMOption(ZAMWindow* window, const std::string& moduleId, const std::string& name, Scope scope);
    // A presented option: public, presented at `path`.
    ZAMOption(ref_count_ptr<ZAMOption> base, const std::string& moduleId, const std::string& name,
              const ZAMPath& path);
    // An implemented or used option; any other type throws code 2.
    ZAMOption(ref_count_ptr<ZAMOption> base, const std::string& moduleId, const std::string& name,
              Scope scope, Type type);

    // What a declaration sets on an option: kept before a declaration
    // changes an existing option, and put back when the declaration fails.
    struct DeclaredState {
        std::string description;
#if !ZAMCORE_EARLIER_INTERFACE
        bool mandatory;
        bool mutuallyExclusive;
#endif
        ZAMPath path;
        Values values;
        ref_count_ptr<ZAMValue> defaultValue;
        std::string baseModuleId;
        std::string baseName;
        ZAMValue::ValueType valueKind;
    };
    DeclaredState declaredState() const;
    void restoreDeclaredState(const DeclaredState& state);

    void setDescription(const std::string& description) {
        description_ = description;
    }
#if !ZAMCORE_EARLIER_INTERFACE
    void setMandatory(bool mandatory) {
        mandatory_ = mandatory;
    }
#endif

    // Appends a constraint. A declared option takes its value kind from the
    // first constraint and refuses another kind (code 1). A based option
    // keeps its real option's kind (code 112) and may only list single
    // values its base allows (code 204).
    void addValue(ref_count_ptr<ZAMOptionValue> constraint);
    // Forgets own constraints, value kind and own default, for a declaration
    // that is read again.
    void clearValues();
    // Code 105 when the option does not allow the value.
    void setDefaultValue(ref_count_ptr<ZAMValue> value);
    void rebase(ref_count_ptr<ZAMOption> base, const ZAMPath& path);

    // The first option up the base chain (this option excluded) for which
    // `stop` holds; null when the chain runs into a cycle.
    template <class Stop>
    ref_count_ptr<ZAMOption> findUpChain(Stop stop) const;
    // The declared option (or placeholder) at the end of the base chain;
    // null for a chain that loops.
    ref_count_ptr<ZAMOption> realOption() const;
    // The option whose own constraints apply: this one, or the first one up
    // the chain that has any (null when none has); `holder` keeps one found
    // up the chain alive.
    const ZAMOption* constraintOwner(ref_count_ptr<ZAMOption>& holder) const;
    // Whether this option, or one up its base chain, is option `name` of
    // module `moduleId`: basing that option on this one would make it its
    // own base.
    bool chainReaches(const std::string& moduleId, const std::string& name) const;
    // Registers the option in the id map and its window pointer with the
    // window.
    void enterRegistries();

    std::string name_;
    std::string moduleId_;
    std::string description_;
#if !ZAMCORE_EARLIER_INTERFACE
    bool mandatory_ = false;
    bool mutuallyExclusive_ = true;
#endif
    ZAMPath path_;
    ZAMWindow* window_;  // not owned; null once the window is gone
    Scope scope_;
    Values values_;
    ref_count_ptr<ZAMValue> default_;
    Type type_;
    std::string baseModuleId_;
    std::string baseName_;
    ZAMValue::ValueType valueKind_;
    std::int32_t id_;
    // The base option basedOn() found last and the window generation it was
    // found at (zamcore::ModuleLookup); while the window keeps that
    // generation the base is still that option, found without the two
    // lookups by name. Forgotten when the base changes.
    mutable const ZAMWindow* baseFoundIn_ = nullptr;
    mutable std::uint64_t baseFoundGeneration_ = 0;
    mutable ZAMOption* baseFound_ = nullptr;
};

#endif
