#include "statement_line.h"

#include <zamcore/zamcore.h>

#include <vector>

namespace rkl {

namespace {

bool startsSimpleStatement(ZAMLexer::TokenType type) {
    switch (type) {
        case ZAMLexer::TK_SET:
        case ZAMLexer::TK_FIX:
        case ZAMLexer::TK_INFORM:
        case ZAMLexer::TK_WARN:
        case ZAMLexer::TK_ERROR:
        case ZAMLexer::TK_MUTUALLY_EXCLUSIVE:
            return true;
        default:
            return false;
    }
}

// The tokens a simple statement cannot hold: the next statement, or a word
// of the "if" around it, or the end.
bool endsSimpleStatement(ZAMLexer::TokenType type) {
    return startsSimpleStatement(type) || type == ZAMLexer::TK_IF || type == ZAMLexer::TK_ELIF ||
           type == ZAMLexer::TK_ELSE || type == ZAMLexer::TK_ENDIF || type == ZAMLexer::TK_END;
}

// Follows the statements as the parser reads them, without building them:
// a simple statement ends at the next token that cannot be part of it, an
// "if" link at the next "elif" or after its "endif".
class StatementWalk {
public:
    explicit StatementWalk(int engineLine) : engineLine_(engineLine) {}

    void token(ZAMLexer::TokenType type, int line) {
        if (simpleStart_ > 0 && endsSimpleStatement(type)) {
            ended(simpleStart_, line);
            simpleStart_ = 0;
        }
        if (closedLink_ > 0) {
            ended(closedLink_, line);
            closedLink_ = 0;
        }
        if (startsSimpleStatement(type)) {
            simpleStart_ = line;
        } else if (type == ZAMLexer::TK_IF) {
            links_.push_back(line);
        } else if (type == ZAMLexer::TK_ELIF && !links_.empty()) {
            ended(links_.back(), line);
            links_.back() = line;
        } else if (type == ZAMLexer::TK_ENDIF && !links_.empty()) {
            closedLink_ = links_.back();
            links_.pop_back();
        }
    }

    int found() const { return found_ > 0 ? found_ : engineLine_; }

private:
    void ended(int start, int engineLine) {
        if (engineLine == engineLine_ && start > found_) {
            found_ = start;
        }
    }

    int engineLine_;
    int found_ = 0;
    int simpleStart_ = 0;     // the line of the simple statement being read
    int closedLink_ = 0;      // the start of the link whose "endif" was just read
    std::vector<int> links_;  // the start of the current link of each open "if"
};

}  // namespace

int statementStartLine(const std::string& rules, int engineLine) {
    StatementWalk walk(engineLine);
    try {
        ZAMLexer lexer(rules);
        for (; lexer.type() != ZAMLexer::TK_END && lexer.type() != ZAMLexer::TK_INVALID;
             lexer.next()) {
            walk.token(lexer.type(), lexer.line());
        }
        walk.token(ZAMLexer::TK_END, lexer.line());
    } catch (const ZAMException&) {
        return engineLine;  // a text that does not lex was never evaluated
    }
    return walk.found();
}

}  // namespace rkl
