#include "zamcore/expressions/msg_exp.h"

#include "zamcore/configuration/sel_option_set.h"
#include "zamcore/expressions/value_exp.h"
#include "zamcore/model/window.h"
#include "zamcore/runtime/adapter_access.h"

ZAMMsgExp::ZAMMsgExp(ZAM::MsgSeverity severity, ZAMValueExp* message, int line)
    : ZAMExp(line), severity_(severity), message_(message) {}

ZAMMsgExp::~ZAMMsgExp() {
    delete message_;
}

void ZAMMsgExp::doExecute(ZAMSelOptionSet& set) {
    const std::string text = message_->evaluate(set)->displayString();
    const ref_count_ptr<ZAMWindow> window = set.window();
    ZAMNode* const node = window ? window->currentlyEvaluating() : nullptr;
    if (!zamcore::requireAdapter().userMsg(window.get(), severity_, text, node)) {
        throw ZAMException(500, "", "", "");
    }
}
