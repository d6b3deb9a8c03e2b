#include "json_document.h"

#include <algorithm>
#include <vector>

namespace rkl {

namespace {

using nlohmann::json;

// The member of every object holding its number in text order.
const char* const kIndexKey = "\x01";

// Where the objects and keys of a JSON text start, in the order a parser
// meets them, and the first bracket nested deeper than kDeepestJson.
struct Landmarks {
    std::vector<std::size_t> objects;
    std::vector<std::size_t> keys;
    std::size_t tooDeep = std::string::npos;
};

// The offset just past the JSON string that opens at `open`.
std::size_t stringEnd(const std::string& text, std::size_t open) {
    std::size_t i = open + 1;
    while (i < text.size() && text[i] != '"') {
        i += text[i] == '\\' ? 2 : 1;
    }
    return std::min(i + 1, text.size());
}

Landmarks landmarksOf(const std::string& text) {
    Landmarks found;
    // Counted first, so that the lists do not move as they grow.
    found.objects.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '{')));
    found.keys.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), ':')));
    int depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        switch (text[i]) {
            case '"': {
                const std::size_t open = i;
                i = stringEnd(text, open) - 1;
                const std::size_t next = text.find_first_not_of(" \t\r\n", i + 1);
                if (next != std::string::npos && text[next] == ':') {
                    found.keys.push_back(open);
                }
                break;
            }
            case '{':
                found.objects.push_back(i);
                [[fallthrough]];
            case '[':
                if (++depth > kDeepestJson) {
                    found.tooDeep = i;
                    return found;
                }
                break;
            case '}':
            case ']':
                --depth;
                break;
            default:
                break;
        }
    }
    return found;
}

// Builds the document from the parser's events, with an explicit stack of
// the arrays and objects open, so that nothing recurses per level. The
// parser meets objects and keys in text order, as landmarksOf does: the n-th
// object event is the n-th "{" of the text, and likewise for keys.
class Builder : public nlohmann::json_sax<json> {
public:
    Builder(json& document, std::size_t keys) : document_(document), keyOwners_(keys) {}

    bool null() override { return put(json(nullptr)) != nullptr; }
    bool boolean(bool value) override { return put(json(value)) != nullptr; }
    bool number_integer(number_integer_t value) override { return put(json(value)) != nullptr; }
    bool number_unsigned(number_unsigned_t value) override { return put(json(value)) != nullptr; }
    bool number_float(number_float_t value, const string_t&) override {
        return put(json(value)) != nullptr;
    }
    bool string(string_t& value) override { return put(json(std::move(value))) != nullptr; }
    bool binary(binary_t& value) override { return put(json::binary(std::move(value))) != nullptr; }

    bool start_object(std::size_t) override {
        json* object = open(json::object());
        if (object == nullptr) {
            return false;
        }
        objectsOpen_.push_back(objects_);
        (*object)[kIndexKey] = objects_++;
        return true;
    }
    bool key(string_t& name) override {
        if (keys_ < keyOwners_.size()) {
            keyOwners_[keys_] = objectsOpen_.back();
        }
        ++keys_;
        member_ = &(*open_.back())[name];
        return true;
    }
    bool end_object() override {
        objectsOpen_.pop_back();
        return close();
    }
    bool start_array(std::size_t) override { return open(json::array()) != nullptr; }
    bool end_array() override { return close(); }

    bool parse_error(std::size_t position, const std::string&,
                     const nlohmann::detail::exception& error) override {
        problem_ = JsonProblem{position == 0 ? 0 : position - 1, error.what()};
        return false;
    }

    const JsonProblem& problem() const { return problem_; }
    // The object (by number) each key belongs to, in text order.
    const std::vector<std::size_t>& keyOwners() const { return keyOwners_; }

private:
    // Stores `value` where the text puts it: the document, the next element
    // of the open array, or the member whose key came last.
    json* put(json&& value) {
        if (open_.empty()) {
            document_ = std::move(value);
            return &document_;
        }
        json& container = *open_.back();
        if (container.is_array()) {
            container.push_back(std::move(value));
            return &container.back();
        }
        *member_ = std::move(value);
        return member_;
    }
    // The pointers on the stack stay valid: only the innermost container
    // grows, and none of its elements is open.
    json* open(json&& container) {
        if (static_cast<int>(open_.size()) >= kDeepestJson) {
            return nullptr;
        }
        json* placed = put(std::move(container));
        open_.push_back(placed);
        return placed;
    }
    bool close() {
        open_.pop_back();
        return true;
    }

    json& document_;
    std::vector<json*> open_;
    std::vector<std::size_t> objectsOpen_;
    json* member_ = nullptr;
    std::size_t objects_ = 0;
    std::size_t keys_ = 0;
    std::vector<std::size_t> keyOwners_;
    JsonProblem problem_;
};

// nlohmann's message without its own prefix and position, which the
// diagnostic gives in the file's terms.
std::string parseMessage(const std::string& what) {
    const std::size_t column = what.find(", column ");
    const std::size_t colon =
        column == std::string::npos ? what.find("] ") : what.find(": ", column);
    return colon == std::string::npos ? what : what.substr(colon + 2);
}

}  // namespace

bool JsonDocument::parse(const std::string& text, JsonProblem& problem) {
    text_ = &text;
    Landmarks landmarks = landmarksOf(text);
    if (landmarks.tooDeep != std::string::npos) {
        problem =
            JsonProblem{landmarks.tooDeep, "nested deeper than " + std::to_string(kDeepestJson) +
                                               " arrays and objects"};
        return false;
    }
    Builder builder(root_, landmarks.keys.size());
    if (!json::sax_parse(text, &builder)) {
        problem = JsonProblem{builder.problem().offset,
                              "not valid JSON: " + parseMessage(builder.problem().message)};
        return false;
    }
    // The keys grouped by the object they belong to, keeping text order.
    objects_ = std::move(landmarks.objects);
    firstKeys_.assign(objects_.size() + 1, 0);
    const std::vector<std::size_t>& owners = builder.keyOwners();
    for (const std::size_t owner : owners) {
        ++firstKeys_[owner + 1];
    }
    for (std::size_t i = 1; i < firstKeys_.size(); ++i) {
        firstKeys_[i] += firstKeys_[i - 1];
    }
    keys_.assign(owners.size(), 0);
    std::vector<std::size_t> next(firstKeys_.begin(), firstKeys_.end() - 1);
    for (std::size_t key = 0; key < owners.size(); ++key) {
        keys_[next[owners[key]]++] = landmarks.keys[key];
    }
    return true;
}

bool JsonDocument::isBookkeeping(const std::string& key) {
    return !key.empty() && key[0] == '\x01';
}

std::size_t JsonDocument::indexOf(const json& object) const {
    if (!object.is_object()) {
        return std::string::npos;
    }
    const auto found = object.find(kIndexKey);
    if (found == object.end() || !found->is_number_unsigned()) {
        return std::string::npos;
    }
    const std::size_t index = found->get<std::size_t>();
    return index < objects_.size() ? index : std::string::npos;
}

std::size_t JsonDocument::objectOffset(const json& object) const {
    const std::size_t index = indexOf(object);
    return index == std::string::npos ? index : objects_[index];
}

// A key is matched as written: the keys the tool looks for hold no escapes.
std::size_t JsonDocument::keyOffset(const json& object, const std::string& key) const {
    const std::size_t index = indexOf(object);
    if (index == std::string::npos) {
        return index;
    }
    const std::string& text = *text_;
    for (std::size_t k = firstKeys_[index]; k < firstKeys_[index + 1]; ++k) {
        const std::size_t at = keys_[k] + 1;
        if (text.compare(at, key.size(), key) == 0 && at + key.size() < text.size() &&
            text[at + key.size()] == '"') {
            return keys_[k];
        }
    }
    return std::string::npos;
}

}  // namespace rkl
