#ifndef ZAMCORE_EXPRESSIONS_CHAIN_H
#define ZAMCORE_EXPRESSIONS_CHAIN_H

#include <cstddef>

#include "zamcore/expressions/value_exp.h"
#include "zamcore/values/value.h"

namespace zamcore {

// Long chains of one construct ("a or b or c ...", "if ... elif ... elif",
// "a + b + c ...") nest one node per link. Releasing such a chain through the
// nodes' own destructors would recurse once per link, so the head of a chain
// releases the links after it here, one at a time, each unlinked first.
//
// `tail` is the head's owned operand on the chain's side and `link` the same
// operand when it continues the chain (else null). Each link keeps its tail
// in the member `tailOf` and its continuation in `linkOf`.
template <class Link, class Owned>
void deleteChain(Owned* tail, Link* link, Owned* Link::*tailOf, Link* Link::*linkOf) {
    while (link != nullptr) {
        tail = link->*tailOf;
        Link* next = link->*linkOf;
        link->*tailOf = nullptr;
        link->*linkOf = nullptr;
        delete link;
        link = next;
    }
    delete tail;
}

// What the operands of a right-grouped chain of "or" or of "and" gave: how
// many there were, how many were true, and whether any was unset.
struct ChainTally {
    std::size_t operands = 0;
    std::size_t trues = 0;
    bool anyUnset = false;
};

// Evaluates every operand of the chain that starts at `head`, left to right,
// in the order the nested nodes would evaluate them. Each link keeps its
// left operand in `left`, its right one in `right` and, when that continues
// the chain, the same link in `link`.
template <class Link>
ChainTally tallyChain(const Link& head, ZAMValueExp* Link::*left, ZAMValueExp* Link::*right,
                      Link* Link::*link, const ZAMSelOptionSet& set) {
    ChainTally tally;
    const auto take = [&](const ZAMValueExp& operand) {
        const ref_count_ptr<ZAMValue> value = operand.evaluate(set);
        const ZAMValue::ValueType type = value->type();
        ++tally.operands;
        tally.trues += type == ZAMValue::VT_BOOL && value->boolValue() ? 1 : 0;
        tally.anyUnset = tally.anyUnset || type == ZAMValue::VT_UNSET;
    };
    const Link* at = &head;
    for (; at->*link != nullptr; at = at->*link) {
        take(*(at->*left));
    }
    take(*(at->*left));
    take(*(at->*right));
    return tally;
}

}  // namespace zamcore

#endif
