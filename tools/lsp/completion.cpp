#include "completion.h"

#include <cctype>

namespace rkl::lsp {

namespace {

// The protocol's CompletionItemKind values used here.
constexpr int kProperty = 10;
constexpr int kModule = 9;
constexpr int kKeyword = 14;

// The words a module text is written with, in the order a writer meets them.
const char* const kKeywords[] = {
    "if",      "then",     "elif",       "else",    "endif",     "set",
    "fix",     "to",       "unset",      "and",     "or",        "not",
    "true",    "false",    "inform",     "warn",    "error",     "mutually_exclusive",
    "public",  "private",  "string",     "integer", "real",      "logical",
    "default", "presents", "implements", "uses",    "mandatory", "non_mutually_exclusive",
};

bool nameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

const char* typeName(ZAMValue::ValueType type) {
    switch (type) {
        case ZAMValue::VT_BOOL:
            return "logical";
        case ZAMValue::VT_INT:
            return "integer";
        case ZAMValue::VT_REAL:
            return "real";
        case ZAMValue::VT_STRING:
            return "string";
        default:
            return "no type";
    }
}

// The module id written just before a ":" that ends at `end` (the start of
// the name being typed); empty when no "id:" stands there.
std::string qualifierBefore(const std::string& text, std::size_t end) {
    if (end == 0 || text[end - 1] != ':') {
        return std::string();
    }
    std::size_t start = end - 1;
    while (start > 0 && nameChar(text[start - 1])) {
        --start;
    }
    return text.substr(start, end - 1 - start);
}

nlohmann::json item(const std::string& label, int kind, const std::string& detail) {
    nlohmann::json entry{{"label", label}, {"kind", kind}};
    if (!detail.empty()) {
        entry["detail"] = detail;
    }
    return entry;
}

}  // namespace

std::string optionDetail(const ZAMOption& option) {
    std::string detail = typeName(option.valueType());
    const ref_count_ptr<ZAMOption> base = option.basedOn();
    static const char* const kBasedWords[] = {"", "presents", "implements", "uses"};
    const int type = static_cast<int>(option.type());
    if (base && type > 0 && type < 4) {
        detail +=
            std::string(", ") + kBasedWords[type] + " " + base->moduleId() + ":" + base->name();
    }
    return detail;
}

nlohmann::json completionsAt(const Workspace& workspace, const std::string& text,
                             std::size_t offset) {
    std::size_t start = std::min(offset, text.size());
    while (start > 0 && nameChar(text[start - 1])) {
        --start;
    }
    nlohmann::json items = nlohmann::json::array();
    const std::string moduleId = qualifierBefore(text, start);
    const auto module = workspace.window()->moduleMap().find(moduleId);
    if (!moduleId.empty()) {
        if (module != workspace.window()->moduleMap().end()) {
            for (const ref_count_ptr<ZAMOption>& option : module->second->options()) {
                items.push_back(item(option->name(), kProperty, optionDetail(*option)));
            }
        }
        return {{"isIncomplete", false}, {"items", items}};
    }
    for (const auto& [id, source] : workspace.sources()) {
        items.push_back(item(id, kModule, "module"));
    }
    for (const char* keyword : kKeywords) {
        items.push_back(item(keyword, kKeyword, ""));
    }
    return {{"isIncomplete", false}, {"items", items}};
}

}  // namespace rkl::lsp
