#include "zamcore/expressions/set_exp.h"

#include "zamcore/configuration/sel_option_set.h"
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
    ZAMSelOptionSet::ZAMSosEntry entry;
    entry.option = target_->option(set.window());
    entry.values.push_back(value_->evaluate(set));
    entry.howSets.push_back(fix_ ? ZAMSelOptionSet::RuleFixed : ZAMSelOptionSet::RuleSet);
    entry.path = target_->path();
    const zamcore::WriteTraceScope statement(zamcore::WriteTraceScope::Statement, nullptr, nullptr,
                                             line());
    set.set(entry);
}
