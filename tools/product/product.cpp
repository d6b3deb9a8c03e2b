#include "product.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "text_file.h"

namespace rkl {

namespace {

using nlohmann::json;

// Where each object of a JSON text starts, recorded in the object under this
// key while parsing (no key of product.json can begin with a control
// character).
const char* const kOffsetKey = "\x01offset";

constexpr const char* kHowSetNames[] = {"Default",   "UserSet",   "RuleSet", "UserFixed",
                                        "RuleFixed", "Inherited", "Imposed"};
static_assert(sizeof(kHowSetNames) / sizeof(kHowSetNames[0]) == ZAMSelOptionSet::Imposed + 1,
              "one name per how-set");

// The offsets of the "{" of every object in `text`, in the order a parser
// meets them.
std::vector<std::size_t> objectStarts(const std::string& text) {
    std::vector<std::size_t> starts;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '{') {
            starts.push_back(i);
        }
    }
    return starts;
}

// The end of the JSON string starting at `open`, after its closing quote.
std::size_t stringEnd(const std::string& text, std::size_t open) {
    std::size_t i = open + 1;
    while (i < text.size() && text[i] != '"') {
        i += text[i] == '\\' ? 2 : 1;
    }
    return std::min(i + 1, text.size());
}

// The offset of `key` among the members of the object starting at `start`;
// npos when it has none.
std::size_t findKey(const std::string& text, std::size_t start, const std::string& key) {
    int depth = 0;
    for (std::size_t i = start; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            if (--depth == 0) {
                break;
            }
        } else if (c == '"') {
            const std::size_t open = i;
            i = stringEnd(text, open) - 1;
            const std::size_t next = text.find_first_not_of(" \t\r\n", i + 1);
            const bool isKey = next != std::string::npos && text[next] == ':';
            if (depth == 1 && isKey && text.compare(open + 1, i - open - 1, key) == 0) {
                return open;
            }
        }
    }
    return std::string::npos;
}

std::size_t keyOffset(const std::string& text, std::size_t start, const std::string& key) {
    const std::size_t found = findKey(text, start, key);
    return found == std::string::npos ? start : found;
}

json parseWithOffsets(const std::string& text) {
    const std::vector<std::size_t> starts = objectStarts(text);
    std::size_t nextObject = 0;
    std::vector<std::size_t> open;
    const json::parser_callback_t note = [&](int, json::parse_event_t event, json& parsed) {
        if (event == json::parse_event_t::object_start) {
            open.push_back(nextObject++);
        } else if (event == json::parse_event_t::object_end) {
            const std::size_t index = open.back();
            open.pop_back();
            parsed[kOffsetKey] = index < starts.size() ? starts[index] : 0;
        }
        return true;
    };
    return json::parse(text, note);
}

// Reads the node objects of product.json into NodeSpecs, reporting what is
// malformed. The tool walks structures recursively, so their depth is
// capped.
class NodeReader {
public:
    NodeReader(const std::string& file, const std::string& text, std::vector<Diagnostic>& problems)
        : file_(file), text_(text), problems_(problems) {}

    void read(const json& object, NodeSpec& node, int depth = 1) {
        node.line = lineOfObject(object);
        node.offset = offsetOf(object);
        if (!object.is_object()) {
            problem(node.line, "a node must be an object with a \"name\"");
            return;
        }
        for (const auto& member : object.items()) {
            static const std::set<std::string> known = {kOffsetKey, "name",   "module",
                                                        "loadIf",   "values", "children"};
            if (known.count(member.key()) == 0) {
                problem(keyLine(object, member.key()),
                        "unknown key \"" + member.key() +
                            "\" (a node has name, module, loadIf, values and children)");
            }
        }
        node.name = text(object, "name", true);
        if (node.name.find_first_of(".[]") != std::string::npos) {
            problem(keyLine(object, "name"),
                    "node name \"" + node.name + "\" holds \".\", \"[\" or \"]\"");
        }
        node.module = text(object, "module", false);
        node.loadIf = text(object, "loadIf", false);
        node.loadIfLine = keyLine(object, "loadIf");
        if (object.contains("values")) {
            readValues(object["values"], node);
        }
        if (object.contains("children")) {
            readChildren(object["children"], node, depth);
        }
    }

private:
    static constexpr int kDeepest = 1000;

    void readValues(const json& values, NodeSpec& node) {
        if (!values.is_array()) {
            problem(node.line, "\"values\" must be an array");
            return;
        }
        for (const json& item : values) {
            ValueSpec value;
            value.line = lineOfObject(item);
            value.offset = offsetOf(item);
            if (!item.is_object() || !item.contains("option") || !item.contains("value")) {
                problem(value.line, "a value must be an object with \"option\" and \"value\"");
                continue;
            }
            value.option = text(item, "option", true);
            value.value = item["value"];
            const std::string how = text(item, "how", false);
            if (!how.empty() && (!howSetOf(how, value.how) || !chosenByUsers(value.how))) {
                problem(keyLine(item, "how"),
                        "\"how\" must be \"UserSet\", \"UserFixed\" or \"Imposed\", not \"" + how +
                            "\"");
            }
            node.values.push_back(std::move(value));
        }
    }

    void readChildren(const json& children, NodeSpec& node, int depth) {
        if (!children.is_array()) {
            problem(node.line, "\"children\" must be an array");
            return;
        }
        if (depth == kDeepest && !children.empty()) {
            problem(node.line,
                    "the structure is nested deeper than " + std::to_string(kDeepest) + " levels");
            return;
        }
        std::set<std::string> names;
        for (const json& item : children) {
            NodeSpec child;
            read(item, child, depth + 1);
            if (!names.insert(child.name).second) {
                problem(child.line,
                        "node " + node.name + " has two children named \"" + child.name + "\"");
            }
            node.children.push_back(std::move(child));
        }
    }

    static bool chosenByUsers(ZAMSelOptionSet::HowSet how) {
        return how == ZAMSelOptionSet::UserSet || how == ZAMSelOptionSet::UserFixed ||
               how == ZAMSelOptionSet::Imposed;
    }

    // The string member `key`; reported when it is missing but `required`,
    // or not a string.
    std::string text(const json& object, const char* key, bool required) {
        if (!object.contains(key)) {
            if (required) {
                problem(lineOfObject(object), std::string("missing \"") + key + "\"");
            }
            return std::string();
        }
        const json& value = object[key];
        if (!value.is_string() || (required && value.get<std::string>().empty())) {
            problem(keyLine(object, key), std::string("\"") + key + "\" must be a" +
                                              (required ? " non-empty" : "") + " string");
            return std::string();
        }
        return value.get<std::string>();
    }

    static std::size_t offsetOf(const json& object) {
        if (!object.is_object() || !object.contains(kOffsetKey)) {
            return 0;
        }
        return object[kOffsetKey].get<std::size_t>();
    }

    int lineOfObject(const json& object) const {
        return object.is_object() && object.contains(kOffsetKey) ? lineOf(text_, offsetOf(object))
                                                                 : 0;
    }

    int keyLine(const json& object, const std::string& key) const {
        if (!object.is_object() || !object.contains(kOffsetKey)) {
            return 0;
        }
        return lineOf(text_, keyOffset(text_, object[kOffsetKey].get<std::size_t>(), key));
    }

    void problem(int line, const std::string& message) {
        problems_.push_back(
            Diagnostic{file_, line, "error", message, lineAt(text_, line), std::string::npos});
    }

    const std::string& file_;
    const std::string& text_;
    std::vector<Diagnostic>& problems_;
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

Product readProduct(const std::string& directory, std::vector<Diagnostic>& problems,
                    const OpenTexts& open) {
    std::error_code error;
    if (!std::filesystem::is_directory(directory, error)) {
        throw Failure(kUsage, directory + ": not a product directory" +
                                  (std::filesystem::exists(directory, error)
                                       ? std::string()
                                       : std::string(" (it does not exist)")));
    }
    Product product{directory, joinPath(directory, "product.json"), NodeSpec{}};
    if (open.find(product.file) == nullptr && !std::filesystem::exists(product.file, error)) {
        throw Failure(kUsage, product.file + ": missing: a product directory holds product.json");
    }
    const std::string text = open.read(product.file);
    json document;
    try {
        document = parseWithOffsets(text);
    } catch (const json::parse_error& e) {
        const std::size_t offset = std::min<std::size_t>(e.byte == 0 ? 0 : e.byte - 1, text.size());
        const int line = lineOf(text, offset);
        problems.push_back(Diagnostic{product.file, line, "error",
                                      "not valid JSON: " + parseMessage(e.what()),
                                      lineAt(text, line), offset - lineStart(text, line)});
        return product;
    }
    NodeReader(product.file, text, problems).read(document, product.root);
    return product;
}

bool stringMemberSpan(const std::string& text, std::size_t objectOffset, const std::string& key,
                      std::size_t& offset, std::size_t& length) {
    const std::size_t found = findKey(text, objectOffset, key);
    if (found == std::string::npos) {
        return false;
    }
    const std::size_t value = text.find_first_not_of(" \t\r\n:", stringEnd(text, found));
    if (value == std::string::npos || text[value] != '"') {
        return false;
    }
    offset = value;
    length = stringEnd(text, value) - value;
    return true;
}

const char* howSetName(ZAMSelOptionSet::HowSet howSet) {
    const int index = static_cast<int>(howSet);
    return index >= 0 && index <= ZAMSelOptionSet::Imposed ? kHowSetNames[index] : "?";
}

bool howSetOf(const std::string& name, ZAMSelOptionSet::HowSet& howSet) {
    for (int i = 0; i <= ZAMSelOptionSet::Imposed; ++i) {
        if (name == kHowSetNames[i]) {
            howSet = static_cast<ZAMSelOptionSet::HowSet>(i);
            return true;
        }
    }
    return false;
}

}  // namespace rkl
