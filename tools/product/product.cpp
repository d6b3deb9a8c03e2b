#include "product.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "json_document.h"
#include "text_file.h"

namespace rkl {

namespace {

using nlohmann::json;

constexpr const char* kHowSetNames[] = {"Default",   "UserSet",   "RuleSet", "UserFixed",
                                        "RuleFixed", "Inherited", "Imposed"};
static_assert(sizeof(kHowSetNames) / sizeof(kHowSetNames[0]) == ZAMSelOptionSet::Imposed + 1,
              "one name per how-set");

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

// Reads the node objects of product.json into NodeSpecs, reporting what is
// malformed. The tool walks structures recursively, so their depth is
// capped.
class NodeReader {
public:
    NodeReader(const std::string& file, const std::string& text, const JsonDocument& document,
               std::vector<Diagnostic>& problems)
        : file_(file), lines_(text), document_(document), problems_(problems) {}

    void read(const json& object, NodeSpec& node, int depth = 1) {
        node.line = lineOfObject(object);
        node.offset = offsetOf(object);
        if (!object.is_object()) {
            problem(node.line, "a node must be an object with a \"name\"");
            return;
        }
        for (const auto& member : object.items()) {
            static const std::set<std::string> known = {"name", "module", "loadIf", "values",
                                                        "children"};
            if (known.count(member.key()) == 0 && !JsonDocument::isBookkeeping(member.key())) {
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
        node.moduleKey = document_.keyOffset(object, "module");
        node.loadIf = text(object, "loadIf", false);
        node.loadIfKey = document_.keyOffset(object, "loadIf");
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
            value.optionKey = document_.keyOffset(item, "option");
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
        node.children.reserve(children.size());
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

    std::size_t offsetOf(const json& object) const {
        const std::size_t offset = document_.objectOffset(object);
        return offset == std::string::npos ? 0 : offset;
    }

    int lineOfObject(const json& object) const {
        const std::size_t offset = document_.objectOffset(object);
        return offset == std::string::npos ? 0 : lines_.lineOf(offset);
    }

    // The line of member `key`, or of the object when it has none.
    int keyLine(const json& object, const std::string& key) const {
        const std::size_t offset = document_.keyOffset(object, key);
        return offset == std::string::npos ? lineOfObject(object) : lines_.lineOf(offset);
    }

    void problem(int line, const std::string& message) {
        problems_.push_back(
            Diagnostic{file_, line, "error", message, lines_.lineAt(line), std::string::npos});
    }

    const std::string& file_;
    const LineIndex lines_;
    const JsonDocument& document_;
    std::vector<Diagnostic>& problems_;
};

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
    Product product{directory, joinPath(directory, "product.json"), "", NodeSpec{}};
    if (open.find(product.file) == nullptr &&
        !std::filesystem::exists(std::filesystem::symlink_status(product.file, error))) {
        throw Failure(kUsage, product.file + ": missing: a product directory holds product.json");
    }
    product.text = open.read(product.file);
    readStructure(product, problems);
    return product;
}

void readStructure(Product& product, std::vector<Diagnostic>& problems) {
    const std::string& text = product.text;
    JsonDocument document;
    JsonProblem refused;
    if (!document.parse(text, refused)) {
        const LineIndex lines(text);
        const std::size_t offset = std::min(refused.offset, text.size());
        const int line = lines.lineOf(offset);
        problems.push_back(Diagnostic{product.file, line, "error", refused.message,
                                      lines.lineAt(line), offset - lineStart(text, line)});
        return;
    }
    NodeReader(product.file, text, document, problems).read(document.root(), product.root);
}

bool stringMemberSpan(const std::string& text, std::size_t objectOffset, const std::string& key,
                      std::size_t& offset, std::size_t& length) {
    return stringValueSpan(text, findKey(text, objectOffset, key), offset, length);
}

bool stringValueSpan(const std::string& text, std::size_t key, std::size_t& offset,
                     std::size_t& length) {
    if (key >= text.size() || text[key] != '"') {
        return false;
    }
    const std::size_t value = text.find_first_not_of(" \t\r\n:", stringEnd(text, key));
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
