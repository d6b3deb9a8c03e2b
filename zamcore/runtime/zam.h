#ifndef ZAMCORE_RUNTIME_ZAM_H
#define ZAMCORE_RUNTIME_ZAM_H

#include <string>
#include <vector>

#include "zamcore/configuration/sel_option_set.h"
#include "zamcore/model/window.h"
#include "zamcore/revision.h"
#include "zamcore/runtime/exception.h"
#include "zamcore/runtime/export.h"
#include "zamcore/runtime/ref_count_ptr.h"
#include "zamcore/values/value.h"

class ZAMModule;
class ZAMNode;
class ZAMOption;

// The engine facade, where a host starts: it installs the host's adapter and
// creates windows. Static members only.
class ZAMCORE_API ZAM {
public:
    // Severity of a message raised by rule text: "inform", "warn", "error".
    enum MsgSeverity { Inform = 0, Warn = 1, Error = 2 };

    // The host's side of the engine. The engine calls back through it for
    // modules it lacks or must refresh, for rule messages, for the override
    // rule of selected values, for legacy option values and for message texts.
    // Only the two module callbacks must be implemented; the slot order below
    // is part of the binary interface.
    class ZAMCORE_API AdapterInterface {
    public:
        AdapterInterface() = default;
        AdapterInterface(const AdapterInterface&) = default;
        AdapterInterface& operator=(const AdapterInterface&) = default;
        virtual ~AdapterInterface();

        // Create module `id` in `window` (ZAMWindow::createModule) and answer
        // true, or answer false when the host has no such module.
        virtual bool loadModule(ZAMWindow* window, const std::string& id) = 0;
        // Bring `module` up to date and answer true; false deletes it from
        // the window.
        virtual bool refreshModule(ZAMWindow* window, ref_count_ptr<ZAMModule> module) = 0;
        // A message statement ran. False stops the evaluation with code 500.
        // Default: true.
        virtual bool userMsg(ZAMWindow* window, ZAM::MsgSeverity severity,
                             const std::string& message, ZAMNode* node);
        // May the stored entry's value be replaced by one set as `howSet`?
        // Default: the precedence table of the how-set values.
        virtual bool allowOptionOverride(const ZAMSelOptionSet::ZAMSosEntry& existing,
                                         const ZAMNode* node, ZAMSelOptionSet::HowSet howSet);
        // Legacy option values live with the host. Default: the unset value.
        virtual ref_count_ptr<ZAMValue> getLegacyOptionValue(
            ZAMWindow* window, const ref_count_ptr<ZAMOption>& option);
#if !ZAMCORE_EARLIER_INTERFACE
        // Default: the single value of getLegacyOptionValue, as a vector.
        virtual std::vector<ref_count_ptr<ZAMValue>> getLegacyOptionValues(
            ZAMWindow* window, const ref_count_ptr<ZAMOption>& option);
#endif
        // Default: does nothing.
        virtual void setLegacyOptionValue(ZAMWindow* window, const ref_count_ptr<ZAMOption>& option,
                                          const ref_count_ptr<ZAMValue>& value);
#if !ZAMCORE_EARLIER_INTERFACE
        // Default: does nothing (it does not forward to setLegacyOptionValue).
        virtual void setLegacyOptionValues(ZAMWindow* window,
                                           const ref_count_ptr<ZAMOption>& option,
                                           std::vector<ref_count_ptr<ZAMValue>> values);
#endif
        // The message text for a syntax error key. Default: the built-in
        // English text, or the key itself when there is none.
        virtual std::string localizeString(const std::string& key);
    };

    // Installs the host's adapter, replacing any earlier one; null removes it.
    // The engine never owns or deletes the adapter.
    static void initialize(AdapterInterface* adapter);
    static AdapterInterface* adapterInterface();

    // A new, empty window. Throws code 3 while no adapter is installed.
    static ref_count_ptr<ZAMWindow> createWindow();

    // Print a name so that the rule language reads it back as one identifier:
    // unchanged when it is a plain identifier, otherwise single-quoted with
    // backslashes before quotes and backslashes. A module id may start with
    // a digit.
    static std::string rklQuoteId(const std::string& name);
    static std::string rklQuoteModuleId(const std::string& moduleId);

private:
    static AdapterInterface*& adptInterface();
};

#endif
