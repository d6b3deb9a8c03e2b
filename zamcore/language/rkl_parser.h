#ifndef ZAMCORE_LANGUAGE_RKL_PARSER_H
#define ZAMCORE_LANGUAGE_RKL_PARSER_H

#include <memory>
#include <string>
#include <vector>

#include "zamcore/language/lexer.h"
#include "zamcore/language/message_table.h"
#include "zamcore/revision.h"
#include "zamcore/runtime/ref_count_ptr.h"

class ZAMConditionExp;
class ZAMExp;
class ZAMExpRoot;
class ZAMOptionExp;
class ZAMTranslater;
class ZAMValueExp;

// Reads a rule text into a ZAMExpRoot or a load-if condition into a
// ZAMConditionExp; in rewrite mode it parses the same way, keeps no tree and
// returns the text with its option references renamed. Lives for one text.
//
// Precedence, tightest first: unary "-"; "*" "/"; "+" "-"; one comparison;
// "not"; "and"; "or". Arithmetic groups to the left, "and" and "or" to the
// right. At the level of a condition "(" always opens a bracketed condition.
//
// Nesting (brackets, unary minus, an "if" inside a then or else list) is
// limited to kMaxNesting levels, so that hostile text cannot exhaust the
// stack; chains of one operator, "elif" chains and statement lists are read
// in loops and are not limited.
class ZAMRklParser {
public:
    // Deep enough for any text a person writes; shallow enough that parsing,
    // running and releasing the deepest tree fits a 1 MB thread stack, also
    // under the address sanitizer.
    static constexpr int kMaxNesting = 200;

    // `text` must outlive the parser. Throws the lexer's errors for the
    // first token.
    explicit ZAMRklParser(const std::string& text);

    // rule text := statements, then nothing more is read: a top-level
    // "else", "elif" or "endif" ends the text without error.
    ref_count_ptr<ZAMExpRoot> parseRkl();
    // The condition, which must end the text ("SE_extra_input").
    ref_count_ptr<ZAMConditionExp> parseCondition();
    // The same parses in rewrite mode: the text with its option references
    // renamed through `translater`.
    std::string translateRkl(ZAMTranslater* translater);
    std::string translateCondition(ZAMTranslater* translater);

    // An entry of the table of binary value operators.
    struct BinaryOperator;

private:
    using Statement = std::unique_ptr<ZAMExp>;
    using Value = std::unique_ptr<ZAMValueExp>;
    using TokenType = ZAMLexer::TokenType;

    using Key = zamcore::MessageKey;

    [[noreturn]] void raise(Key key) const;
    void expect(TokenType type, Key key) const;
    TokenType type() const { return lexer_.type(); }
    void enterNesting();
    void leaveNesting() { --nesting_; }

    Statement parseStatements();
    Statement parseStatement();
    Statement parseSetOrFix(bool fix);
    Statement parseMessage(int severity);
    Statement parseIf();
#if !ZAMCORE_EARLIER_INTERFACE
    Statement parseMutuallyExclusive();
    Statement parseOptionList();
    Statement parseValueList();
#endif
    std::unique_ptr<ZAMOptionExp> parseOptionReference();

    template <class Node>
    Value parseRightGrouped(TokenType op, Value (ZAMRklParser::*operand)());
    Value parseDisjunction();
    Value parseConjunction();
    Value parseNegation();
    Value parseConditionPrimary();
    Value parseComparison();
    Value parseArithmetic(int level);
    Value parsePrimary();
    Value parseOperand();
    const BinaryOperator* binaryOperator(int level) const;

    void requireEnd() const;

    const std::string& text_;
    ZAMLexer lexer_;
    // The references of "set"/"fix" targets and of options read, in the order
    // made; owned by the tree being built.
    std::vector<ZAMOptionExp*> options_;
    ZAMTranslater* translater_;  // not owned; set only while rewriting
    int nesting_;
};

#endif
