#include "module_source.h"

#include <algorithm>
#include <cctype>
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
    return ModuleSource(path, readFile(path));
}

ModuleSource::ModuleSource(std::string path, std::string text)
    : path_(std::move(path)), id_(stem(path_)), text_(std::move(text)) {
    split();
}

void ModuleSource::split() {
    const auto problem = [&](std::size_t at, const std::string& message) {
        const int line = lineOf(text_, at);
        problems_.push_back(
            Diagnostic{path_, line, "error", message, lineAt(text_, line), std::string::npos});
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
    header_ = Line{header.text, lineOf(text_, header.start), header.start};
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
        declarations_.push_back(Line{line.text, lineOf(text_, line.start), line.start});
    }
    const std::size_t rules = text_.find_first_not_of(kLineBreaks, pos);
    rules_ = rules == std::string::npos ? std::string() : text_.substr(rules);
    rulesLine_ = lineOf(text_, rules == std::string::npos ? text_.size() : rules);
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
    int above = 0;
    int on = 0;
    forEachReference(rules_, [&](const Reference& reference) {
        if (!reference.assigned || reference.moduleId != moduleId || reference.option != option) {
            return;
        }
        if (reference.line < engineLine) {
            above = reference.line;
        } else if (reference.line == engineLine && on == 0) {
            on = reference.line;
        }
    });
    return fileLine(above > 0 ? above : on > 0 ? on : engineLine);
}

int ModuleSource::referenceLine(const std::string& moduleId, const std::string& option) const {
    int found = 0;
    forEachReference(rules_, [&](const Reference& reference) {
        if (found == 0 && reference.moduleId == moduleId && reference.option == option) {
            found = reference.line;
        }
    });
    return found > 0 ? fileLine(found) : 0;
}

int ModuleSource::declarationLine(const std::string& option) const {
    for (const Line& declaration : declarations_) {
        if (declaredName(declaration.text).name == option) {
            return declaration.number;
        }
    }
    return 0;
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
