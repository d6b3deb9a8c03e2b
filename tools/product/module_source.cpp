#include "module_source.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <utility>

#include "text_file.h"

namespace rkl {

namespace {

const char* const kLineBreaks = "\n\r";

// One line of a module text: a run of characters without line breaks.
struct Piece {
    std::string text;
    std::size_t start = std::string::npos;  // npos: the text is used up
};

Piece nextPiece(const std::string& text, std::size_t& pos) {
    const std::size_t start = text.find_first_not_of(kLineBreaks, pos);
    if (start == std::string::npos) {
        pos = text.size();
        return Piece{};
    }
    std::size_t end = text.find_first_of(kLineBreaks, start);
    if (end == std::string::npos) {
        end = text.size();
    }
    pos = end;
    return Piece{text.substr(start, end - start), start};
}

}  // namespace

ModuleSource ModuleSource::read(const std::string& path) {
    return ModuleSource(path, readProductFile(path));
}

ModuleSource::ModuleSource(std::string path, std::string text)
    : path_(std::move(path)), id_(stem(path_)), text_(std::move(text)) {
    split();
}

void ModuleSource::split() {
    const LineIndex lines(text_);
    const auto problem = [&](std::size_t at, const std::string& message) {
        const int line = lines.lineOf(at);
        problems_.push_back(
            Diagnostic{path_, line, "error", message, lines.lineAt(line), std::string::npos});
    };
    std::size_t pos = 0;
    const Piece header = nextPiece(text_, pos);
    const std::string expected = "module " + id_;
    if (header.start == std::string::npos || header.text.compare(0, 7, "module ") != 0) {
        problem(header.start == std::string::npos ? 0 : header.start,
                "expected \"" + expected + "\" as the first line");
        return;
    }
    if (header.text != expected) {
        problem(header.start, "the module line names module \"" + header.text.substr(7) +
                                  "\", but the file holds module \"" + id_ + "\"");
        return;
    }
    header_ = Line{header.text, lines.lineOf(header.start), header.start};
    const Piece start = nextPiece(text_, pos);
    if (start.text != "interface start") {
        problem(start.start == std::string::npos ? text_.size() : start.start,
                "expected \"interface start\" after the module line");
        return;
    }
    for (Piece line = nextPiece(text_, pos); line.text != "interface end";
         line = nextPiece(text_, pos)) {
        if (line.start == std::string::npos) {
            problem(start.start, "the interface block started here has no \"interface end\" line");
            return;
        }
        declarations_.push_back(Line{line.text, lines.lineOf(line.start), line.start});
    }
    const std::size_t rules = text_.find_first_not_of(kLineBreaks, pos);
    rules_ = rules == std::string::npos ? std::string() : text_.substr(rules);
    rulesLine_ = lines.lineOf(rules == std::string::npos ? text_.size() : rules);
}

namespace {

// Why the option a declaration presents, implements or uses was refused when
// the real reason is that it does not exist (the engine then finds a
// placeholder, which is not public); empty when it exists.
std::string missingBase(const ZAMModule& module, const std::string& declaration) {
    std::string reason;
    forEachReference(declaration, [&](const Reference& reference) {
        const ref_count_ptr<ZAMWindow> window = module.window();
        if (!reason.empty() || !window) {
            return;
        }
        const ref_count_ptr<ZAMOption> base =
            ZAMOption::findOption(window, reference.moduleId, reference.option);
        if (base->scope() != ZAMOption::Legacy) {
            return;
        }
        reason =
            reference.moduleId + ":" + reference.option + " does not exist: " +
            (window->moduleMap().count(reference.moduleId) == 0
                 ? "there is no module \"" + reference.moduleId + "\""
                 : "module " + reference.moduleId + " has no option \"" + reference.option + "\"");
    });
    return reason;
}

}  // namespace

void ModuleSource::loadInto(ZAMModule& module, std::vector<Diagnostic>& diagnostics) const {
    if (!problems_.empty()) {
        return;
    }
    for (const Line& declaration : declarations_) {
        try {
            module.addOptionString(declaration.text);
        } catch (const ZAMException& error) {
            diagnostics.push_back(textError(path_, declaration.text, declaration.number, error));
            const int code = error.code();
            if (code == 303 || code == 305 || code == 306) {
                const std::string reason = missingBase(module, declaration.text);
                if (!reason.empty()) {
                    diagnostics.back().message = reason;
                }
            }
        }
    }
    try {
        module.setRkl(rules_);
    } catch (const ZAMException& error) {
        diagnostics.push_back(textError(path_, rules_, rulesLine_, error));
    }
}

void forEachReference(const std::string& text, const std::function<void(const Reference&)>& visit) {
    struct Token {
        ZAMLexer::TokenType type = ZAMLexer::TK_END;
        std::string value;
        int line = 0;
        std::size_t offset = 0;
    };
    try {
        ZAMLexer lexer(text);
        Token before;  // the token before the module id
        Token moduleId;
        Token colon;
        for (; lexer.type() != ZAMLexer::TK_END && lexer.type() != ZAMLexer::TK_INVALID;
             lexer.next()) {
            Token current{lexer.type(), "", lexer.line(), lexer.mark().pos};
            if (current.type == ZAMLexer::TK_IDENTIFIER) {
                current.value = lexer.identifierValue();
            }
            if (current.type == ZAMLexer::TK_IDENTIFIER && colon.type == ZAMLexer::TK_COLON &&
                moduleId.type == ZAMLexer::TK_IDENTIFIER) {
                const bool assigned =
                    before.type == ZAMLexer::TK_SET || before.type == ZAMLexer::TK_FIX;
                const std::size_t end = identifierEnd(text, current.offset);
                visit(Reference{moduleId.line, moduleId.value, current.value, assigned,
                                moduleId.offset, end - moduleId.offset, current.offset});
            }
            before = std::move(moduleId);
            moduleId = std::move(colon);
            colon = std::move(current);
        }
    } catch (const ZAMException&) {
        // An unreadable quote: the references before it were reported.
    }
}

const ModuleSource::ReferenceLines* ModuleSource::referenceLines(const std::string& moduleId,
                                                                 const std::string& option) const {
    if (!references_) {
        auto index = std::make_shared<ReferenceIndex>();
        forEachReference(rules_, [&](const Reference& reference) {
            ReferenceLines& lines = (*index)[{reference.moduleId, reference.option}];
            lines.first = lines.first == 0 ? reference.line : lines.first;
            if (reference.assigned) {
                lines.assigned.push_back(reference.line);
            }
        });
        references_ = std::move(index);
    }
    const auto found = references_->find({moduleId, option});
    return found == references_->end() ? nullptr : &found->second;
}

std::size_t identifierEnd(const std::string& text, std::size_t start) {
    std::size_t end = start;
    if (end < text.size() && text[end] == '\'') {
        ++end;
        while (end < text.size() && text[end] != '\'') {
            end += text[end] == '\\' ? 2 : 1;
        }
        return std::min(end + 1, text.size());
    }
    while (end < text.size() &&
           (std::isalnum(static_cast<unsigned char>(text[end])) != 0 || text[end] == '_')) {
        ++end;
    }
    return end;
}

int ModuleSource::statementLine(int engineLine, const std::string& moduleId,
                                const std::string& option) const {
    // A statement's next token stands on a later line unless the statement
    // shares its line with what follows: the statement meant is the last one
    // starting above the reported line, or else the first starting on it.
    const ReferenceLines* lines = referenceLines(moduleId, option);
    if (lines == nullptr) {
        return fileLine(engineLine);
    }
    const std::vector<int>& assigned = lines->assigned;
    const auto on = std::lower_bound(assigned.begin(), assigned.end(), engineLine);
    if (on != assigned.begin()) {
        return fileLine(*(on - 1));
    }
    return fileLine(on != assigned.end() && *on == engineLine ? *on : engineLine);
}

int ModuleSource::referenceLine(const std::string& moduleId, const std::string& option) const {
    const ReferenceLines* lines = referenceLines(moduleId, option);
    return lines != nullptr ? fileLine(lines->first) : 0;
}

int ModuleSource::declarationLine(const std::string& option) const {
    for (const Line& declaration : declarations_) {
        if (declaredName(declaration.text).name == option) {
            return declaration.number;
        }
    }
    return 0;
}

std::vector<std::string> moduleTextsIn(const std::string& directory) {
    std::vector<std::string> files;
    for (const std::filesystem::directory_entry& entry :
         std::filesystem::directory_iterator(directory)) {
        const std::string name = entry.path().filename().string();
        if (name[0] != '.' && entry.path().extension() == ".rkl") {
            files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string quotedName(const std::string& name) {
    const std::string quoted = ZAM::rklQuoteId(name);
    if (quoted != name || name.empty()) {
        return quoted;
    }
    // A plain identifier needs quotes only when the lexer reads it as a word
    // of the language.
    ZAMLexer lexer(name);
    return lexer.type() == ZAMLexer::TK_IDENTIFIER ? name : "'" + name + "'";
}

namespace {

// Copies the name at the lexer's current token to the rewrite output, or
// its new name when `renamed` maps it, and moves past it.
void passName(ZAMLexer& lexer, const std::map<std::string, std::string>& renamed) {
    const auto found = renamed.find(lexer.identifierValue());
    if (found == renamed.end()) {
        lexer.next();
        return;
    }
    lexer.holdToken();
    lexer.next();
    lexer.replaceHeld(quotedName(found->second));
}

// exclusive list := ("[" name {"," name} "]") | ("{" name "." name {"," name "." name} "}")
// The lexer stands after "mutually_exclusive" ":"; a list that does not read
// like this is left for the parser to refuse.
void passExclusiveList(ZAMLexer& lexer, const std::map<std::string, std::string>& renamed) {
    const bool pairs = lexer.type() == ZAMLexer::TK_LBRACE;
    if (!pairs && lexer.type() != ZAMLexer::TK_LBRACKET) {
        return;
    }
    do {
        lexer.next();
        if (lexer.type() != ZAMLexer::TK_IDENTIFIER) {
            return;
        }
        passName(lexer, renamed);
        if (pairs && lexer.type() == ZAMLexer::TK_DOT) {
            lexer.next();
            if (lexer.type() == ZAMLexer::TK_IDENTIFIER) {
                lexer.next();  // a value, not an option
            }
        }
    } while (lexer.type() == ZAMLexer::TK_COMMA);
}

}  // namespace

std::string renameExclusiveNames(const std::string& rules,
                                 const std::map<std::string, std::string>& renamed) {
    if (renamed.empty()) {
        return rules;
    }
    ZAMLexer lexer(rules);
    lexer.setRewrite();
    while (lexer.type() != ZAMLexer::TK_END && lexer.type() != ZAMLexer::TK_INVALID) {
        const bool exclusive = lexer.type() == ZAMLexer::TK_MUTUALLY_EXCLUSIVE;
        lexer.next();
        if (exclusive && lexer.type() == ZAMLexer::TK_COLON) {
            lexer.next();
            passExclusiveList(lexer, renamed);
        }
    }
    return lexer.rewrittenText();
}

ModuleSource::DeclaredName ModuleSource::declaredName(const std::string& declaration) {
    try {
        ZAMLexer lexer(declaration);
        if (lexer.type() != ZAMLexer::TK_PUBLIC && lexer.type() != ZAMLexer::TK_PRIVATE) {
            return DeclaredName{};
        }
        lexer.next();
        if (lexer.type() != ZAMLexer::TK_IDENTIFIER) {
            return DeclaredName{};
        }
        DeclaredName found{lexer.identifierValue(), lexer.mark().pos, 0};
        found.length = identifierEnd(declaration, found.offset) - found.offset;
        return found;
    } catch (const ZAMException&) {
        return DeclaredName{};
    }
}

}  // namespace rkl
