#include "zamcore/language/option_parser.h"

#include <utility>

#include "zamcore/language/path.h"
#include "zamcore/language/syntax_error.h"
#include "zamcore/model/module.h"
#include "zamcore/runtime/zam.h"
#include "zamcore/translation/translater.h"

ZAMOptionParser::ZAMOptionParser(ZAMModule* module, const std::string& text)
    : module_(module),
      lexer_(text),
      translater_(nullptr),
      scope_(ZAMOption::Public),
      typeKeyword_(ZAMLexer::TK_INVALID),
      mandatory_(false),
      mutuallyExclusive_(true) {}

void ZAMOptionParser::parseDeclaration() {
    parseHead();
    parseOptionalParts();
    parseBody();
    expect(ZAMLexer::TK_END, "SE_extrainput");
}

std::string ZAMOptionParser::translateDeclaration(ZAMTranslater* translater) {
    translater_ = translater;
    lexer_.setRewrite();
    parseDeclaration();
    translater_ = nullptr;
    return lexer_.rewrittenText();
}

void ZAMOptionParser::raise(const char* key) const {
    zamcore::raiseSyntaxError(lexer_, key);
}

void ZAMOptionParser::expect(TokenType type, const char* key) const {
    if (lexer_.type() != type) {
        raise(key);
    }
}

// head := ("public" | "private") name type-word
// The type word is only remembered here: it is tested when the body begins,
// after the optional parts.
void ZAMOptionParser::parseHead() {
    switch (lexer_.type()) {
        case ZAMLexer::TK_PUBLIC:
            scope_ = ZAMOption::Public;
            break;
        case ZAMLexer::TK_PRIVATE:
            scope_ = ZAMOption::Private;
            break;
        default:
            raise("SE_pubpriv");
    }
    lexer_.next();
    expect(ZAMLexer::TK_IDENTIFIER, "SE_expect_optname");
    name_ = lexer_.identifierValue();
    lexer_.next();
    typeKeyword_ = lexer_.type();
    lexer_.next();
}

// optional := [text] [":" "mandatory"] ["non_mutually_exclusive"]
void ZAMOptionParser::parseOptionalParts() {
    if (lexer_.type() == ZAMLexer::TK_STRING) {
        description_ = lexer_.stringValue();
        lexer_.next();
    }
    if (lexer_.type() == ZAMLexer::TK_COLON) {
        lexer_.next();
        expect(ZAMLexer::TK_MANDATORY, "SE_unexpected");
        mandatory_ = true;
        lexer_.next();
    }
    if (lexer_.type() == ZAMLexer::TK_NON_MUTUALLY_EXCLUSIVE) {
        mutuallyExclusive_ = false;
        lexer_.next();
    }
}

void ZAMOptionParser::parseBody() {
    switch (typeKeyword_) {
        case ZAMLexer::TK_TYPE_STRING:
            parseStringBody();
            break;
        case ZAMLexer::TK_TYPE_INTEGER:
            parseNumberBody(false);
            break;
        case ZAMLexer::TK_TYPE_REAL:
            parseNumberBody(true);
            break;
        case ZAMLexer::TK_TYPE_LOGICAL:
            parseLogicalBody();
            break;
        case ZAMLexer::TK_PRESENTS:
            parsePresentsBody();
            break;
        case ZAMLexer::TK_IMPLEMENTS:
            parseBasedBody(false);
            break;
        case ZAMLexer::TK_USES:
            parseBasedBody(true);
            break;
        default:
            raise("SE_expect_opttype");
    }
}

// string-body := ["=" string-list] ["default" text]
void ZAMOptionParser::parseStringBody() {
    Constraints constraints;
    if (lexer_.type() == ZAMLexer::TK_EQ) {
        lexer_.next();
        constraints = parseStringList();
    } else {
        constraints.push_back(new ZAMOptionAnyStringValue());
    }
    if (lexer_.type() == ZAMLexer::TK_DEFAULT) {
        lexer_.next();
        expect(ZAMLexer::TK_STRING, "SE_expect_defvalue");
        default_ = ZAMValue::createString(lexer_.stringValue());
        lexer_.next();
        checkDefault(constraints);
    }
    createDeclared(constraints);
}

// integer-body := ["=" item {"," item}] ["default" integer-number]
// real-body    := ["=" item {"," item}] ["default" real-number]
void ZAMOptionParser::parseNumberBody(bool real) {
    Constraints constraints;
    if (lexer_.type() == ZAMLexer::TK_EQ) {
        lexer_.next();
        constraints = parseItemList(real);
    } else if (real) {
        constraints.push_back(new ZAMOptionAnyRealValue());
    } else {
        constraints.push_back(new ZAMOptionAnyIntValue());
    }
    if (lexer_.type() == ZAMLexer::TK_DEFAULT) {
        lexer_.next();
        default_ = parseNumber(real);
        checkDefault(constraints);
    }
    createDeclared(constraints);
}

// logical-body := ["default" ("true" | "false")]
void ZAMOptionParser::parseLogicalBody() {
    if (lexer_.type() == ZAMLexer::TK_DEFAULT) {
        lexer_.next();
        if (lexer_.type() != ZAMLexer::TK_TRUE && lexer_.type() != ZAMLexer::TK_FALSE) {
            raise("SE_invalid_default");
        }
        default_ = ZAMValue::createBool(lexer_.type() == ZAMLexer::TK_TRUE);
        lexer_.next();
    }
    createDeclared(Constraints{new ZAMOptionBooleanValue()});
}

// presents-body := qualified-name ["[" path "]"] [general-default]
void ZAMOptionParser::parsePresentsBody() {
    if (scope_ != ZAMOption::Public) {
        raise("SE_pres_public");
    }
    std::string moduleId;
    std::string optionName;
    parseQualifiedName(moduleId, optionName);
    ref_count_ptr<ZAMOption> found;
    if (!rewriting()) {
        found = ZAMOption::findOption(module_->window(), moduleId, optionName);
    }
    const ZAMPath path = ZAMPath::parseBracketPath(lexer_);
    default_ = parseGeneralDefault();
    if (rewriting()) {
        return;
    }
    if (default_ && !found->validateValue(default_)) {
        raise("SE_invalid_default");
    }
    option_ = module_->presentOption(name_, found, path);
    if (default_) {
        option_->setDefaultValue(default_);
    }
    finishOption();
}

// based-body := qualified-name ["=" list of the base's kind] [general-default]
// While rewriting, everything after the qualified name is copied as it is.
void ZAMOptionParser::parseBasedBody(bool uses) {
    std::string moduleId;
    std::string optionName;
    parseQualifiedName(moduleId, optionName);
    if (rewriting()) {
        skipRest();
        return;
    }
    ref_count_ptr<ZAMOption> found =
        ZAMOption::findOption(module_->window(), moduleId, optionName, true);
    Constraints constraints;
    if (lexer_.type() == ZAMLexer::TK_EQ) {
        lexer_.next();
        switch (found->valueType()) {
            case ZAMValue::VT_INT:
                constraints = parseItemList(false);
                break;
            case ZAMValue::VT_REAL:
                constraints = parseItemList(true);
                break;
            case ZAMValue::VT_STRING:
                constraints = parseStringList();
                break;
            default:
                break;  // a base without a listable kind: nothing follows "="
        }
    }
    default_ = parseGeneralDefault();
    if (default_ && !found->validateValue(default_)) {
        raise("SE_invalid_default");
    }
    option_ = module_->implementOrUseOption(name_, found, scope_, uses);
    for (const ref_count_ptr<ZAMOptionValue>& constraint : constraints) {
        option_->addValue(constraint);
    }
    if (default_) {
        option_->setDefaultValue(default_);
    }
    finishOption();
}

// The flags are written even when they kept their defaults, so a declaration
// read again resets them.
void ZAMOptionParser::finishOption() {
    option_->setDescription(description_);
    option_->setMandatory(mandatory_);
    option_->setMutuallyExclusive(mutuallyExclusive_);
}

// string-list := text {[","] text} [","]
ZAMOptionParser::Constraints ZAMOptionParser::parseStringList() {
    expect(ZAMLexer::TK_STRING, "SE_expect_value");
    Constraints constraints;
    for (;;) {
        if (lexer_.type() == ZAMLexer::TK_COMMA) {
            lexer_.next();
        }
        if (lexer_.type() != ZAMLexer::TK_STRING) {
            return constraints;
        }
        constraints.push_back(new ZAMOptionEnumValue(ZAMValue::createString(lexer_.stringValue())));
        lexer_.next();
    }
}

// item-list := item {"," item}
ZAMOptionParser::Constraints ZAMOptionParser::parseItemList(bool real) {
    Constraints constraints{parseItem(real)};
    while (lexer_.type() == ZAMLexer::TK_COMMA) {
        lexer_.next();
        constraints.push_back(parseItem(real));
    }
    return constraints;
}

// item := ("<" | ">" | "<=" | ">=") number | number "to" number | number
ref_count_ptr<ZAMOptionValue> ZAMOptionParser::parseItem(bool real) {
    const TokenType bound = lexer_.type();
    switch (bound) {
        case ZAMLexer::TK_LT:
        case ZAMLexer::TK_GT:
        case ZAMLexer::TK_LE:
        case ZAMLexer::TK_GE:
            lexer_.next();
            break;
        default: {
            ref_count_ptr<ZAMValue> first = parseNumber(real);
            if (lexer_.type() != ZAMLexer::TK_TO) {
                return new ZAMOptionEnumValue(first);
            }
            lexer_.next();
            ref_count_ptr<ZAMValue> last = parseNumber(real);
            if (first >= last) {
                raise("SE_max_min");
            }
            return new ZAMOptionRangeValue(new ZAMOptionMinIncValue(first),
                                           new ZAMOptionMaxIncValue(last));
        }
    }
    ref_count_ptr<ZAMValue> value = parseNumber(real);
    switch (bound) {
        case ZAMLexer::TK_LT:
            return new ZAMOptionMaxValue(value);
        case ZAMLexer::TK_GT:
            return new ZAMOptionMinValue(value);
        case ZAMLexer::TK_LE:
            return new ZAMOptionMaxIncValue(value);
        default:
            return new ZAMOptionMinIncValue(value);
    }
}

// integer-number := ["-"] int
// real-number    := ["-"] (int | real)
// Literals carry no sign and saturate, so negating one cannot overflow.
ref_count_ptr<ZAMValue> ZAMOptionParser::parseNumber(bool real) {
    bool negative = false;
    if (lexer_.type() == ZAMLexer::TK_MINUS) {
        negative = true;
        lexer_.next();
    }
    ref_count_ptr<ZAMValue> value;
    if (real) {
        if (lexer_.type() != ZAMLexer::TK_INTEGER && lexer_.type() != ZAMLexer::TK_REAL) {
            raise("SE_expect_real");
        }
        const double number = lexer_.realValue();
        value = ZAMValue::createReal(negative ? -number : number);
    } else {
        expect(ZAMLexer::TK_INTEGER, "SE_expect_int");
        const int number = lexer_.intValue();
        value = ZAMValue::createInt(negative ? -number : number);
    }
    lexer_.next();
    return value;
}

// general-default := "default" (text | int | real | "true" | "false")
// Null when the line has no default.
ref_count_ptr<ZAMValue> ZAMOptionParser::parseGeneralDefault() {
    if (lexer_.type() != ZAMLexer::TK_DEFAULT) {
        return ref_count_ptr<ZAMValue>();
    }
    lexer_.next();
    ref_count_ptr<ZAMValue> value;
    switch (lexer_.type()) {
        case ZAMLexer::TK_STRING:
            value = ZAMValue::createString(lexer_.stringValue());
            break;
        case ZAMLexer::TK_INTEGER:
            value = ZAMValue::createInt(lexer_.intValue());
            break;
        case ZAMLexer::TK_REAL:
            value = ZAMValue::createReal(lexer_.realValue());
            break;
        case ZAMLexer::TK_TRUE:
        case ZAMLexer::TK_FALSE:
            value = ZAMValue::createBool(lexer_.type() == ZAMLexer::TK_TRUE);
            break;
        default:
            raise("SE_expect_defvalue");
    }
    lexer_.next();
    return value;
}

// qualified-name := name ":" name
// While rewriting, the reference is held from the module id on and written
// back renamed, or unchanged when no rename applies.
void ZAMOptionParser::parseQualifiedName(std::string& moduleId, std::string& optionName) {
    if (rewriting()) {
        lexer_.holdToken();
    }
    expect(ZAMLexer::TK_IDENTIFIER, "SE_expect_modid");
    moduleId = lexer_.identifierValue();
    lexer_.next();
    expect(ZAMLexer::TK_COLON, "SE_expect_colon");
    lexer_.next();
    expect(ZAMLexer::TK_IDENTIFIER, "SE_expect_optname");
    optionName = lexer_.identifierValue();
    lexer_.next();
    if (!rewriting()) {
        return;
    }
    const std::pair<std::string, std::string> renamed =
        translater_->lookupMapping(moduleId, optionName);
    if (renamed.first == moduleId && renamed.second == optionName) {
        lexer_.keepHeld();
    } else {
        lexer_.replaceHeld(ZAM::rklQuoteModuleId(renamed.first) + ":" +
                           ZAM::rklQuoteId(renamed.second));
    }
}

// An invalid character never advances the lexer: the copy stops there with
// the error a declaration with stray input gets.
void ZAMOptionParser::skipRest() {
    while (lexer_.type() != ZAMLexer::TK_END) {
        if (lexer_.type() == ZAMLexer::TK_INVALID) {
            raise("SE_extrainput");
        }
        lexer_.next();
    }
}

// The default must be allowed by one of the constraints (or there are none).
// Checked while rewriting too.
void ZAMOptionParser::checkDefault(const Constraints& constraints) {
    if (constraints.empty()) {
        return;
    }
    for (const ref_count_ptr<ZAMOptionValue>& constraint : constraints) {
        if (constraint->accepts(default_)) {
            return;
        }
    }
    raise("SE_invalid_default");
}

void ZAMOptionParser::createDeclared(const Constraints& constraints) {
    if (rewriting()) {
        return;
    }
    option_ = module_->createOption(name_, scope_);
    for (const ref_count_ptr<ZAMOptionValue>& constraint : constraints) {
        option_->addValue(constraint);
    }
    if (default_) {
        option_->setDefaultValue(default_);
    }
    finishOption();
}
