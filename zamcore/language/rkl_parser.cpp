#include "zamcore/language/rkl_parser.h"

#include <utility>

#include "zamcore/expressions/and_value_exp.h"
#include "zamcore/expressions/condition_exp.h"
#include "zamcore/expressions/exp.h"
#include "zamcore/expressions/exp_root.h"
#include "zamcore/expressions/if_exp.h"
#include "zamcore/expressions/literal_value_exp.h"
#include "zamcore/expressions/logical_value_exp.h"
#include "zamcore/expressions/math_value_exp.h"
#include "zamcore/expressions/mem_bucket.h"
#include "zamcore/expressions/msg_exp.h"
#include "zamcore/expressions/not_value_exp.h"
#include "zamcore/expressions/option_exp.h"
#include "zamcore/expressions/option_value_exp.h"
#include "zamcore/expressions/or_value_exp.h"
#include "zamcore/expressions/set_exp.h"
#include "zamcore/language/path.h"
#include "zamcore/language/reference_rewrite.h"
#include "zamcore/language/syntax_error.h"
#include "zamcore/runtime/zam.h"

// The mutually exclusive rules, which the earlier revision of the interface
// does not have.
#if !ZAMCORE_EARLIER_INTERFACE
#include "zamcore/expressions/me_exp.h"
#include "zamcore/expressions/value_me_exp.h"
#endif

namespace {

using Value = std::unique_ptr<ZAMValueExp>;

// Builds an operator node over two operands. The operands are owned by the
// parameters until the node holds them, so nothing leaks when allocating the
// node fails.
template <class Node>
Value makeBinary(Value left, Value right) {
    Value node = std::make_unique<Node>(left.get(), right.get());
    left.release();
    right.release();
    return node;
}

// Builds an "if" node; like makeBinary, the parts stay owned by the
// parameters until the node holds them.
std::unique_ptr<ZAMExp> makeIf(Value condition, std::unique_ptr<ZAMExp> thenPart,
                               std::unique_ptr<ZAMExp> elsePart, int line) {
    std::unique_ptr<ZAMExp> node =
        std::make_unique<ZAMIfExp>(condition.get(), thenPart.get(), elsePart.get(), line);
    condition.release();
    thenPart.release();
    elsePart.release();
    return node;
}

// The precedence levels of the binary operators, loosest first.
enum Level { kComparison, kSum, kProduct };

}  // namespace

struct ZAMRklParser::BinaryOperator {
    TokenType token;
    Level level;
    Value (*make)(Value, Value);
};

namespace {

// Every binary operator of values with its level and the node it builds.
constexpr ZAMRklParser::BinaryOperator kBinaryOperators[] = {
    {ZAMLexer::TK_EQ, kComparison, &makeBinary<ZAMEqualValueExp>},
    {ZAMLexer::TK_NE, kComparison, &makeBinary<ZAMNotEqualValueExp>},
    {ZAMLexer::TK_LT, kComparison, &makeBinary<ZAMLessValueExp>},
    {ZAMLexer::TK_GT, kComparison, &makeBinary<ZAMGreaterValueExp>},
    {ZAMLexer::TK_LE, kComparison, &makeBinary<ZAMLessEqualValueExp>},
    {ZAMLexer::TK_GE, kComparison, &makeBinary<ZAMGreaterEqualValueExp>},
    {ZAMLexer::TK_PLUS, kSum, &makeBinary<ZAMPlusValueExp>},
    {ZAMLexer::TK_MINUS, kSum, &makeBinary<ZAMMinusValueExp>},
    {ZAMLexer::TK_TIMES, kProduct, &makeBinary<ZAMTimesValueExp>},
    {ZAMLexer::TK_DIVIDE, kProduct, &makeBinary<ZAMDivideValueExp>},
};

// Folds operands a, b, c into a op (b op c): "or" and "and" group to the
// right. Built from the innermost node outwards, in a loop.
template <class Node>
Value groupRight(std::vector<Value>& operands) {
    Value result = std::move(operands.back());
    operands.pop_back();
    while (!operands.empty()) {
        result = makeBinary<Node>(std::move(operands.back()), std::move(result));
        operands.pop_back();
    }
    return result;
}

}  // namespace

ZAMRklParser::ZAMRklParser(const std::string& text)
    : text_(text), lexer_(text), translater_(nullptr), nesting_(0) {}

ref_count_ptr<ZAMExpRoot> ZAMRklParser::parseRkl() {
    options_.clear();
    mem_bucket<ZAMExp> statements(parseStatements().release());
    return ref_count_ptr<ZAMExpRoot>(new ZAMExpRoot(statements.release(), text_, options_));
}

ref_count_ptr<ZAMConditionExp> ZAMRklParser::parseCondition() {
    options_.clear();
    Value condition = parseDisjunction();
    requireEnd();
    return ref_count_ptr<ZAMConditionExp>(
        new ZAMConditionExp(condition.release(), text_, options_));
}

std::string ZAMRklParser::translateRkl(ZAMTranslater* translater) {
    translater_ = translater;
    lexer_.setRewrite();
    options_.clear();
    parseStatements();
    translater_ = nullptr;
    return lexer_.rewrittenText();
}

std::string ZAMRklParser::translateCondition(ZAMTranslater* translater) {
    translater_ = translater;
    lexer_.setRewrite();
    options_.clear();
    parseDisjunction();
    requireEnd();
    translater_ = nullptr;
    return lexer_.rewrittenText();
}

void ZAMRklParser::raise(Key key) const {
    zamcore::raiseRuleSyntaxError(lexer_, key);
}

void ZAMRklParser::expect(TokenType type, Key key) const {
    if (lexer_.type() != type) {
        raise(key);
    }
}

void ZAMRklParser::requireEnd() const {
    expect(ZAMLexer::TK_END, Key::RuleExtraInput);
}

void ZAMRklParser::enterNesting() {
    if (nesting_ >= kMaxNesting) {
        raise(Key::TooDeep);
    }
    ++nesting_;
}

// ---------------------------------------------------------------------------
// Statements

// statements := {statement}, ending at "else", "elif", "endif" or the end.
// No statement gives null, never an empty list.
ZAMRklParser::Statement ZAMRklParser::parseStatements() {
    std::unique_ptr<ZAMExpListExp> list;
    while (Statement statement = parseStatement()) {
        if (!list) {
            list = std::make_unique<ZAMExpListExp>();
        }
        list->add(statement.release());
    }
    return list;
}

// statement := "set" set-rest | "fix" set-rest | ("inform" | "warn" | "error")
//              sum | "if" if-rest | "mutually_exclusive" me-rest
// Null at a word that ends a list. The earlier revision of the interface has
// no mutually exclusive rules: there the word is unexpected like any other.
ZAMRklParser::Statement ZAMRklParser::parseStatement() {
    switch (type()) {
        case ZAMLexer::TK_SET:
            return parseSetOrFix(false);
        case ZAMLexer::TK_FIX:
            return parseSetOrFix(true);
        case ZAMLexer::TK_INFORM:
            return parseMessage(ZAM::Inform);
        case ZAMLexer::TK_WARN:
            return parseMessage(ZAM::Warn);
        case ZAMLexer::TK_ERROR:
            return parseMessage(ZAM::Error);
        case ZAMLexer::TK_IF:
            return parseIf();
#if !ZAMCORE_EARLIER_INTERFACE
        case ZAMLexer::TK_MUTUALLY_EXCLUSIVE:
            return parseMutuallyExclusive();
#endif
        case ZAMLexer::TK_ELSE:
        case ZAMLexer::TK_ELIF:
        case ZAMLexer::TK_ENDIF:
        case ZAMLexer::TK_END:
            return nullptr;
        default:
            raise(Key::Unexpected);
    }
}

// set-rest := option-reference "to" sum
// The line is the one of the token after the statement.
ZAMRklParser::Statement ZAMRklParser::parseSetOrFix(bool fix) {
    lexer_.next();
    std::unique_ptr<ZAMOptionExp> target = parseOptionReference();
    expect(ZAMLexer::TK_TO, Key::MissingTo);
    lexer_.next();
    Value value = parseArithmetic(kSum);
    Statement statement =
        std::make_unique<ZAMSetExp>(target.get(), value.get(), fix, lexer_.line());
    target.release();
    value.release();
    return statement;
}

// message := ("inform" | "warn" | "error") sum
ZAMRklParser::Statement ZAMRklParser::parseMessage(int severity) {
    lexer_.next();
    Value message = parseArithmetic(kSum);
    Statement statement = std::make_unique<ZAMMsgExp>(static_cast<ZAM::MsgSeverity>(severity),
                                                      message.get(), lexer_.line());
    message.release();
    return statement;
}

// if-rest := condition "then" statements
//            ("elif" if-rest | ["else" statements] "endif")
// An "elif" chain is read in a loop and built from its last link outwards;
// each link but the last takes the line of the "elif" after it, the last
// the line of the token after "endif".
ZAMRklParser::Statement ZAMRklParser::parseIf() {
    struct Link {
        Value condition;
        Statement thenPart;
        int line;
    };
    enterNesting();
    lexer_.next();
    // The links before the last, each ended by "elif"; an "if" without
    // "elif" needs no list.
    std::vector<Link> links;
    Value condition;
    Statement thenPart;
    for (;;) {
        condition = parseDisjunction();
        expect(ZAMLexer::TK_THEN, Key::MissingThen);
        lexer_.next();
        thenPart = parseStatements();
        if (type() != ZAMLexer::TK_ELIF) {
            break;
        }
        links.push_back(Link{std::move(condition), std::move(thenPart), lexer_.line()});
        lexer_.next();
    }
    Statement elsePart;
    if (type() == ZAMLexer::TK_ELSE) {
        lexer_.next();
        elsePart = parseStatements();
    }
    expect(ZAMLexer::TK_ENDIF, Key::MissingEndif);
    lexer_.next();
    Statement statement =
        makeIf(std::move(condition), std::move(thenPart), std::move(elsePart), lexer_.line());
    for (auto link = links.rbegin(); link != links.rend(); ++link) {
        statement = makeIf(std::move(link->condition), std::move(link->thenPart),
                           std::move(statement), link->line);
    }
    leaveNesting();
    return statement;
}

#if !ZAMCORE_EARLIER_INTERFACE

// me-rest := ":" (option-list | value-list)
ZAMRklParser::Statement ZAMRklParser::parseMutuallyExclusive() {
    lexer_.next();
    expect(ZAMLexer::TK_COLON, Key::ExpectColon);
    lexer_.next();
    switch (type()) {
        case ZAMLexer::TK_LBRACKET:
            return parseOptionList();
        case ZAMLexer::TK_LBRACE:
            return parseValueList();
        default:
            raise(Key::MutuallyExclusive);
    }
}

// option-list := "[" name {"," name} "]"
// An empty name ('') ends the list; "]" must follow it.
ZAMRklParser::Statement ZAMRklParser::parseOptionList() {
    auto rule = std::make_unique<ZAMMEExp>();
    lexer_.next();
    for (;;) {
        expect(ZAMLexer::TK_IDENTIFIER, Key::ExpectOptName);
        const std::string name = lexer_.identifierValue();
        lexer_.next();
        if (name.empty()) {
            break;
        }
        rule->addOption(new ZAMOptionExp(std::string(), name, ZAMPath::EmptyPath));
        if (type() != ZAMLexer::TK_COMMA) {
            break;
        }
        lexer_.next();
    }
    expect(ZAMLexer::TK_RBRACKET, Key::Unexpected);
    lexer_.next();
    return rule;
}

// value-list := "{" pair {"," pair} "}"
// pair       := name "." name      (option name, then the value's text)
ZAMRklParser::Statement ZAMRklParser::parseValueList() {
    auto rule = std::make_unique<ZAMValueMEExp>();
    lexer_.next();
    for (;;) {
        expect(ZAMLexer::TK_IDENTIFIER, Key::ExpectModId);
        const std::string name = lexer_.identifierValue();
        lexer_.next();
        expect(ZAMLexer::TK_DOT, Key::MutuallyExclusive);
        lexer_.next();
        expect(ZAMLexer::TK_IDENTIFIER, Key::ExpectOptName);
        const std::string value = lexer_.identifierValue();
        if (name.empty() || value.empty()) {
            raise(Key::MutuallyExclusive);
        }
        lexer_.next();
        auto option = std::make_unique<ZAMOptionExp>(std::string(), name, ZAMPath::EmptyPath);
        auto text = std::make_unique<ZAMLiteralValueExp>(value);
        rule->addPair(option.release(), text.release());
        if (type() == ZAMLexer::TK_RBRACE) {
            break;
        }
        expect(ZAMLexer::TK_COMMA, Key::MutuallyExclusive);
        lexer_.next();
    }
    lexer_.next();
    return rule;
}

#endif

// option-reference := name ":" name [bracket-path]
// While rewriting, the module id and the option name are held and written
// back renamed, or as they stand when no rename applies; the path is copied.
std::unique_ptr<ZAMOptionExp> ZAMRklParser::parseOptionReference() {
    if (translater_ != nullptr) {
        lexer_.holdToken();
    }
    expect(ZAMLexer::TK_IDENTIFIER, Key::ExpectModId);
    const std::string moduleId = lexer_.identifierValue();
    lexer_.next();
    expect(ZAMLexer::TK_COLON, Key::ExpectColon);
    lexer_.next();
    expect(ZAMLexer::TK_IDENTIFIER, Key::ExpectOptName);
    const std::string name = lexer_.identifierValue();
    lexer_.next();
    if (translater_ != nullptr) {
        zamcore::finishHeldReference(lexer_, *translater_, moduleId, name);
    }
    const ZAMPath path = ZAMPath::parseBracketPath(lexer_);
    auto reference = std::make_unique<ZAMOptionExp>(moduleId, name, path);
    options_.push_back(reference.get());
    return reference;
}

// ---------------------------------------------------------------------------
// Conditions and values

// operands joined by `op`, grouped to the right: a op (b op c). The chain is
// read in a loop and built from its last operand outwards.
// A single operand, by far the most common case, needs no list.
template <class Node>
ZAMRklParser::Value ZAMRklParser::parseRightGrouped(TokenType op,
                                                    Value (ZAMRklParser::*operand)()) {
    Value first = (this->*operand)();
    if (type() != op) {
        return first;
    }
    std::vector<Value> operands;
    operands.push_back(std::move(first));
    while (type() == op) {
        lexer_.next();
        operands.push_back((this->*operand)());
    }
    return groupRight<Node>(operands);
}

// condition := conjunction ["or" condition]
ZAMRklParser::Value ZAMRklParser::parseDisjunction() {
    return parseRightGrouped<ZAMOrValueExp>(ZAMLexer::TK_OR, &ZAMRklParser::parseConjunction);
}

// conjunction := negation ["and" conjunction]
ZAMRklParser::Value ZAMRklParser::parseConjunction() {
    return parseRightGrouped<ZAMAndValueExp>(ZAMLexer::TK_AND, &ZAMRklParser::parseNegation);
}

// negation := ["not"] condition-primary
ZAMRklParser::Value ZAMRklParser::parseNegation() {
    if (type() != ZAMLexer::TK_NOT) {
        return parseConditionPrimary();
    }
    lexer_.next();
    Value operand = parseConditionPrimary();
    Value negation = std::make_unique<ZAMNotValueExp>(operand.get());
    operand.release();
    return negation;
}

// condition-primary := "(" condition ")" | comparison
ZAMRklParser::Value ZAMRklParser::parseConditionPrimary() {
    if (type() != ZAMLexer::TK_LPAREN) {
        return parseComparison();
    }
    enterNesting();
    lexer_.next();
    Value condition = parseDisjunction();
    expect(ZAMLexer::TK_RPAREN, Key::ExpectCloseBracket);
    lexer_.next();
    leaveNesting();
    return condition;
}

// comparison := sum [("=" | "!=" | "<" | ">" | "<=" | ">=") sum]
ZAMRklParser::Value ZAMRklParser::parseComparison() {
    Value left = parseArithmetic(kSum);
    const BinaryOperator* comparison = binaryOperator(kComparison);
    if (comparison == nullptr) {
        return left;
    }
    lexer_.next();
    Value right = parseArithmetic(kSum);
    return comparison->make(std::move(left), std::move(right));
}

// sum     := product {("+" | "-") product}
// product := primary {("*" | "/") primary}
// Both group to the left.
ZAMRklParser::Value ZAMRklParser::parseArithmetic(int level) {
    auto operand = [this, level] {
        return level == kSum ? parseArithmetic(kProduct) : parsePrimary();
    };
    Value left = operand();
    while (const BinaryOperator* op = binaryOperator(level)) {
        lexer_.next();
        Value right = operand();
        left = op->make(std::move(left), std::move(right));
    }
    return left;
}

const ZAMRklParser::BinaryOperator* ZAMRklParser::binaryOperator(int level) const {
    for (const BinaryOperator& op : kBinaryOperators) {
        if (op.token == type() && op.level == level) {
            return &op;
        }
    }
    return nullptr;
}

// primary := "(" sum ")" | operand
ZAMRklParser::Value ZAMRklParser::parsePrimary() {
    if (type() != ZAMLexer::TK_LPAREN) {
        return parseOperand();
    }
    enterNesting();
    lexer_.next();
    Value sum = parseArithmetic(kSum);
    expect(ZAMLexer::TK_RPAREN, Key::ExpectCloseBracket);
    lexer_.next();
    leaveNesting();
    return sum;
}

// operand := option-reference | "true" | "false" | text | int | real
//          | "-" primary                       (0 minus the primary)
ZAMRklParser::Value ZAMRklParser::parseOperand() {
    Value operand;
    switch (type()) {
        case ZAMLexer::TK_IDENTIFIER: {
            std::unique_ptr<ZAMOptionExp> reference = parseOptionReference();
            operand = std::make_unique<ZAMOptionValueExp>(reference.get());
            reference.release();
            return operand;
        }
        case ZAMLexer::TK_MINUS: {
            enterNesting();
            lexer_.next();
            Value negated = parsePrimary();
            leaveNesting();
            return makeBinary<ZAMMinusValueExp>(std::make_unique<ZAMLiteralValueExp>(0),
                                                std::move(negated));
        }
        case ZAMLexer::TK_TRUE:
        case ZAMLexer::TK_FALSE:
            operand = std::make_unique<ZAMLiteralValueExp>(type() == ZAMLexer::TK_TRUE);
            break;
        case ZAMLexer::TK_STRING:
            operand = std::make_unique<ZAMLiteralValueExp>(lexer_.stringValue());
            break;
        case ZAMLexer::TK_INTEGER:
            operand = std::make_unique<ZAMLiteralValueExp>(lexer_.intValue());
            break;
        case ZAMLexer::TK_REAL:
            operand = std::make_unique<ZAMLiteralValueExp>(lexer_.realValue());
            break;
        default:
            raise(Key::ExpectOptOrVal);
    }
    lexer_.next();
    return operand;
}
