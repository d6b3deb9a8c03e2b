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
    // Chains as people write them are short: their links wait on the stack,
    // only the links of longer ones in a vector.
    constexpr std::size_t kOnStack = 8;
    Pending first[kOnStack];
    std::vector<Pending> more;
    std::size_t count = 0;
    for (const MathLink* link = this; link != nullptr; link = link->leftLink_, ++count) {
        Pending next{link, link->right_->evaluate(set)};
        if (count < kOnStack) {
            first[count] = std::move(next);
        } else {
            more.push_back(std::move(next));
        }
    }
    auto at = [&](std::size_t i) -> Pending& {
        return i < kOnStack ? first[i] : more[i - kOnStack];
    };
    ref_count_ptr<ZAMValue> result = at(count - 1).link->left_->evaluate(set);
    for (std::size_t i = count; i-- > 0;) {
        result = at(i).link->apply(result, at(i).right);
    }
    return result;
}

}  // namespace zamcore
