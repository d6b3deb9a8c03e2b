#ifndef ZAMCORE_EXPRESSIONS_MSG_EXP_H
#define ZAMCORE_EXPRESSIONS_MSG_EXP_H

#include "zamcore/expressions/exp.h"
#include "zamcore/runtime/zam.h"

class ZAMValueExp;

// "inform", "warn" or "error" followed by a value: hands the value's display
// text to the host's userMsg with the node being evaluated. A host that
// answers false stops the evaluation (code 500), whatever the severity.
class ZAMMsgExp final : public ZAMExp {
public:
    // Takes ownership of the message.
    ZAMMsgExp(ZAM::MsgSeverity severity, ZAMValueExp* message, int line);
    ~ZAMMsgExp() override;

protected:
    void doExecute(ZAMSelOptionSet& set) override;

private:
    ZAM::MsgSeverity severity_;
    ZAMValueExp* message_;  // owned
};

#endif
