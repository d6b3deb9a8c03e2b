#include "zamcore/expressions/exp_root.h"

#include "zamcore/expressions/exp.h"

ZAMExpRoot::ZAMExpRoot() : root_(nullptr) {}

// Owns `root` from the call on: should copying the text or the list fail,
// the statements are deleted here.
ZAMExpRoot::ZAMExpRoot(ZAMExp* root, const std::string& rkl,
                       const std::vector<ZAMOptionExp*>& options) try
    : ZAMRklExp(rkl, options), root_(root) {
} catch (...) {
    delete root;
}

ZAMExpRoot::~ZAMExpRoot() {
    delete root_;
}

void ZAMExpRoot::execute(ZAMSelOptionSet& set) {
    if (root_ != nullptr) {
        root_->execute(set);
    }
}
