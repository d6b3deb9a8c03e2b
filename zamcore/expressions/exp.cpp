#include "zamcore/expressions/exp.h"

#include <memory>

#include "zamcore/runtime/exception.h"

ZAMExp::~ZAMExp() = default;

void ZAMExp::execute(ZAMSelOptionSet& set) {
    try {
        doExecute(set);
    } catch (ZAMException& error) {
        if (error.line() == 0) {
            error.setLine(line_);
        }
        throw;
    }
}

ZAMExpListExp::~ZAMExpListExp() {
    for (ZAMExp* statement : statements_) {
        delete statement;
    }
}

void ZAMExpListExp::add(ZAMExp* statement) {
    // Owned from the call on, also when the vector cannot grow.
    std::unique_ptr<ZAMExp> owned(statement);
    statements_.push_back(owned.get());
    owned.release();
}

void ZAMExpListExp::doExecute(ZAMSelOptionSet& set) {
    for (ZAMExp* statement : statements_) {
        statement->execute(set);
    }
}
