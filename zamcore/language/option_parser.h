#ifndef ZAMCORE_LANGUAGE_OPTION_PARSER_H
#define ZAMCORE_LANGUAGE_OPTION_PARSER_H

#include <string>
#include <vector>

#include "zamcore/language/lexer.h"
#include "zamcore/language/message_table.h"
#include "zamcore/language/path.h"
#include "zamcore/model/option.h"
#include "zamcore/model/option_value.h"
#include "zamcore/runtime/ref_count_ptr.h"
#include "zamcore/values/value.h"

class ZAMModule;
class ZAMTranslater;

// Reads one option declaration line and declares the option in a module, or,
// in rewrite mode, copies the line with its qualified option references
// renamed. Lives for one declaration.
//
// The work is done in two steps. Reading checks the whole line and gathers
// what it says into a Declaration, looking up the base option but changing
// nothing. Applying then declares the option from that description in one
// go; when it fails on an option that already existed, the option is put back
// as it was. In rewrite mode, reading writes the renamed references and
// nothing is applied.
//
// declaration := scope name type [text] [":" "mandatory"]
//                ["non_mutually_exclusive"] body END
class ZAMOptionParser {
public:
    // `module` receives the option; null when the parser only rewrites.
    // Throws the lexer's unterminated-quote errors.
    ZAMOptionParser(ZAMModule* module, const std::string& text);

    // Reads and checks the whole line without changing anything; throws the
    // line's syntax errors. The name it declares is then declaredName().
    void readDeclaration();
    const std::string& declaredName() const { return declaration_.name; }
    // Declares the option read, readable through option() afterwards. Tokens
    // left after the body raise "SE_extrainput" once the option is declared;
    // on that and any other failure an option that existed is put back as it
    // was, while a new one stays declared.
    void declare();
    // Parses the line in rewrite mode and returns it with the module and
    // option references renamed through `translater`. Creates nothing.
    std::string translateDeclaration(ZAMTranslater* translater);

    const ref_count_ptr<ZAMOption>& option() const { return option_; }

private:
    using Constraints = std::vector<ref_count_ptr<ZAMOptionValue>>;
    using TokenType = ZAMLexer::TokenType;

    // A qualified option reference as written: module id ":" option name.
    struct Reference {
        std::string moduleId;
        std::string optionName;
        ZAMLexer::Mark at;  // the module id token
    };

    // Everything a declaration line says, as read.
    struct Declaration {
        ZAMOption::Scope scope = ZAMOption::Public;
        std::string name;
        TokenType typeKeyword = ZAMLexer::TK_INVALID;
        std::string description;
#if !ZAMCORE_EARLIER_INTERFACE
        bool mandatory = false;
        bool mutuallyExclusive = true;
#endif
        // Presented, implemented and used options: the base as written, the
        // option found for it (not looked up while rewriting), and the path
        // a presented option is presented at.
        Reference base;
        ref_count_ptr<ZAMOption> found;
        ZAMPath path;
        // In the order written; empty for a presented option.
        Constraints constraints;
        ref_count_ptr<ZAMValue> defaultValue;  // null when the line has none
    };

    bool rewriting() const {
        return translater_ != nullptr;
    }
    [[noreturn]] void raise(zamcore::MessageKey key) const;
    void expect(TokenType type, zamcore::MessageKey key) const;

    void readHead();
    void readOptionalParts();
    void readBody();
    void readStringBody();
    void readNumberBody(bool real);
    void readLogicalBody();
    void readPresentsBody();
    void readBasedBody();

    Constraints readStringList();
    Constraints readItemList(bool real);
    Constraints readListOfKind(ZAMValue::ValueType kind);
    ref_count_ptr<ZAMOptionValue> readItem(bool real);
    ref_count_ptr<ZAMValue> readNumber(bool real);
    ref_count_ptr<ZAMValue> readGeneralDefault();
    Reference readReference();
    ref_count_ptr<ZAMOption> findBase(bool external) const;
    void skipRest();

    void checkDefault() const;
    void checkBasedDefault() const;

    void applyDeclaration();
    ref_count_ptr<ZAMOption> declareInModule() const;

    ZAMModule* module_;  // not owned; null in rewrite mode
    ref_count_ptr<ZAMOption> option_;
    ZAMLexer lexer_;
    ZAMTranslater* translater_;  // not owned; set only while rewriting
    Declaration declaration_;
};

#endif
