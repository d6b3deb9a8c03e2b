#ifndef ZAMCORE_CONFIGURATION_WRITE_TRACE_SCOPE_H
#define ZAMCORE_CONFIGURATION_WRITE_TRACE_SCOPE_H

#include <string>

#include "zamcore/configuration/write_trace.h"

namespace zamcore {

class WriteTraceScope;

// The installed write trace callback and its context; null when tracing is
// off, which every write tests first.
struct WriteTraceState {
    ZAMWriteTrace::Callback callback = nullptr;
    void* context = nullptr;
    const WriteTraceScope* innermost = nullptr;
};
extern WriteTraceState writeTrace;

// Marks, while it lives, the engine work that the writes made meanwhile
// belong to, so that the trace can say where they came from. Scopes nest on
// the stack; they record nothing while tracing is off.
class WriteTraceScope {
public:
    enum Kind {
        Rules,      // a node runs its module's rules: node and module id
        Statement,  // a "set" or "fix" statement writes: its line
        Context     // a set is put into a node's module context: node
    };

    // Without a callback only the test is made: statements open a scope
    // each time they write.
    WriteTraceScope(Kind kind, const ZAMNode* node, const std::string* moduleId, int line)
        : active_(writeTrace.callback != nullptr) {
        if (active_) {
            kind_ = kind;
            node_ = node;
            moduleId_ = moduleId;
            line_ = line;
            outer_ = writeTrace.innermost;
            writeTrace.innermost = this;
        }
    }
    ~WriteTraceScope() {
        if (active_) {
            writeTrace.innermost = outer_;
        }
    }
    WriteTraceScope(const WriteTraceScope&) = delete;
    WriteTraceScope& operator=(const WriteTraceScope&) = delete;

    Kind kind() const { return kind_; }
    const ZAMNode* node() const { return node_; }
    const std::string* moduleId() const { return moduleId_; }
    int line() const { return line_; }
    const WriteTraceScope* outer() const { return outer_; }

private:
    bool active_;
    // Set only while active: only open scopes are ever read.
    Kind kind_;
    const ZAMNode* node_;
    const std::string* moduleId_;
    int line_;
    const WriteTraceScope* outer_;
};

// Reports a write to the installed callback, working out its origin from the
// scopes open now; `isDefault` marks a default stored or put back. Call only
// while writeTrace.callback is set.
void traceWrite(const ZAMSelOptionSet& set, const ZAMSelOptionSet::ZAMSosEntry& written,
                const ZAMSelOptionSet::ZAMSosEntry* stored, bool isDefault);

}  // namespace zamcore

#endif
