#ifndef RKL_PRODUCT_H
#define RKL_PRODUCT_H

#include <zamcore/zamcore.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "diagnostic.h"
#include "open_texts.h"

namespace rkl {

// A value the user chose for an option of a node's module.
struct ValueSpec {
    std::string option;
    nlohmann::json value;
    ZAMSelOptionSet::HowSet how = ZAMSelOptionSet::UserSet;
    int line = 0;
    std::size_t offset = 0;  // of the value's object in product.json
};

// A node of the product structure as product.json describes it.
struct NodeSpec {
    std::string name;    // the node's name in paths
    std::string module;  // empty for a node that stands for no module
    std::string loadIf;  // empty for a node without a condition
    int line = 0;        // where the node's object starts
    std::size_t offset = 0;
    int loadIfLine = 0;
    std::vector<ValueSpec> values;
    std::vector<NodeSpec> children;
};

// A product on disk: a directory of "<module id>.rkl" files and product.json
// holding the structure.
struct Product {
    std::string directory;
    std::string file;  // the path of product.json
    NodeSpec root;
};

// Reads DIRECTORY/product.json, or its text in `open`. Failure(kUsage) when
// the directory or the file cannot be read; what is wrong with its content
// is appended to `problems` (then the structure is incomplete).
Product readProduct(const std::string& directory, std::vector<Diagnostic>& problems,
                    const OpenTexts& open = OpenTexts());

// Where the string value of member `key` of the JSON object starting at
// `objectOffset` is written in `text`, quotes included; false when the object
// has no such member or its value is no string.
bool stringMemberSpan(const std::string& text, std::size_t objectOffset, const std::string& key,
                      std::size_t& offset, std::size_t& length);

// The JSON name of a how-set ("UserSet") and the how-set of such a name;
// false when there is none.
const char* howSetName(ZAMSelOptionSet::HowSet howSet);
bool howSetOf(const std::string& name, ZAMSelOptionSet::HowSet& howSet);

}  // namespace rkl

#endif
