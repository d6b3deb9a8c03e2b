#include "zamcore/configuration/write_trace.h"

#include "zamcore/configuration/sos_entry.h"
#include "zamcore/configuration/write_trace_scope.h"
#include "zamcore/model/window.h"

namespace zamcore {

WriteTraceState writeTrace;

namespace {

// The innermost open scope of `kind`, or null.
const WriteTraceScope* innermost(WriteTraceScope::Kind kind) {
    for (const WriteTraceScope* scope = writeTrace.innermost; scope != nullptr;
         scope = scope->outer()) {
        if (scope->kind() == kind) {
            return scope;
        }
    }
    return nullptr;
}

// A statement's write is a rule's; inside a context step a value either
// comes down from a presented option or is inherited (the only writes there
// with the how-set Inherited); anything else was the host's.
ZAMWriteTrace::Origin originOf(const ZAMSelOptionSet::ZAMSosEntry& written, bool isDefault) {
    if (isDefault) {
        return ZAMWriteTrace::Default;
    }
    const WriteTraceScope* scope = writeTrace.innermost;
    if (scope != nullptr && scope->kind() == WriteTraceScope::Statement) {
        return ZAMWriteTrace::Rule;
    }
    if (scope != nullptr && scope->kind() == WriteTraceScope::Context) {
        return firstHowSet(written) == ZAMSelOptionSet::Inherited ? ZAMWriteTrace::Inherited
                                                                  : ZAMWriteTrace::Presented;
    }
    return ZAMWriteTrace::Host;
}

const ZAMNode* nodeOf(const ZAMSelOptionSet& set) {
    for (const WriteTraceScope* scope = writeTrace.innermost; scope != nullptr;
         scope = scope->outer()) {
        if (scope->node() != nullptr) {
            return scope->node();
        }
    }
    const ref_count_ptr<ZAMWindow> window = set.window();
    return window ? window->currentlyEvaluating() : nullptr;
}

}  // namespace

void traceWrite(const ZAMSelOptionSet& set, const ZAMSelOptionSet::ZAMSosEntry& written,
                const ZAMSelOptionSet::ZAMSosEntry* stored, bool isDefault) {
    static const std::string noModule;
    const ZAMWriteTrace::Origin origin = originOf(written, isDefault);
    const std::string* moduleId = &noModule;
    int line = 0;
    if (origin == ZAMWriteTrace::Rule) {
        line = writeTrace.innermost->line();
        if (const WriteTraceScope* rules = innermost(WriteTraceScope::Rules)) {
            moduleId = rules->moduleId();
        }
    }
    const ZAMWriteTrace::Event event{set, nodeOf(set), written, stored, origin, *moduleId, line};
    writeTrace.callback(event, writeTrace.context);
}

}  // namespace zamcore

void ZAMWriteTrace::setCallback(Callback callback, void* context) {
    zamcore::writeTrace.callback = callback;
    zamcore::writeTrace.context = context;
}

ZAMWriteTrace::Callback ZAMWriteTrace::callback() {
    return zamcore::writeTrace.callback;
}
