#ifndef ZAMCORE_LANGUAGE_LEXER_H
#define ZAMCORE_LANGUAGE_LEXER_H

#include <cstdint>
#include <string>
#include <string_view>

#include "zamcore/runtime/export.h"

// Splits one text of the rule language (an option declaration, a rule text, a
// condition or a path) into tokens. The lexer owns a copy of the text; a token
// is a view (position, length) into it, and literal values are converted only
// when a parser asks for them. It moves forward only, one token at a time, and
// belongs to the one parse that built it.
//
// Character classes are 7-bit ASCII: a byte above 127 is never a letter, a
// digit or white space. Number conversion does not depend on the locale.
//
// The rewrite capture copies the text through to rewrittenText() as it is
// read, so that a translating parse can replace a run of tokens (a qualified
// option name) and keep everything else, comments and spacing included.
class ZAMCORE_API ZAMLexer {
public:
    // Token kinds. The codes are fixed; 10 and 43 are unused. "legacy",
    // "enum", "unset", "+=", "-=", ";" and TK_RESERVED are produced but no
    // grammar accepts them, which keeps those words reserved.
    enum TokenType : std::int32_t {
        TK_STRING = 0,      // double-quoted string literal
        TK_IDENTIFIER = 1,  // plain or single-quoted name
        TK_INTEGER = 2,
        TK_REAL = 3,
        TK_TRUE = 4,
        TK_FALSE = 5,
        TK_PUBLIC = 6,
        TK_PRIVATE = 7,
        TK_LEGACY = 8,
        TK_IMPLEMENTS = 9,
        TK_USES = 11,
        TK_PRESENTS = 12,
        TK_SET = 13,
        TK_TO = 14,
        TK_FIX = 15,
        TK_DEFAULT = 16,
        TK_INFORM = 17,
        TK_WARN = 18,
        TK_ERROR = 19,
        TK_IF = 20,
        TK_THEN = 21,
        TK_ELSE = 22,
        TK_ELIF = 23,
        TK_ENDIF = 24,
        TK_MANDATORY = 25,
        TK_MUTUALLY_EXCLUSIVE = 26,
        TK_NON_MUTUALLY_EXCLUSIVE = 27,
        TK_ENUM = 28,
        TK_TYPE_STRING = 29,   // the word "string"
        TK_TYPE_INTEGER = 30,  // the word "integer"
        TK_TYPE_REAL = 31,     // the word "real"
        TK_TYPE_LOGICAL = 32,  // the word "logical"
        TK_EQ = 33,            // "="
        TK_NE = 34,            // "!="
        TK_LT = 35,            // "<"
        TK_GT = 36,            // ">"
        TK_LE = 37,            // "<="
        TK_GE = 38,            // ">="
        TK_AND = 39,
        TK_OR = 40,
        TK_NOT = 41,
        TK_UNSET = 42,
        TK_PLUS = 44,          // "+"
        TK_PLUS_ASSIGN = 45,   // "+="
        TK_MINUS = 46,         // "-"
        TK_MINUS_ASSIGN = 47,  // "-="
        TK_DIVIDE = 48,        // "/"
        TK_TIMES = 49,         // "*"
        TK_DOT = 50,           // "."
        TK_COLON = 51,         // ":"
        TK_SEMICOLON = 52,     // ";"
        TK_COMMA = 53,         // ","
        TK_LPAREN = 54,        // "("
        TK_RPAREN = 55,        // ")"
        TK_LBRACKET = 56,      // "["
        TK_RBRACKET = 57,      // "]"
        TK_LBRACE = 58,        // "{"
        TK_RBRACE = 59,        // "}"
        TK_END = 60,           // end of the text; stays current once reached
        TK_INVALID = 61,       // a character that starts no token; length 0
        TK_RESERVED = 62,      // "hide", "show" or "interface"
    };

    // Where a syntax error happened: up to 40 characters of the text around
    // the current token (line breaks, tabs and carriage returns shown as
    // spaces), a newline, and a caret line pointing at the token's first
    // character; plus the current line number.
    struct ErrorContext {
        std::string text;
        int line = 0;
    };

    // Where a token starts, kept so that an error found later can still
    // point at it.
    struct Mark {
        std::uint32_t pos = 0;
        std::int32_t line = 1;
    };

    // Copies `text` and reads the first token. Throws ZAMSyntaxError when
    // that token is an unterminated quoted literal.
    explicit ZAMLexer(const std::string& text);

    // Makes the next token current. Throws ZAMSyntaxError "Unterminated
    // double quotes" or "Unterminated single quotes", with the context at
    // the opening quote; the lexer is not used again after that.
    void next();

    TokenType type() const { return type_; }
    // For TK_STRING: the text between the quotes, unescaped.
    std::string stringValue() const;
    // For a single-quoted name the text between the quotes, otherwise the
    // whole token text; unescaped. Empty at TK_END and TK_INVALID.
    std::string identifierValue() const;
    // The decimal number at the current token, saturated to the int range.
    int intValue() const;
    // The decimal number (digits, optionally "." and digits) at the current
    // token; beyond the double range it is infinity.
    double realValue() const;
    int line() const { return line_; }
    ErrorContext errorContext() const { return errorContext(mark()); }
    ErrorContext errorContext(const Mark& at) const;
    Mark mark() const { return Mark{pos_, line_}; }

    // Rewrite capture. setRewrite() starts copying the text to the output as
    // tokens are read. holdToken() stops copying at the current token, which
    // starts the held run; every token read until keepHeld() or replaceHeld()
    // belongs to it. keepHeld() copies the held run unchanged. replaceHeld(r)
    // writes r instead of the held tokens (and anything between them), then
    // copies what follows the last held token (white space, comments, line
    // breaks) as written; where nothing separated the held run from the
    // token before or after it and r would run into that token, one space is
    // put between them. The output therefore reads as the same tokens with r
    // in place of the held run. rewrittenText() copies the rest of the text
    // and returns the output; the capture is then finished.
    void setRewrite();
    void holdToken();
    void keepHeld();
    void replaceHeld(const std::string& replacement);
    std::string rewrittenText();

private:
    void skipThenScan(std::uint32_t pos);
    void scan(std::uint32_t pos);
    void scanQuoted(std::uint32_t pos);
    void countLines(std::uint32_t lines);
    [[noreturn]] void throwUnterminated(TokenType kind) const;
    void capture();
    void appendToOutput(std::uint32_t end);
    void resumeCapture();
    bool wordCharAt(std::uint32_t index) const;

    std::uint32_t size() const { return static_cast<std::uint32_t>(text_.size()); }
    unsigned char charAt(std::uint32_t index) const {
        return static_cast<unsigned char>(text_[index]);
    }
    std::string_view rest() const { return std::string_view(text_).substr(pos_); }

    // Invariant: pos_ + length_ <= text_.size() < 2^32 - 1.
    std::string text_;
    std::uint32_t pos_;           // first character of the current token
    std::uint32_t length_;        // characters in the current token
    std::int32_t line_;           // 1 for the first line
    bool rewrite_;                // rewrite capture is on
    bool hold_;                   // captured text is being held back
    std::uint32_t captureStart_;  // first character not yet copied to output_
    std::string output_;          // the rewritten text so far
    std::uint32_t heldStart_;     // first character of the held run
    std::uint32_t heldEnd_;       // end of the last token of the held run
    TokenType type_;
};

#endif
