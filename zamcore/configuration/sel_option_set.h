#ifndef ZAMCORE_CONFIGURATION_SEL_OPTION_SET_H
#define ZAMCORE_CONFIGURATION_SEL_OPTION_SET_H

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "zamcore/language/path.h"
#include "zamcore/model/option.h"
#include "zamcore/revision.h"
#include "zamcore/runtime/export.h"
#include "zamcore/runtime/ref_count_ptr.h"
#include "zamcore/values/value.h"

class ZAMNode;
class ZAMOption;
class ZAMValue;
class ZAMWindow;

namespace zamcore {
class ContextPass;
class EntryTable;
class SetLookup;
}  // namespace zamcore

// The values chosen for options during one configuration, each recorded with
// how it was set. Not reference counted; copied by value.
//
// Entries are kept per option and per path (the module instance an entry
// applies to, relative to the set's context; empty for the context itself).
// Legacy options are never stored: their values live with the host and are
// read and written through the window and its adapter.
//
// Sets are copied at every node of an evaluation, so copies share their
// contents until one of them changes. References returned by contents() and
// get() therefore stay valid only until this set next changes (set,
// clearEntry, clear, merge, setContext, assignment, or a get that stores a
// default); other sets changing does not affect them.
class ZAMCORE_API ZAMSelOptionSet {
public:
    // How a value came to be. The precedence between these decides whether a
    // new value may replace a stored one (AdapterInterface::allowOptionOverride).
    enum HowSet : int {
        Default = 0,    // the option's declared default, or a legacy value read back
        UserSet = 1,    // chosen by the host's user; rules may still change it
        RuleSet = 2,    // written by a rule "set" statement
        UserFixed = 3,  // chosen by the host's user; rule statements may not change it
        RuleFixed = 4,  // written by a rule "fix" statement
        Inherited = 5,  // copied from the module instance that provides a used option
        Imposed = 6     // replaces whatever is stored; any later setting replaces it
    };

#if ZAMCORE_EARLIER_INTERFACE
    // One option's value at one path, with how it was set; a stored entry
    // holds a value, and an unset value stands for "no value".
    struct ZAMSosEntry {
        ref_count_ptr<ZAMOption> option;
        ZAMPath path;
        ref_count_ptr<ZAMValue> value;
        HowSet howSet = Default;
    };
#else
    // One option's value or values at one path. values and howSets have the
    // same length; a stored entry holds at least one value, and an unset
    // value stands for "no value". A single-valued (mutually exclusive)
    // option uses only the first value and how-set.
    struct ZAMSosEntry {
        ref_count_ptr<ZAMOption> option;
        ZAMPath path;
        std::vector<ref_count_ptr<ZAMValue> > values;
        std::vector<HowSet> howSets;
    };
#endif

    // Ordered by option id; the entries of one option keep their order of
    // insertion. Every stored entry's option equals its key.
    using Contents = std::multimap<ref_count_ptr<ZAMOption>, ZAMSosEntry>;

    // An empty set for `window`, which is not held: the window must outlive
    // every legacy read and write through the set. Without a window, legacy
    // values cannot be reached and throw code 2.
    explicit ZAMSelOptionSet(const ref_count_ptr<ZAMWindow>& window);
    // Copies the entries, context and window; the copy's legacy cache starts
    // empty.
    ZAMSelOptionSet(const ZAMSelOptionSet& other);
    // Copies the entries and context but keeps this set's own window and
    // legacy cache.
    ZAMSelOptionSet& operator=(const ZAMSelOptionSet& other);
    ~ZAMSelOptionSet();

    const Contents& contents() const;
    // Empty: no operation gives the context id a meaning.
    const std::string& contextId() const {
        return contextId_;
    }
    ref_count_ptr<ZAMWindow> window();
    ref_count_ptr<ZAMWindow> window() const;

    // The entry for `option` at `path` (the empty path for the first form).
    // An option without one gets its default stored first, with how-set
    // Default, so lookups change the contents although they are const. A
    // legacy option ignores the path and asks the host afresh each time; its
    // entry is kept in the legacy cache, not in the contents. A null option
    // throws code 103.
    const ZAMSosEntry& get(const ref_count_ptr<ZAMOption>& option) const;
    const ZAMSosEntry& get(const ref_count_ptr<ZAMOption>& option, const ZAMPath& path) const;

    // Stores the entry's values under the how-set precedence. A legacy
    // option's values go to the host instead, without their how-sets.
    // Otherwise the first value must be allowed by the option (code 204).
    // A single-valued option's stored value is replaced only when it differs
    // and the adapter's allowOptionOverride agrees; a multi-valued option
    // collects the values whose display texts it does not hold yet. An entry
    // without values, with a null value or with more or fewer how-sets than
    // values throws code 2, and a null option code 103; a failing set changes
    // nothing.
    void set(const ZAMSosEntry& entry);
    // Puts the stored entries of the entry's option and path back to the
    // option's default, with how-set Default.
    void clearEntry(const ZAMSosEntry& entry);
    // Removes every entry; context, window and legacy cache stay.
    void clear();
    // Sets the host-supplied values of `other` (those set as UserSet,
    // UserFixed or Imposed) into this set, entry by entry.
    void merge(const ZAMSelOptionSet& other);

#if !ZAMCORE_EARLIER_INTERFACE
    // Whether a string option called `name` holds a value whose display text
    // is `value`.
    bool matchValue(std::string name, std::string value) const;
    // The first string option called `name` whose first value is set; null
    // when there is none.
    ref_count_ptr<ZAMOption> getOption(std::string name);
    // Throws code 113 with the option's name for the first mandatory option
    // whose first value is unset.
    void verifyCompleteness();
#endif

    // Puts the set into the context of the module instance that `node`
    // stands for, from the terms of the enclosing module (or of none).
    // Afterwards the set holds exactly one entry per non-legacy option of
    // that module, each with the empty path, and nothing else; the context
    // node is `node`. An option gets the value meant for this instance: of
    // the entries presented to it from above or stored for it, the one whose
    // path best matches the node's place inside the enclosing instance
    // (nearer the top first, then longer, then first stored; the empty path
    // matches last); else its default. A used option takes, with how-set
    // Inherited, the value of the ancestor instance nearest the root that
    // provides or uses the same base option. `ownSet` says the set is the
    // node's own, sitting at the instance itself: only entries with the
    // empty path match. Reading the providers puts their nodes' own sets
    // into context too (getSos). A node without a module changes nothing.
    // Exceptions from set (codes 204, 2) and from finding a module (302)
    // pass out and leave the steps done so far done.
    void setContext(const ZAMNode* node, bool ownSet);

private:
    friend class ZAMWindow;
    friend class zamcore::ContextPass;
    friend class zamcore::SetLookup;
    explicit ZAMSelOptionSet(ZAMWindow* window);

    // Stores the option's default at `path` after the option's other entries.
    const ZAMSosEntry& setDefault(const ref_count_ptr<ZAMOption>& option,
                                  const ZAMPath& path) const;
    // Makes sure the option has an entry with the empty path.
    void ensureContains(const ref_count_ptr<ZAMOption>& option);

    const ZAMSosEntry& getLegacy(const ref_count_ptr<ZAMOption>& option) const;
    void setLegacy(const ZAMSosEntry& entry);
#if !ZAMCORE_EARLIER_INTERFACE
    void setMultiValued(const ZAMSosEntry& stored, const ZAMSosEntry& entry);
#endif
    void setSingleValued(const ZAMSosEntry& stored, const ZAMSosEntry& entry);
    // The stored entries, unshared first so that a change reaches no other
    // set (the entries themselves stay shared until written).
    zamcore::EntryTable& writableContents() const;
    // The stored entry of `option` at `path` for writing, or null.
    ZAMSosEntry* writableEntry(const ref_count_ptr<ZAMOption>& option, const ZAMPath& path);
    ZAMWindow& legacyWindow() const;

    const ZAMNode* contextNode_;  // not owned; null until the set is put into context
    std::string contextId_;
    // Shared with copies until one of them writes; null while empty. get()
    // adds default entries and legacy read-backs to a const set. The
    // multimap of contents() is built from it when a host asks.
    mutable std::shared_ptr<zamcore::EntryTable> contents_;
    mutable std::map<ref_count_ptr<ZAMOption>, ZAMSosEntry> legacyCache_;
    ZAMWindow* window_;  // not owned
};

#endif
