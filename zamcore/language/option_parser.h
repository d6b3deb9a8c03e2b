#ifndef ZAMCORE_LANGUAGE_OPTION_PARSER_H
#define ZAMCORE_LANGUAGE_OPTION_PARSER_H

#include <string>
#include <vector>

#include "zamcore/language/lexer.h"
#include "zamcore/model/option.h"
#include "zamcore/model/option_value.h"
#include "zamcore/runtime/ref_count_ptr.h"
#include "zamcore/values/value.h"

class ZAMModule;
class ZAMTranslater;

// Reads one option declaration line and creates the option in a module, or,
// in rewrite mode, copies the line with its qualified option references
// renamed. Lives for one declaration.
//
// declaration := scope name type [text] [":" "mandatory"]
//                ["non_mutually_exclusive"] body END
class ZAMOptionParser {
public:
    // `module` receives the option; null when the parser only rewrites.
    // Throws the lexer's unterminated-quote errors.
    ZAMOptionParser(ZAMModule* module, const std::string& text);

    // Parses the line and creates the option, readable through option()
    // afterwards. An error inside the body creates nothing; tokens left after
    // the body raise "SE_extrainput" once the option exists.
    void parseDeclaration();
    // Parses the line in rewrite mode and returns it with the module and
    // option references renamed through `translater`. Creates nothing.
    std::string translateDeclaration(ZAMTranslater* translater);

    const ref_count_ptr<ZAMOption>& option() const { return option_; }

private:
    using Constraints = std::vector<ref_count_ptr<ZAMOptionValue>>;
    using TokenType = ZAMLexer::TokenType;

    bool rewriting() const { return translater_ != nullptr; }
    [[noreturn]] void raise(const char* key) const;
    void expect(TokenType type, const char* key) const;

    void parseHead();
    void parseOptionalParts();
    void parseBody();
    void parseStringBody();
    void parseNumberBody(bool real);
    void parseLogicalBody();
    void parsePresentsBody();
    void parseBasedBody(bool uses);
    void finishOption();

    Constraints parseStringList();
    Constraints parseItemList(bool real);
    ref_count_ptr<ZAMOptionValue> parseItem(bool real);
    ref_count_ptr<ZAMValue> parseNumber(bool real);
    ref_count_ptr<ZAMValue> parseGeneralDefault();
    void parseQualifiedName(std::string& moduleId, std::string& optionName);
    void skipRest();

    void checkDefault(const Constraints& constraints);
    void createDeclared(const Constraints& constraints);

    ZAMModule* module_;  // not owned; null in rewrite mode
    ref_count_ptr<ZAMOption> option_;
    ZAMLexer lexer_;
    ZAMTranslater* translater_;  // not owned; set only while rewriting

    // What the line said so far.
    ZAMOption::Scope scope_;
    std::string name_;
    TokenType typeKeyword_;
    std::string description_;
    bool mandatory_;
    bool mutuallyExclusive_;
    ref_count_ptr<ZAMValue> default_;
};

#endif
