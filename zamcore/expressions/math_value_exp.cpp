#include "zamcore/expressions/math_value_exp.h"

#include "zamcore/expressions/chain.h"

namespace zamcore {

namespace {

// A chain link met while evaluating, with its right operand's value.
struct Pending {
    const MathLink* link;
    ref_count_ptr<ZAMValue> right;
};

}  // namespace

MathLink::MathLink(ZAMValueExp* left, ZAMValueExp* right)
    : left_(left), right_(right), leftLink_(dynamic_cast<MathLink*>(left)) {}

MathLink::~MathLink() {
    delete right_;
    deleteChain(left_, leftLink_, &MathLink::left_, &MathLink::leftLink_);
}

ref_count_ptr<ZAMValue> MathLink::evaluateChain(const ZAMSelOptionSet& set) const {
    if (leftLink_ == nullptr) {
        const ref_count_ptr<ZAMValue> right = right_->evaluate(set);
        return apply(left_->evaluate(set), right);
    }
    std::vector<Pending> pending;
    const MathLink* link = this;
    for (; link != nullptr; link = link->leftLink_) {
        pending.push_back(Pending{link, link->right_->evaluate(set)});
    }
    ref_count_ptr<ZAMValue> result = pending.back().link->left_->evaluate(set);
    for (auto it = pending.rbegin(); it != pending.rend(); ++it) {
        result = it->link->apply(result, it->right);
    }
    return result;
}

}  // namespace zamcore
