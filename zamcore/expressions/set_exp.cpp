#include "zamcore/expressions/set_exp.h"

#include "zamcore/configuration/sel_option_set.h"
#include "zamcore/configuration/sos_entry.h"
#include "zamcore/configuration/write_trace_scope.h"
#include "zamcore/expressions/option_exp.h"
#include "zamcore/expressions/value_exp.h"
#include "zamcore/model/window.h"

ZAMSetExp::ZAMSetExp(ZAMOptionExp* target, ZAMValueExp* value, bool fix, int line)
    : ZAMExp(line), target_(target), value_(value), fix_(fix) {}

ZAMSetExp::~ZAMSetExp() {
    delete target_;
    delete value_;
}

void ZAMSetExp::doExecute(ZAMSelOptionSet& set) {
    ref_count_ptr<ZAMOption> target = target_->option(set.window());
    const ZAMSelOptionSet::ZAMSosEntry entry =
        zamcore::makeEntry(std::move(target), target_->path(), value_->evaluate(set),
                           fix_ ? ZAMSelOptionSet::RuleFixed : ZAMSelOptionSet::RuleSet);
    const zamcore::WriteTraceScope statement(zamcore::WriteTraceScope::Statement, nullptr, nullptr,
                                             line());
    set.set(entry);
}
