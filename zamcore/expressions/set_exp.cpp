#include "zamcore/expressions/set_exp.h"

#include "zamcore/configuration/sel_option_set.h"
#include "zamcore/configuration/sos_entry.h"
#include "zamcore/configuration/write_trace_scope.h"
#include "zamcore/expressions/option_exp.h"
#include "zamcore/expressions/value_exp.h"
#include "zamcore/model/window.h"

ZAMSetExp::ZAMSetExp(ZAMOptionExp* target, ZAMValueExp* value, bool fix, int line)
    : ZAMExp(line), target_(target), value_(value), fix_(fix), entryInUse_(false) {}

ZAMSetExp::~ZAMSetExp() {
    delete target_;
    delete value_;
}

void ZAMSetExp::doExecute(ZAMSelOptionSet& set) {
    if (entryInUse_) {
        ZAMSelOptionSet::ZAMSosEntry own;
        store(set, own);
        return;
    }
    // Emptied on every way out, keeping the room of its vectors.
    struct Release {
        ZAMSetExp& statement;
        ~Release() {
            statement.entry_.option = ref_count_ptr<ZAMOption>();
            zamcore::setOnly(statement.entry_, ref_count_ptr<ZAMValue>(), ZAMSelOptionSet::RuleSet);
            statement.entryInUse_ = false;
        }
    };
    entryInUse_ = true;
    const Release release{*this};
    store(set, entry_);
}

void ZAMSetExp::store(ZAMSelOptionSet& set, ZAMSelOptionSet::ZAMSosEntry& entry) const {
    entry.option = target_->option(set.window());
    zamcore::setOnly(entry, value_->evaluate(set),
                     fix_ ? ZAMSelOptionSet::RuleFixed : ZAMSelOptionSet::RuleSet);
    entry.path = target_->path();
    const zamcore::WriteTraceScope statement(zamcore::WriteTraceScope::Statement, nullptr, nullptr,
                                             line());
    set.set(entry);
}
