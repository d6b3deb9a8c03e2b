#ifndef ZAMCORE_CONFIGURATION_WRITE_TRACE_H
#define ZAMCORE_CONFIGURATION_WRITE_TRACE_H

#include <string>

#include "zamcore/configuration/sel_option_set.h"
#include "zamcore/runtime/export.h"

class ZAMNode;

// A hook for hosts that want to show how values come about. Once a callback
// is installed, the engine calls it after every write to a selected option
// set: a default stored when an option is first read (or put back), the
// host's values merged in at a node, a rule's "set" or "fix", a presented
// value passed down to the option it presents, a used option's value
// inherited at a module boundary, and a host's own call of set. The callback
// runs on the thread that made the write, in the middle of the engine's work:
// it may read the event and the set, but must not change the set, the node
// tree or the window, and must not throw.
//
// Process-wide, like the throw callback, and not locked: install it before an
// evaluation starts and remove it after. Without a callback a write costs one
// test of a pointer.
class ZAMCORE_API ZAMWriteTrace {
public:
    // Where the written value came from.
    enum Origin {
        Default = 0,    // the option's default, stored on first read or put back
        Host = 1,       // the host's values merged in at a node, or the host's own set call
        Rule = 2,       // a "set" or "fix" statement
        Presented = 3,  // a presented option's entry copied to the option it presents
        Inherited = 4   // a used option's value from the instance that provides it
    };

    // One write. Everything it refers to lives only for the callback.
    struct Event {
        // The set written.
        const ZAMSelOptionSet& set;
        // The node whose set is written: the node being put into its
        // module's context, or the node whose rules run; otherwise the
        // window's currently evaluating node (the last one evaluated when no
        // evaluation runs). May be null.
        const ZAMNode* node;
        // What was written: option, path, values and how-sets.
        const ZAMSelOptionSet::ZAMSosEntry& written;
        // The set's entry for the option and path afterwards, which differs
        // from `written` when the override rule kept the stored value. Null
        // for a legacy option, whose values go to the host.
        const ZAMSelOptionSet::ZAMSosEntry* stored;
        Origin origin;
        // For a rule write during a node's evaluation: the id of the module
        // whose rules hold the statement; empty otherwise.
        const std::string& moduleId;
        // For a rule write: the statement's line in its rule text; 0
        // otherwise.
        int line;
    };

    using Callback = void (*)(const Event& event, void* context);

    // Installs the callback, called with `context` as its second argument;
    // null turns tracing off.
    static void setCallback(Callback callback, void* context);
    static Callback callback();
};

#endif
