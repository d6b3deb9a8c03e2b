#include "document_symbols.h"

#include <deque>

#include "completion.h"
#include "text_position.h"

namespace rkl::lsp {

namespace {

// The protocol's SymbolKind values used here.
constexpr int kModuleKind = 2;
constexpr int kBlockKind = 3;  // Namespace: a branch that holds statements
constexpr int kFieldKind = 8;
constexpr int kStatementKind = 24;  // Event: something the rules do

struct Symbol {
    std::string name;
    std::string detail;
    int kind;
    std::size_t start;
    std::size_t end;
    std::size_t nameStart;
    std::size_t nameLength;
    std::deque<Symbol> children;  // a deque keeps the parents' addresses
};

std::size_t lineEnd(const std::string& text, std::size_t offset) {
    const std::size_t newline = text.find('\n', offset);
    std::size_t end = newline == std::string::npos ? text.size() : newline;
    while (end > offset &&
           (text[end - 1] == '\r' || text[end - 1] == ' ' || text[end - 1] == '\t')) {
        --end;
    }
    return end;
}

// The end of the text before `offset`, spaces and line breaks left out.
std::size_t trimmedEnd(const std::string& text, std::size_t offset, std::size_t floor) {
    while (offset > floor && std::isspace(static_cast<unsigned char>(text[offset - 1])) != 0) {
        --offset;
    }
    return offset;
}

// The statement's first line as its name, "then" left out, at most 80
// characters.
std::string statementName(const std::string& text, std::size_t start) {
    std::string name = text.substr(start, lineEnd(text, start) - start);
    if (name.size() > 5 && name.compare(name.size() - 5, 5, " then") == 0) {
        name.erase(name.size() - 5);
    }
    return name.size() > 80 ? name.substr(0, 77) + "..." : name;
}

Symbol leaf(const std::string& text, std::size_t start, std::size_t keywordLength, int kind) {
    return Symbol{statementName(text, start), "",    kind,          start,
                  lineEnd(text, start),       start, keywordLength, {}};
}

nlohmann::json toJson(const Symbol& symbol, const std::string& text) {
    nlohmann::json children = nlohmann::json::array();
    for (const Symbol& child : symbol.children) {
        children.push_back(toJson(child, text));
    }
    nlohmann::json json{{"name", symbol.name.empty() ? "?" : symbol.name},
                        {"kind", symbol.kind},
                        {"range", rangeJson(text, symbol.start, symbol.end - symbol.start)},
                        {"selectionRange", rangeJson(text, symbol.nameStart, symbol.nameLength)},
                        {"children", children}};
    if (!symbol.detail.empty()) {
        json["detail"] = symbol.detail;
    }
    return json;
}

// Reads the rule statements of `source` into `module`'s children. `open`
// holds the "if" statements and branches not yet closed, innermost last.
class StatementReader {
public:
    StatementReader(const ModuleSource& source, Symbol& module)
        : text_(source.text()), base_(source.rulesOffset()) {
        open_.push_back(&module);
        read(source.rules());
        while (open_.size() > 1) {
            close(text_.size());
        }
    }

private:
    void read(const std::string& rules) {
        try {
            ZAMLexer lexer(rules);
            for (; lexer.type() != ZAMLexer::TK_END && lexer.type() != ZAMLexer::TK_INVALID;
                 lexer.next()) {
                token(lexer.type(), base_ + lexer.mark().pos);
            }
        } catch (const ZAMException&) {
            // An unreadable quote: the outline holds what came before.
        }
    }

    void token(ZAMLexer::TokenType type, std::size_t at) {
        if (tooDeep_ > 0) {
            tooDeep_ += type == ZAMLexer::TK_IF ? 1 : type == ZAMLexer::TK_ENDIF ? -1 : 0;
            return;  // inside an "if" beyond the depth limit: it stands for all of it
        }
        switch (type) {
            case ZAMLexer::TK_IF:
                openBlock(at, 2, false);
                break;
            case ZAMLexer::TK_ELIF:
            case ZAMLexer::TK_ELSE:
                closeBranch(at);
                openBlock(at, 4, true);
                break;
            case ZAMLexer::TK_ENDIF:
                closeBranch(at);
                if (open_.size() > 1 && !branch_.back()) {
                    close(at + 5);
                }
                break;
            case ZAMLexer::TK_SET:
            case ZAMLexer::TK_FIX:
                open_.back()->children.push_back(leaf(text_, at, 3, kStatementKind));
                break;
            case ZAMLexer::TK_INFORM:
            case ZAMLexer::TK_WARN:
            case ZAMLexer::TK_ERROR:
            case ZAMLexer::TK_MUTUALLY_EXCLUSIVE:
                open_.back()->children.push_back(leaf(text_, at, 1, kStatementKind));
                break;
            default:
                break;
        }
    }

    void openBlock(std::size_t at, std::size_t keywordLength, bool isBranch) {
        open_.back()->children.push_back(leaf(text_, at, keywordLength, kBlockKind));
        if (open_.size() > kMaxOutlineDepth) {
            tooDeep_ = isBranch ? 0 : 1;
            return;
        }
        open_.push_back(&open_.back()->children.back());
        branch_.push_back(isBranch);
    }

    // Ends an "elif" or "else" branch before `at`.
    void closeBranch(std::size_t at) {
        if (open_.size() > 1 && branch_.back()) {
            close(trimmedEnd(text_, at, open_.back()->start));
        }
    }

    void close(std::size_t end) {
        open_.back()->end = std::max(end, open_.back()->nameStart + open_.back()->nameLength);
        open_.pop_back();
        branch_.pop_back();
    }

    const std::string& text_;
    std::size_t base_;
    std::vector<Symbol*> open_;
    std::vector<bool> branch_{false};
    int tooDeep_ = 0;  // "if" statements open beyond the depth limit
};

}  // namespace

nlohmann::json documentSymbols(const Workspace& workspace, const ModuleSource& source) {
    const std::string& text = source.text();
    const ModuleSource::Line& header = source.header();
    Symbol module{source.id(), "module",      kModuleKind,        0,
                  text.size(), header.offset, header.text.size(), {}};
    for (const ModuleSource::Line& declaration : source.declarations()) {
        const ModuleSource::DeclaredName name = ModuleSource::declaredName(declaration.text);
        if (name.name.empty()) {
            continue;
        }
        Symbol option{name.name,
                      "",
                      kFieldKind,
                      declaration.offset,
                      declaration.offset + declaration.text.size(),
                      declaration.offset + name.offset,
                      name.length,
                      {}};
        if (const ref_count_ptr<ZAMOption> found = workspace.option(source.id(), name.name)) {
            option.detail = optionDetail(*found);
        }
        module.children.push_back(std::move(option));
    }
    StatementReader(source, module);
    return nlohmann::json::array({toJson(module, text)});
}

}  // namespace rkl::lsp
