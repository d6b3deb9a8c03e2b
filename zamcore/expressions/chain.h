#ifndef ZAMCORE_EXPRESSIONS_CHAIN_H
#define ZAMCORE_EXPRESSIONS_CHAIN_H

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

}  // namespace zamcore

#endif
