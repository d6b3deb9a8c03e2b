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
    std::size_t offset = 0;                     // of the value's object in product.json
    std::size_t optionKey = std::string::npos;  // of its "option" key
};

// A node of the product structure as product.json describes it.
struct NodeSpec {
    std::string name;    // the node's name in paths
    std::string module;  // empty for a node that stands for no module
    std::string loadIf;  // empty for a node without a condition
    int line = 0;        // where the node's object starts
    std::size_t offset = 0;
    int loadIfLine = 0;
    std::size_t moduleKey = std::string::npos;  // where the "module" key is written
    std::size_t loadIfKey = std::string::npos;  // where the "loadIf" key is written
    std::vector<ValueSpec> values;
    std::vector<NodeSpec> children;
};

// A product on disk: a directory of "<module id>.rkl" files and product.json
// holding the structure.
struct Product {
    std::string directory;
    std::string file;  // the path of product.json
    std::string text;  // as read, which the offsets of the nodes refer to
    NodeSpec root;
};

// Reads DIRECTORY/product.json, or its text in `open`. Failure(kUsage) when
// the directory or the file cannot be read (or is not a regular file inside
// the directory); what is wrong with its content is appended to `problems`
// (then the structure is incomplete).
Product readProduct(const std::string& directory, std::vector<Diagnostic>& problems,
                    const OpenTexts& open = OpenTexts());

// Reads the structure of `product.text` into `product.root`, as readProduct
// does after reading the file: for a text that is not (yet) on disk.
void readStructure(Product& product, std::vector<Diagnostic>& problems);

// Where the string value of member `key` of the JSON object starting at
// `objectOffset` is written in `text`, quotes included; false when the object
// has no such member or its value is no string.
bool stringMemberSpan(const std::string& text, std::size_t objectOffset, const std::string& key,
                      std::size_t& offset, std::size_t& length);

// Where the string value of the member whose key starts at `key` is
// written, quotes included; false when there is no key there or its value is
// no string.
bool stringValueSpan(const std::string& text, std::size_t key, std::size_t& offset,
                     std::size_t& length);

// The JSON name of a how-set ("UserSet") and the how-set of such a name;
// false when there is none.
const char* howSetName(ZAMSelOptionSet::HowSet howSet);
bool howSetOf(const std::string& name, ZAMSelOptionSet::HowSet& howSet);

}  // namespace rkl

#endif
