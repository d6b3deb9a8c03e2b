#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <ostream>

#include "batch.h"
#include "commands.h"
#include "product.h"
#include "text_file.h"
#include "value_text.h"

namespace rkl {

namespace {

using nlohmann::ordered_json;

// The nodes of an evaluated tree by path, in tree order.
struct Nodes {
    std::vector<std::string> order;
    std::map<std::string, const ordered_json*> byPath;
};

Nodes nodesOf(const ordered_json& result) {
    Nodes nodes;
    if (!result.is_object() || !result.contains("root")) {
        return nodes;
    }
    std::vector<const ordered_json*> stack{&result["root"]};
    while (!stack.empty()) {
        const ordered_json& node = *stack.back();
        stack.pop_back();
        const std::string path = node.value("path", std::string());
        nodes.order.push_back(path);
        nodes.byPath[path] = &node;
        if (node.contains("children")) {
            const ordered_json& children = node["children"];
            for (auto child = children.rbegin(); child != children.rend(); ++child) {
                stack.push_back(&*child);
            }
        }
    }
    return nodes;
}

// The paths of both trees: the old tree's order, then what only the new one has.
std::vector<std::string> allPaths(const Nodes& before, const Nodes& after) {
    std::vector<std::string> paths = before.order;
    for (const std::string& path : after.order) {
        if (before.byPath.count(path) == 0) {
            paths.push_back(path);
        }
    }
    return paths;
}

const ordered_json* find(const Nodes& nodes, const std::string& path) {
    const auto found = nodes.byPath.find(path);
    return found == nodes.byPath.end() ? nullptr : found->second;
}

ordered_json nodeHeader(const ordered_json* node) {
    if (node == nullptr) {
        return nullptr;
    }
    return {{"module", node->value("module", std::string())},
            {"state", node->value("state", std::string())}};
}

// An option's values and how-sets at a node, by option name, in order.
std::vector<std::pair<std::string, ordered_json>> valuesAt(const ordered_json* node) {
    std::vector<std::pair<std::string, ordered_json>> values;
    if (node == nullptr || !node->contains("values")) {
        return values;
    }
    for (const ordered_json& value : (*node)["values"]) {
        values.emplace_back(value.value("option", std::string()),
                            ordered_json{{"values", value["values"]}, {"howSet", value["howSet"]}});
    }
    return values;
}

const ordered_json* lookUp(const std::vector<std::pair<std::string, ordered_json>>& values,
                           const std::string& option) {
    for (const auto& value : values) {
        if (value.first == option) {
            return &value.second;
        }
    }
    return nullptr;
}

void diffValues(const std::string& path, const ordered_json* before, const ordered_json* after,
                ordered_json& changes) {
    const auto old = valuesAt(before);
    const auto now = valuesAt(after);
    std::vector<std::string> options;
    for (const auto& value : old) {
        options.push_back(value.first);
    }
    for (const auto& value : now) {
        if (lookUp(old, value.first) == nullptr) {
            options.push_back(value.first);
        }
    }
    for (const std::string& option : options) {
        const ordered_json* was = lookUp(old, option);
        const ordered_json* is = lookUp(now, option);
        if (was == nullptr || is == nullptr || *was != *is) {
            changes.push_back({{"path", path},
                               {"option", option},
                               {"old", was != nullptr ? *was : ordered_json()},
                               {"new", is != nullptr ? *is : ordered_json()}});
        }
    }
}

// A diagnostic's file named within its product, so that the same text in
// two versions of a product reads the same.
std::string withinProduct(const std::string& file, const std::string& product) {
    const std::string prefix = joinPath(product, "");
    return file.compare(0, prefix.size(), prefix) == 0 ? file.substr(prefix.size()) : file;
}

// The messages (or errors) of a result as lines of text, to compare.
std::vector<std::string> linesOf(const ordered_json& result, const char* key,
                                 const std::string& product) {
    std::vector<std::string> lines;
    if (!result.is_object() || !result.contains(key)) {
        return lines;
    }
    for (const ordered_json& item : result[key]) {
        if (item.contains("file")) {
            lines.push_back(withinProduct(item.value("file", std::string()), product) + ":" +
                            std::to_string(item.value("line", 0)) + ": " +
                            item.value("severity", std::string()) + ": " +
                            item.value("message", std::string()));
        } else {
            lines.push_back(item.value("node", std::string()) + ": " +
                            item.value("severity", std::string()) + ": " +
                            item.value("text", std::string()));
        }
    }
    return lines;
}

// What only one side has, each line matched at most once.
ordered_json onlyIn(const std::vector<std::string>& these, const std::vector<std::string>& those) {
    std::map<std::string, int> counts;
    for (const std::string& line : those) {
        ++counts[line];
    }
    ordered_json only = ordered_json::array();
    for (const std::string& line : these) {
        if (counts[line]-- <= 0) {
            only.push_back(line);
        }
    }
    return only;
}

ordered_json lineChanges(const ordered_json& before, const ordered_json& after, const char* key,
                         const std::string& oldProduct, const std::string& newProduct) {
    const std::vector<std::string> old = linesOf(before, key, oldProduct);
    const std::vector<std::string> now = linesOf(after, key, newProduct);
    return {{"removed", onlyIn(old, now)}, {"added", onlyIn(now, old)}};
}

// The differences between two results for one choices file.
ordered_json compare(const FileResult& was, const FileResult& is, const std::string& oldProduct,
                     const std::string& newProduct) {
    const ordered_json before = parsedResult(was.result);
    const ordered_json after = parsedResult(is.result);
    ordered_json nodes = ordered_json::array();
    ordered_json values = ordered_json::array();
    // A side without a tree failed before evaluating: its exit status and
    // errors say what differs, not every node of the other side.
    const bool bothTrees = before.contains("root") && after.contains("root");
    const Nodes old = bothTrees ? nodesOf(before) : Nodes();
    const Nodes now = bothTrees ? nodesOf(after) : Nodes();
    for (const std::string& path : allPaths(old, now)) {
        const ordered_json* a = find(old, path);
        const ordered_json* b = find(now, path);
        if (nodeHeader(a) != nodeHeader(b)) {
            nodes.push_back({{"path", path}, {"old", nodeHeader(a)}, {"new", nodeHeader(b)}});
        }
        diffValues(path, a, b, values);
    }
    ordered_json line;
    line["version"] = kBatchVersion;
    line["choices"] = was.file;
    line["exit"] = {was.result.status, is.result.status};
    line["nodes"] = std::move(nodes);
    line["values"] = std::move(values);
    line["messages"] = lineChanges(before, after, "messages", oldProduct, newProduct);
    line["errors"] = lineChanges(before, after, "errors", oldProduct, newProduct);
    line["error"] = {was.result.error, is.result.error};
    const bool differs = was.result.status != is.result.status || !line["nodes"].empty() ||
                         !line["values"].empty() || !line["messages"]["removed"].empty() ||
                         !line["messages"]["added"].empty() || !line["errors"]["removed"].empty() ||
                         !line["errors"]["added"].empty() || was.result.error != is.result.error;
    line["differs"] = differs;
    return line;
}

std::string shownEntry(const ordered_json& entry) {
    if (entry.is_null()) {
        return "(none)";
    }
    std::string values;
    for (const ordered_json& value : entry["values"]) {
        values += (values.empty() ? "" : ", ") + value.dump();
    }
    // One how-set when all values were set alike, as eval shows them.
    const ordered_json& names = entry["howSet"];
    const bool alike = std::all_of(names.begin(), names.end(),
                                   [&](const ordered_json& name) { return name == names.front(); });
    std::string howSets;
    for (std::size_t i = 0; i < (alike ? std::min<std::size_t>(names.size(), 1) : names.size());
         ++i) {
        const std::string name = names[i].get<std::string>();
        ZAMSelOptionSet::HowSet howSet;
        howSets += (i == 0 ? "" : ", ") + (howSetOf(name, howSet) ? howSetWords(howSet) : name);
    }
    return values + " (" + howSets + ")";
}

std::string shownNode(const ordered_json& header) {
    if (header.is_null()) {
        return "absent";
    }
    const std::string module = header["module"].get<std::string>();
    return (module.empty() ? "" : "module " + module + " ") + header["state"].get<std::string>();
}

void printText(const ordered_json& line, std::ostream& out) {
    const std::string file = line["choices"].get<std::string>() + ": ";
    if (line["exit"][0] != line["exit"][1]) {
        out << file << "exit " << line["exit"][0] << " -> " << line["exit"][1] << "\n";
    }
    if (line["error"][0] != line["error"][1]) {
        out << file << "error " << line["error"][0] << " -> " << line["error"][1] << "\n";
    }
    for (const ordered_json& node : line["nodes"]) {
        out << file << node["path"].get<std::string>() << ": " << shownNode(node["old"]) << " -> "
            << shownNode(node["new"]) << "\n";
    }
    for (const ordered_json& value : line["values"]) {
        out << file << value["path"].get<std::string>() << ": "
            << value["option"].get<std::string>() << " " << shownEntry(value["old"]) << " -> "
            << shownEntry(value["new"]) << "\n";
    }
    for (const char* key : {"errors", "messages"}) {
        for (const ordered_json& text : line[key]["removed"]) {
            out << file << "- " << text.get<std::string>() << "\n";
        }
        for (const ordered_json& text : line[key]["added"]) {
            out << file << "+ " << text.get<std::string>() << "\n";
        }
    }
}

}  // namespace

int runDiff(const std::string& oldProduct, const std::string& newProduct,
            const std::vector<std::string>& choiceFiles, int jobs, bool json, std::ostream& out) {
    const std::vector<FileResult> before = evaluateFiles(oldProduct, choiceFiles, jobs);
    const std::vector<FileResult> after = evaluateFiles(newProduct, choiceFiles, jobs);
    std::size_t differing = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        const ordered_json line = compare(before[i], after[i], oldProduct, newProduct);
        differing += line["differs"].get<bool>() ? 1 : 0;
        if (json) {
            out << oneLine(line) << "\n";
        } else {
            printText(line, out);
        }
    }
    if (!json) {
        out << differing << " of " << before.size() << " choices files give different results\n";
    }
    return differing > 0 ? kFindings : kClean;
}

}  // namespace rkl
