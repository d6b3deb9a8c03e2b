#include "zamcore/language/option_parser.h"

#include "zamcore/language/reference_rewrite.h"
#include "zamcore/language/syntax_error.h"
#include "zamcore/model/module.h"
#include "zamcore/model/window.h"
#include "zamcore/translation/translater.h"

using zamcore::MessageKey;

ZAMOptionParser::ZAMOptionParser(ZAMModule* module, const std::string& text)
    : module_(module), lexer_(text), translater_(nullptr) {}

// The model reuses an option declared again and changes it in place; what the
// declaration sets is copied first, so that a failure later in the line can
// put it back.
void ZAMOptionParser::declare() {
    const ref_count_ptr<ZAMOption> existing = module_->interfaceOption(declaration_.name);
    if (!existing) {
        applyDeclaration();
        return;
    }
    const ZAMOption::DeclaredState before = existing->declaredState();
    try {
        applyDeclaration();
    } catch (...) {
        existing->restoreDeclaredState(before);
        throw;
    }
}

std::string ZAMOptionParser::translateDeclaration(ZAMTranslater* translater) {
    translater_ = translater;
    lexer_.setRewrite();
    readDeclaration();
    expect(ZAMLexer::TK_END, MessageKey::ExtraInput);
    translater_ = nullptr;
    return lexer_.rewrittenText();
}

void ZAMOptionParser::raise(MessageKey key) const {
    zamcore::raiseSyntaxError(lexer_, key);
}

void ZAMOptionParser::expect(TokenType type, MessageKey key) const {
    if (lexer_.type() != type) {
        raise(key);
    }
}

// ---------------------------------------------------------------------------
// Reading: checks the line and fills declaration_; changes nothing.

// declaration := head optional-parts body
void ZAMOptionParser::readDeclaration() {
    readHead();
    readOptionalParts();
    readBody();
}

// head := ("public" | "private") name type-word
// The type word is only remembered here: it is tested when the body begins,
// after the optional parts.
void ZAMOptionParser::readHead() {
    switch (lexer_.type()) {
        case ZAMLexer::TK_PUBLIC:
            declaration_.scope = ZAMOption::Public;
            break;
        case ZAMLexer::TK_PRIVATE:
            declaration_.scope = ZAMOption::Private;
            break;
        default:
            raise(MessageKey::PubPriv);
    }
    lexer_.next();
    expect(ZAMLexer::TK_IDENTIFIER, MessageKey::ExpectOptName);
    declaration_.name = lexer_.identifierValue();
    lexer_.next();
    declaration_.typeKeyword = lexer_.type();
    lexer_.next();
}

// optional-parts := [text] [":" "mandatory"] ["non_mutually_exclusive"]
// The earlier revision of the interface has neither mark: there a ":" or
// "non_mutually_exclusive" is left over like any other stray token.
void ZAMOptionParser::readOptionalParts() {
    if (lexer_.type() == ZAMLexer::TK_STRING) {
        declaration_.description = lexer_.stringValue();
        lexer_.next();
    }
#if !ZAMCORE_EARLIER_INTERFACE
    if (lexer_.type() == ZAMLexer::TK_COLON) {
        lexer_.next();
        expect(ZAMLexer::TK_MANDATORY, MessageKey::Unexpected);
        declaration_.mandatory = true;
        lexer_.next();
    }
    if (lexer_.type() == ZAMLexer::TK_NON_MUTUALLY_EXCLUSIVE) {
        declaration_.mutuallyExclusive = false;
        lexer_.next();
    }
#endif
}

// body := string-body | integer-body | real-body | logical-body
//       | presents-body | based-body       (as the type word says)
void ZAMOptionParser::readBody() {
    switch (declaration_.typeKeyword) {
        case ZAMLexer::TK_TYPE_STRING:
            readStringBody();
            break;
        case ZAMLexer::TK_TYPE_INTEGER:
            readNumberBody(false);
            break;
        case ZAMLexer::TK_TYPE_REAL:
            readNumberBody(true);
            break;
        case ZAMLexer::TK_TYPE_LOGICAL:
            readLogicalBody();
            break;
        case ZAMLexer::TK_PRESENTS:
            readPresentsBody();
            break;
        case ZAMLexer::TK_IMPLEMENTS:
        case ZAMLexer::TK_USES:
            readBasedBody();
            break;
        default:
            raise(MessageKey::ExpectOptType);
    }
}

// string-body := ["=" string-list] ["default" text]
void ZAMOptionParser::readStringBody() {
    if (lexer_.type() == ZAMLexer::TK_EQ) {
        lexer_.next();
        declaration_.constraints = readStringList();
    } else {
        declaration_.constraints.push_back(new ZAMOptionAnyStringValue());
    }
    if (lexer_.type() == ZAMLexer::TK_DEFAULT) {
        lexer_.next();
        expect(ZAMLexer::TK_STRING, MessageKey::ExpectDefValue);
        declaration_.defaultValue = ZAMValue::createString(lexer_.stringValue());
        lexer_.next();
        checkDefault();
    }
}

// integer-body := ["=" item-list] ["default" integer-number]
// real-body    := ["=" item-list] ["default" real-number]
void ZAMOptionParser::readNumberBody(bool real) {
    if (lexer_.type() == ZAMLexer::TK_EQ) {
        lexer_.next();
        declaration_.constraints = readItemList(real);
    } else if (real) {
        declaration_.constraints.push_back(new ZAMOptionAnyRealValue());
    } else {
        declaration_.constraints.push_back(new ZAMOptionAnyIntValue());
    }
    if (lexer_.type() == ZAMLexer::TK_DEFAULT) {
        lexer_.next();
        declaration_.defaultValue = readNumber(real);
        checkDefault();
    }
}

// logical-body := ["default" ("true" | "false")]
void ZAMOptionParser::readLogicalBody() {
    if (lexer_.type() == ZAMLexer::TK_DEFAULT) {
        lexer_.next();
        if (lexer_.type() != ZAMLexer::TK_TRUE && lexer_.type() != ZAMLexer::TK_FALSE) {
            raise(MessageKey::InvalidDefault);
        }
        declaration_.defaultValue = ZAMValue::createBool(lexer_.type() == ZAMLexer::TK_TRUE);
        lexer_.next();
    }
    declaration_.constraints.push_back(new ZAMOptionBooleanValue());
}

// presents-body := reference ["[" path "]"] [general-default]
void ZAMOptionParser::readPresentsBody() {
    if (declaration_.scope != ZAMOption::Public) {
        raise(MessageKey::PresPublic);
    }
    declaration_.base = readReference();
    if (!rewriting()) {
        declaration_.found = findBase(false);
    }
    declaration_.path = ZAMPath::parseBracketPath(lexer_);
    declaration_.defaultValue = readGeneralDefault();
    checkBasedDefault();
}

// based-body := reference ["=" list of the base's kind] [general-default]
// While rewriting, the base is not looked up and the rest of the line is
// copied as it is.
void ZAMOptionParser::readBasedBody() {
    declaration_.base = readReference();
    if (rewriting()) {
        skipRest();
        return;
    }
    declaration_.found = findBase(true);
    if (lexer_.type() == ZAMLexer::TK_EQ) {
        lexer_.next();
        declaration_.constraints = readListOfKind(declaration_.found->valueType());
    }
    declaration_.defaultValue = readGeneralDefault();
    checkBasedDefault();
}

// string-list := text {[","] text} [","]
ZAMOptionParser::Constraints ZAMOptionParser::readStringList() {
    expect(ZAMLexer::TK_STRING, MessageKey::ExpectValue);
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
ZAMOptionParser::Constraints ZAMOptionParser::readItemList(bool real) {
    Constraints constraints{readItem(real)};
    while (lexer_.type() == ZAMLexer::TK_COMMA) {
        lexer_.next();
        constraints.push_back(readItem(real));
    }
    return constraints;
}

// The list after "=" of a based option has the kind of its base. A base of
// another kind has none: whatever follows "=" is left to the rest of the line.
ZAMOptionParser::Constraints ZAMOptionParser::readListOfKind(ZAMValue::ValueType kind) {
    switch (kind) {
        case ZAMValue::VT_INT:
            return readItemList(false);
        case ZAMValue::VT_REAL:
            return readItemList(true);
        case ZAMValue::VT_STRING:
            return readStringList();
        default:
            return Constraints();
    }
}

// item := ("<" | ">" | "<=" | ">=") number | number "to" number | number
ref_count_ptr<ZAMOptionValue> ZAMOptionParser::readItem(bool real) {
    const TokenType bound = lexer_.type();
    switch (bound) {
        case ZAMLexer::TK_LT:
        case ZAMLexer::TK_GT:
        case ZAMLexer::TK_LE:
        case ZAMLexer::TK_GE:
            lexer_.next();
            break;
        default: {
            ref_count_ptr<ZAMValue> first = readNumber(real);
            if (lexer_.type() != ZAMLexer::TK_TO) {
                return new ZAMOptionEnumValue(first);
            }
            lexer_.next();
            ref_count_ptr<ZAMValue> last = readNumber(real);
            if (first >= last) {
                raise(MessageKey::MaxMin);
            }
            return new ZAMOptionRangeValue(new ZAMOptionMinIncValue(first),
                                           new ZAMOptionMaxIncValue(last));
        }
    }
    ref_count_ptr<ZAMValue> value = readNumber(real);
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
ref_count_ptr<ZAMValue> ZAMOptionParser::readNumber(bool real) {
    bool negative = false;
    if (lexer_.type() == ZAMLexer::TK_MINUS) {
        negative = true;
        lexer_.next();
    }
    ref_count_ptr<ZAMValue> value;
    if (real) {
        if (lexer_.type() != ZAMLexer::TK_INTEGER && lexer_.type() != ZAMLexer::TK_REAL) {
            raise(MessageKey::ExpectReal);
        }
        const double number = lexer_.realValue();
        value = ZAMValue::createReal(negative ? -number : number);
    } else {
        expect(ZAMLexer::TK_INTEGER, MessageKey::ExpectInt);
        const int number = lexer_.intValue();
        value = ZAMValue::createInt(negative ? -number : number);
    }
    lexer_.next();
    return value;
}

// general-default := "default" (text | int | real | "true" | "false")
// Null when the line has no default.
ref_count_ptr<ZAMValue> ZAMOptionParser::readGeneralDefault() {
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
            raise(MessageKey::ExpectDefValue);
    }
    lexer_.next();
    return value;
}

// reference := name ":" name
// While rewriting, the reference is held from the module id on and written
// back renamed, or as it was when no rename applies.
ZAMOptionParser::Reference ZAMOptionParser::readReference() {
    Reference reference;
    reference.at = lexer_.mark();
    if (rewriting()) {
        lexer_.holdToken();
    }
    expect(ZAMLexer::TK_IDENTIFIER, MessageKey::ExpectModId);
    reference.moduleId = lexer_.identifierValue();
    lexer_.next();
    expect(ZAMLexer::TK_COLON, MessageKey::ExpectColon);
    lexer_.next();
    expect(ZAMLexer::TK_IDENTIFIER, MessageKey::ExpectOptName);
    reference.optionName = lexer_.identifierValue();
    lexer_.next();
    if (rewriting()) {
        zamcore::finishHeldReference(lexer_, *translater_, reference.moduleId,
                                     reference.optionName);
    }
    return reference;
}

// The option the base reference names; a placeholder when there is none. A
// base whose chain leads back to the option being declared would make that
// option its own base: refused at the reference.
ref_count_ptr<ZAMOption> ZAMOptionParser::findBase(bool external) const {
    const Reference& base = declaration_.base;
    ref_count_ptr<ZAMOption> found =
        ZAMOption::findOption(module_->window(), base.moduleId, base.optionName, external);
    if (found->chainReaches(module_->id(), declaration_.name)) {
        zamcore::raiseSyntaxErrorAt(lexer_, base.at, MessageKey::InvalidBase);
    }
    return found;
}

// An invalid character never advances the lexer: the copy stops there with
// the error a declaration with stray input gets.
void ZAMOptionParser::skipRest() {
    while (lexer_.type() != ZAMLexer::TK_END) {
        if (lexer_.type() == ZAMLexer::TK_INVALID) {
            raise(MessageKey::ExtraInput);
        }
        lexer_.next();
    }
}

// The default of a plain option must be allowed by one of its constraints.
// Checked while rewriting too.
void ZAMOptionParser::checkDefault() const {
    const Constraints& constraints = declaration_.constraints;
    if (constraints.empty()) {
        return;
    }
    for (const ref_count_ptr<ZAMOptionValue>& constraint : constraints) {
        if (constraint->accepts(declaration_.defaultValue)) {
            return;
        }
    }
    raise(MessageKey::InvalidDefault);
}

// The default of a based option must suit its base, not its own list. Not
// checked while rewriting, when no base is looked up.
void ZAMOptionParser::checkBasedDefault() const {
    const Declaration& d = declaration_;
    if (d.found && d.defaultValue && !d.found->validateValue(d.defaultValue)) {
        raise(MessageKey::InvalidDefault);
    }
}

// ---------------------------------------------------------------------------
// Applying: declares the option from declaration_.

// The calls come in the order the model expects: the creating operation, each
// constraint, the default, then description and flags (written even when
// they kept their defaults, so that a line read again resets them). Stray
// tokens are refused only after that, so a new option stays declared.
void ZAMOptionParser::applyDeclaration() {
    const Declaration& d = declaration_;
    option_ = declareInModule();
    option_->values_.reserve(d.constraints.size());
    for (const ref_count_ptr<ZAMOptionValue>& constraint : d.constraints) {
        option_->addValue(constraint);
    }
    if (d.defaultValue) {
        option_->setDefaultValue(d.defaultValue);
    }
    option_->setDescription(d.description);
#if !ZAMCORE_EARLIER_INTERFACE
    option_->setMandatory(d.mandatory);
    option_->setMutuallyExclusive(d.mutuallyExclusive);
#endif
    expect(ZAMLexer::TK_END, MessageKey::ExtraInput);
}

ref_count_ptr<ZAMOption> ZAMOptionParser::declareInModule() const {
    const Declaration& d = declaration_;
    switch (d.typeKeyword) {
        case ZAMLexer::TK_PRESENTS:
            return module_->presentOption(d.name, d.found, d.path);
        case ZAMLexer::TK_IMPLEMENTS:
            return module_->implementOrUseOption(d.name, d.found, d.scope, false);
        case ZAMLexer::TK_USES:
            return module_->implementOrUseOption(d.name, d.found, d.scope, true);
        default:
            return module_->createOption(d.name, d.scope);
    }
}
