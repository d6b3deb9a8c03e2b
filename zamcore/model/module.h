#ifndef ZAMCORE_MODEL_MODULE_H
#define ZAMCORE_MODEL_MODULE_H

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "zamcore/expressions/exp_root.h"
#include "zamcore/language/path.h"
#include "zamcore/model/option.h"
#include "zamcore/runtime/export.h"
#include "zamcore/runtime/ref_count.h"
#include "zamcore/runtime/ref_count_ptr.h"

class ZAMOptionParser;
class ZAMWindow;

namespace zamcore {
template <class Traits>
class FlatIndex;
class LineSplitter;
struct OptionsByName;
}  // namespace zamcore

// A module: the unit of configuration knowledge, unique by id within its
// window. It holds its interface options (declared, presented, implemented
// and used, public or private), its legacy options, and the text each
// declaration was read from. Created only by ZAMWindow::createModule; keeps a
// raw, uncounted pointer back to its window, which the window clears when it
// is destroyed.
class ZAMCORE_API ZAMModule : public ref_count {
public:
    using OptionMap = std::map<std::string, ref_count_ptr<ZAMOption>>;

    const std::string& id() const { return id_; }
    // Null once the window is gone.
    ref_count_ptr<ZAMWindow> window() const;

    // Set once the module has entered an interface option outside test
    // mode; never cleared.
    bool isModuleBoundary() const { return moduleBoundary_; }

    // Set on modules the host supplied for an external lookup; such modules
    // take part in ZAMWindow::externalsNeedRefresh.
    void setExternal(bool external) { external_ = external; }
    bool isExternal() const { return external_; }

    // In test mode declarations make and return option objects but leave the
    // module untouched, without duplicate or visibility checks.
    void setTestOptions(bool testOptions) { testOptions_ = testOptions; }

    // The used options, in the order they were first created.
    const std::vector<ref_count_ptr<ZAMOption>>& usingOptions() const { return usingOptions_; }

    // Modules are equal when their ids are.
    bool operator==(const ZAMModule& other) const { return id_ == other.id_; }

    // Reads one option declaration line and declares the option it
    // describes in this module; outside test mode the line is recorded under
    // the option's name. Throws ZAMSyntaxError for a malformed line (a line
    // with stray input after a complete declaration leaves the option
    // declared but the line unrecorded) and the model's codes for a name in
    // use or a base that is not public.
    ref_count_ptr<ZAMOption> addOptionString(const std::string& text);
    // Renames one of the module's options: its own rules are rewritten to
    // refer to `newName`, the option leaves the module under its old name,
    // and `text` is read as the new declaration line. Returns the option that
    // line declares, a new object unless the line names another option that
    // already exists; the handle passed in keeps its old name. Only
    // references written with this module's id change: other modules' texts,
    // and their options based on the old name, are the host's to rename. A
    // legacy option is returned as it is. In test mode only `text` is read.
    //
    // The module's whole source text is written out and read back, so a
    // rename throws what that throws (code 102 for an option without a
    // recorded line; a syntax error for a recorded line holding a line
    // break), besides the errors of `text`. A failed rename leaves the module
    // as it was: its options and their declarations, its declaration lines
    // and its rules. Code 102 for a null option.
    ref_count_ptr<ZAMOption> changeOptionString(ref_count_ptr<ZAMOption> option,
                                                std::string newName, const std::string& text);

    // Removes an option: a legacy one from the legacy options, any other from
    // the interface unless another option is based on it (code 109). Code 102
    // when there is no such option.
    void deleteOption(const std::string& name);
    // A new declared option of scope Legacy; code 101 when the module already
    // has a legacy option of that name.
    ref_count_ptr<ZAMOption> declareLegacyOption(const std::string& name);
    // The interface option of that name, else the legacy one; code 102.
    ref_count_ptr<ZAMOption> getOption(const std::string& name) const;
    // The declaration text recorded for the option; code 102 when none.
    const std::string& askOptionRkl(const std::string& name) const;
    // The interface options in name order; legacy options are not listed.
    std::vector<ref_count_ptr<ZAMOption>> options() const;
    // Adds to `options` every option the rules refer to, then the base
    // option of every presented, implemented and used option.
    void referencedOptions(std::set<ref_count_ptr<ZAMOption>>& options);

    // Parses `text` as the module's rules, replacing the rules it had; a
    // syntax error keeps the old ones.
    void setRkl(const std::string& text);
    // The rules; an empty tree, running nothing, when the module has none.
    ref_count_ptr<ZAMExpRoot> getRkl() const;

    // The whole module as one text: "module <id>", "interface start", each
    // interface option's declaration line in name order, "interface end",
    // then the rule text. The empty string for a module with neither
    // interface options nor rules.
    std::string getRklData() const;
    // Loads such a text: declares every line of the interface block, drops
    // the interface options it no longer declares, then replaces the rules.
    // A text with a wrong header changes nothing; an error in the interface
    // block keeps what was declared before it and the old rules; an error in
    // the rule text keeps the old rules. The empty string changes nothing.
    void setRklData(const std::string& text);

protected:
    ~ZAMModule() override;

private:
    friend class ZAMWindow;
    friend class ZAMOptionParser;
    friend class ZAMModelTestPeer;  // the model's tests reach the private operations

    ZAMModule(ZAMWindow* window, const std::string& id);

    // The creating operations of the declaration reader. Each checks, then
    // reuses an option of the same name, type and scope (forgetting its
    // constraints and default) or creates one, then registers it: code 101
    // for a name in use otherwise; 303, 306 and 305 when the base to
    // present, implement or use is not public.
    ref_count_ptr<ZAMOption> createOption(const std::string& name, ZAMOption::Scope scope);
    ref_count_ptr<ZAMOption> presentOption(const std::string& name, ref_count_ptr<ZAMOption> base,
                                           const ZAMPath& path);
    ref_count_ptr<ZAMOption> implementOrUseOption(const std::string& name,
                                                  ref_count_ptr<ZAMOption> base,
                                                  ZAMOption::Scope scope, bool uses);

    // Enters a new interface option and marks the module as a boundary.
    void registerOption(const ref_count_ptr<ZAMOption>& option);
    // Takes an interface option out of the option map, the declaration texts
    // and the used options.
    void forgetOption(const std::string& name);
    void readInterface(zamcore::LineSplitter& lines);
    // addOptionString of a line the module may keep as it is.
    ref_count_ptr<ZAMOption> declareLine(std::string line);
    // The interface option of that name, or null.
    ref_count_ptr<ZAMOption> interfaceOption(const std::string& name) const;

    // What renaming an option may change, so that a failed rename can put
    // it back.
    struct SavedState;
    SavedState saveState() const;
    void restoreState(const SavedState& saved);
    // The steps of a rename, after the checks.
    ref_count_ptr<ZAMOption> renameOption(const std::string& oldName, const std::string& newName,
                                          const std::string& declaration);

    OptionMap options_;
    OptionMap legacyOptions_;
    std::vector<ref_count_ptr<ZAMOption>> usingOptions_;
    std::map<std::string, std::string> declarationTexts_;
    bool moduleBoundary_;
    ZAMWindow* window_;                // not owned; null once the window is gone
    ref_count_ptr<ZAMExpRoot> rules_;  // null until rules are set
    std::string id_;
    bool external_;
    bool testOptions_;
    // The options of options_ by name, changed with it: lookups hash the
    // name instead of comparing it down a tree.
    std::unique_ptr<zamcore::FlatIndex<zamcore::OptionsByName>> optionIndex_;
};

#endif
