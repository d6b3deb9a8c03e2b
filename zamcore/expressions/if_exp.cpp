#include "zamcore/expressions/if_exp.h"

#include "zamcore/expressions/chain.h"
#include "zamcore/expressions/value_exp.h"
#include "zamcore/runtime/exception.h"
#include "zamcore/values/value.h"

ZAMIfExp::ZAMIfExp(ZAMValueExp* condition, ZAMExp* thenPart, ZAMExp* elsePart, int line)
    : ZAMExp(line),
      then_(thenPart),
      else_(elsePart),
      condition_(condition),
      elseChain_(dynamic_cast<ZAMIfExp*>(elsePart)) {}

ZAMIfExp::~ZAMIfExp() {
    delete condition_;
    delete then_;
    zamcore::deleteChain(else_, elseChain_, &ZAMIfExp::else_, &ZAMIfExp::elseChain_);
}

ZAMExp* ZAMIfExp::selectPart(ZAMSelOptionSet& set) const {
    const ref_count_ptr<ZAMValue> value = condition_->evaluate(set);
    if (value->type() != ZAMValue::VT_BOOL) {
        return nullptr;
    }
    return value->boolValue() ? then_ : else_;
}

// Walks an "elif" chain link by link. An exception leaving a link would be
// stamped by each enclosing if on its way out, innermost first, had the
// links been executed by nesting; `innerLine` keeps the line of the innermost
// link entered so far, which is the one that stamps first.
void ZAMIfExp::doExecute(ZAMSelOptionSet& set) {
    const ZAMIfExp* link = this;
    int innerLine = 0;
    try {
        ZAMExp* part = link->selectPart(set);
        while (part != nullptr && part == link->elseChain_) {
            link = link->elseChain_;
            if (link->line() != 0) {
                innerLine = link->line();
            }
            part = link->selectPart(set);
        }
        if (part != nullptr) {
            part->execute(set);
        }
    } catch (ZAMException& error) {
        if (error.line() == 0) {
            error.setLine(innerLine);
        }
        throw;
    }
}
