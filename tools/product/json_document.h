#ifndef RKL_JSON_DOCUMENT_H
#define RKL_JSON_DOCUMENT_H

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace rkl {

// The deepest nesting of arrays and objects the tool reads in a JSON text.
// The structure of product.json takes two levels per node (its object and
// its "children" array) and is walked up to 1,000 nodes deep; the cap leaves
// room for values below that and keeps every walk of a document, including
// nlohmann's own copying and destruction, far from the end of the stack.
constexpr int kDeepestJson = 2500;

// Why a JSON text was refused, and where.
struct JsonProblem {
    std::size_t offset = 0;
    std::string message;
};

// A JSON text read into nlohmann::json, remembering where each object and
// each of its keys is written, so that messages can name lines and edits can
// be made in place.
class JsonDocument {
public:
    // Parses `text`, which must outlive the document and stay unchanged, in
    // one pass without recursion, refusing a text nested deeper than
    // kDeepestJson. Each object of the result holds one member of its own
    // (see isBookkeeping). Returns false with `problem` set when the text is
    // malformed or too deep.
    bool parse(const std::string& text, JsonProblem& problem);

    const nlohmann::json& root() const { return root_; }

    // The offset of the "{" of an object of this document; npos for
    // another value.
    std::size_t objectOffset(const nlohmann::json& object) const;
    // The offset of the opening quote of member `key` of an object of this
    // document; npos when it has no such member.
    std::size_t keyOffset(const nlohmann::json& object, const std::string& key) const;

    // Whether `key` is the member parse adds to every object: it starts with
    // "\x01", which no key of the tool's files holds.
    static bool isBookkeeping(const std::string& key);

private:
    // The number of an object in text order; npos for another value.
    std::size_t indexOf(const nlohmann::json& object) const;

    const std::string* text_ = nullptr;
    nlohmann::json root_;
    std::vector<std::size_t> objects_;    // the offset of each object, in text order
    std::vector<std::size_t> keys_;       // the offsets of keys, grouped by object
    std::vector<std::size_t> firstKeys_;  // where each object's keys start in keys_
};

}  // namespace rkl

#endif
