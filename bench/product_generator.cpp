#include "product_generator.h"

#include <cstdio>
#include <random>
#include <stdexcept>

namespace zambench {
namespace {

int countStatement(const Statement& statement) {
    int count = 1;
    for (const Branch& branch : statement.branches) {
        count += countStatements(branch.body);
    }
    return count + countStatements(statement.otherwise);
}

}  // namespace

int countStatements(const std::vector<Statement>& statements) {
    int count = 0;
    for (const Statement& statement : statements) {
        count += countStatement(statement);
    }
    return count;
}

namespace {

// Option indices of every module, in declaration order.
enum OptionIndex {
    kWidth,
    kHeight,
    kCount,
    kDepth,
    kSpare,
    kRatio,
    kAngle,
    kMaterial,
    kFinish,
    kLit,
    kSealed,
    kExtras,
    kTotal,
    kArea,
    kLoad,
    kScore,
    kWeight,
    kCost,
    kLabel,
    kTier,
    kOk,
    kWarned,
    kHeavy,
    kSize,
    kColor,
    kSizeA,
    kColorB,
    kSpan,
    kBaseW,
    kBaseLit,
    kOptionCount
};
static_assert(kOptionCount == 30, "every module declares 30 options");

constexpr int kChildren = 3;
constexpr int kStatementsPerModule = 10;
const char* const kGroupNames[kChildren] = {"g0", "g1", "g2"};
const char* const kModuleNodeName = "unit";

const std::vector<std::string> kMaterials = {"steel", "alu", "wood", "carbon"};
const std::vector<std::string> kFinishes = {"matt", "gloss", "satin"};
const std::vector<std::string> kExtraParts = {"rack", "bell", "lamp"};
const std::vector<std::string> kTiers = {"basic", "plus", "pro"};
const std::vector<std::string> kColors = {"red", "blue", "green", "black"};
const std::vector<int> kCounts = {1, 2, 4, 8, 16};
const std::vector<std::string> kWarnings = {
    "Width exceeds the frame", "Check the seal", "Heavy assembly: use two people",
    "Finish not available for this material", "Ratio out of the usual range"};

// Deterministic across standard libraries: only the engine's raw output is
// used, never a distribution.
class Random {
public:
    explicit Random(unsigned seed) : engine_(seed) {}
    int below(int n) { return static_cast<int>(engine_() % static_cast<unsigned>(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }
    template <class T>
    const T& pick(const std::vector<T>& from) {
        return from[static_cast<std::size_t>(below(static_cast<int>(from.size())))];
    }

private:
    std::mt19937 engine_;
};

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string joined(const std::vector<Literal>& values) {
    std::string text;
    for (const Literal& value : values) {
        text += (text.empty() ? "" : ", ") + value.text();
    }
    return text;
}

std::vector<Literal> stringChoices(const std::vector<std::string>& texts) {
    std::vector<Literal> choices;
    for (const std::string& text : texts) {
        choices.push_back(Literal::ofString(text));
    }
    return choices;
}

Allowed range(const Literal& low, const Literal& high) {
    Allowed allowed;
    allowed.form = Allowed::Range;
    allowed.low = low;
    allowed.high = high;
    return allowed;
}

Allowed bound(Allowed::Form form, const Literal& value) {
    Allowed allowed;
    allowed.form = form;
    (form == Allowed::Below ? allowed.high : allowed.low) = value;
    return allowed;
}

Allowed choices(std::vector<Literal> values) {
    Allowed allowed;
    allowed.form = Allowed::Choices;
    allowed.choices = std::move(values);
    return allowed;
}

// The "= ..." part of a declaration; empty for any value.
std::string allowedText(const Allowed& allowed) {
    switch (allowed.form) {
        case Allowed::Range:
            return " = " + allowed.low.text() + " to " + allowed.high.text();
        case Allowed::Choices:
            return " = " + joined(allowed.choices);
        case Allowed::AtLeast:
            return " = >= " + allowed.low.text();
        case Allowed::Below:
            return " = < " + allowed.high.text();
        case Allowed::Above:
            return " = > " + allowed.low.text();
        case Allowed::Any:
            break;
    }
    return "";
}

const char* typeWord(Kind kind) {
    switch (kind) {
        case Kind::Logical:
            return "logical";
        case Kind::Int:
            return "integer";
        case Kind::Real:
            return "real";
        case Kind::String:
            return "string";
    }
    return "";
}

std::string defaultText(const Literal& value) {
    return value.unset ? "" : " default " + value.text();
}

// A declared option; `extra` goes between the type and the allowed values
// (description, mandatory mark, multi-value mark).
OptionSpec declared(const std::string& name, Kind kind, Role role, bool isPublic,
                    const Allowed& allowed, const Literal& defaultValue,
                    const std::string& extra = "") {
    OptionSpec option;
    option.name = name;
    option.kind = kind;
    option.role = role;
    option.isPublic = isPublic;
    option.allowed = allowed;
    option.defaultValue = defaultValue;
    option.declaration = std::string(isPublic ? "public " : "private ") + name + " " +
                         typeWord(kind) + extra + allowedText(allowed) + defaultText(defaultValue);
    return option;
}

// An option based on `base`, declared with `keyword` ("presents",
// "implements", "uses"); `tail` follows the qualified name.
OptionSpec based(const std::string& name, Role role, bool isPublic, const std::string& keyword,
                 const std::string& baseModule, const OptionSpec& base,
                 const std::string& tail = "") {
    OptionSpec option = base;
    option.name = name;
    option.role = role;
    option.isPublic = isPublic;
    option.declaration = std::string(isPublic ? "public " : "private ") + name + " " + keyword +
                         " " + baseModule + ":" + base.name + tail;
    return option;
}

// A real that prints exactly with two decimals and reads back the same.
double quarter(int quarters) {
    return quarters / 4.0;
}

std::unique_ptr<Expr> literal(const Literal& value) {
    auto expr = std::make_unique<Expr>();
    expr->op = Expr::Lit;
    expr->kind = value.kind;
    expr->literal = value;
    return expr;
}

std::unique_ptr<Expr> binary(Expr::Op op, Kind kind, std::unique_ptr<Expr> left,
                             std::unique_ptr<Expr> right) {
    auto expr = std::make_unique<Expr>();
    expr->op = op;
    expr->kind = kind;
    expr->left = std::move(left);
    expr->right = std::move(right);
    return expr;
}

std::unique_ptr<Expr> negation(std::unique_ptr<Expr> operand) {
    auto expr = std::make_unique<Expr>();
    expr->op = Expr::Not;
    expr->kind = Kind::Logical;
    expr->left = std::move(operand);
    return expr;
}

// Builds one product. Modules are numbered breadth first, so module k's
// children are 3k+1 to 3k+3 and every parent comes before its children.
class Generator {
public:
    Generator(int modules, unsigned seed) : random_(seed), moduleCount_(modules) {}

    Product run() {
        for (int k = 0; k < moduleCount_; ++k) {
            product_.modules.push_back(makeModule(k));
        }
        for (int k = 0; k < moduleCount_; ++k) {
            chooseHostValues(k);
        }
        for (int k = 0; k < moduleCount_; ++k) {
            writeRules(k);
        }
        product_.nodes.reserve(static_cast<std::size_t>(moduleCount_) * 10);
        addModuleNodes(0, -1);
        return std::move(product_);
    }

private:
    using ExprPtr = std::unique_ptr<Expr>;

    ModuleSpec makeModule(int k) {
        ModuleSpec module;
        module.id = "unit" + std::to_string(k);
        module.parent = k == 0 ? -1 : (k - 1) / kChildren;
        for (int i = 0; i < kChildren; ++i) {
            const int child = kChildren * k + 1 + i;
            module.children.push_back(child < moduleCount_ ? child : -1);
        }
        declareInputs(module);
        declareComputed(module);
        declareLinks(module, k);
        return module;
    }

    void declareInputs(ModuleSpec& module) {
        auto& o = module.options;
        o.push_back(declared("width", Kind::Int, Role::Input, true,
                             range(Literal::ofInt(100), Literal::ofInt(5000)),
                             Literal::ofInt(random_.between(200, 3000)), " \"Width in mm\""));
        o.push_back(declared("height", Kind::Int, Role::Input, true,
                             range(Literal::ofInt(50), Literal::ofInt(4000)),
                             Literal::ofInt(random_.between(100, 2000))));
        std::vector<Literal> counts;
        for (int count : kCounts) {
            counts.push_back(Literal::ofInt(count));
        }
        o.push_back(declared("count", Kind::Int, Role::Input, true, choices(counts),
                             Literal::ofInt(random_.pick(kCounts))));
        o.push_back(declared("depth", Kind::Int, Role::Input, true,
                             bound(Allowed::AtLeast, Literal::ofInt(0)),
                             Literal::ofInt(random_.between(10, 3000)), " : mandatory"));
        o.push_back(declared("spare", Kind::Int, Role::Input, false,
                             range(Literal::ofInt(0), Literal::ofInt(100)),
                             Literal::none(Kind::Int)));
        o.push_back(declared("ratio", Kind::Real, Role::Input, true,
                             range(Literal::ofReal(0.5), Literal::ofReal(250.0)),
                             Literal::ofReal(quarter(random_.between(2, 400)))));
        o.push_back(declared("angle", Kind::Real, Role::Input, true,
                             bound(Allowed::Below, Literal::ofReal(90.0)),
                             Literal::ofReal(quarter(random_.between(0, 356)))));
        o.push_back(declared("material", Kind::String, Role::Input, true,
                             choices(stringChoices(kMaterials)),
                             Literal::ofString(random_.pick(kMaterials))));
        o.push_back(declared("finish", Kind::String, Role::Input, true,
                             choices(stringChoices(kFinishes)),
                             Literal::ofString(random_.pick(kFinishes)), " \"Surface\""));
        o.push_back(declared("lit", Kind::Logical, Role::Input, true, Allowed(),
                             Literal::ofBool(random_.chance(50))));
        o.push_back(declared("sealed", Kind::Logical, Role::Input, false, Allowed(),
                             Literal::ofBool(random_.chance(50))));
        o.push_back(
            declared("extras", Kind::String, Role::Input, true, choices(stringChoices(kExtraParts)),
                     Literal::ofString(random_.pick(kExtraParts)), " non_mutually_exclusive"));
    }

    void declareComputed(ModuleSpec& module) {
        auto& o = module.options;
        const Literal noInt = Literal::none(Kind::Int);
        o.push_back(declared("total", Kind::Int, Role::Computed, true, Allowed(), noInt));
        o.push_back(declared("area", Kind::Int, Role::Computed, false,
                             range(Literal::ofInt(-2000000000), Literal::ofInt(2000000000)),
                             Literal::ofInt(0)));
        o.push_back(
            declared("load", Kind::Int, Role::Computed, true, Allowed(), Literal::ofInt(0)));
        o.push_back(declared("score", Kind::Int, Role::Computed, false,
                             bound(Allowed::Above, Literal::ofInt(-1000000000)),
                             Literal::ofInt(1)));
        o.push_back(
            declared("weight", Kind::Real, Role::Computed, true, Allowed(), Literal::ofReal(0.0)));
        o.push_back(declared("cost", Kind::Real, Role::Computed, false, Allowed(),
                             Literal::none(Kind::Real)));
        o.push_back(declared("label", Kind::String, Role::Computed, true, Allowed(),
                             Literal::none(Kind::String)));
        o.push_back(declared("tier", Kind::String, Role::Computed, true,
                             choices(stringChoices(kTiers)), Literal::ofString("basic")));
        o.push_back(
            declared("ok", Kind::Logical, Role::Computed, true, Allowed(), Literal::ofBool(false)));
        o.push_back(declared("warned", Kind::Logical, Role::Computed, false, Allowed(),
                             Literal::none(Kind::Logical)));
        o.push_back(declared("heavy", Kind::Logical, Role::Computed, false, Allowed(),
                             Literal::ofBool(false)));
        o.push_back(declared("size", Kind::Int, Role::Settable, true,
                             range(Literal::ofInt(0), Literal::ofInt(5000)), Literal::ofInt(100)));
        o.push_back(declared("color", Kind::String, Role::Settable, true,
                             choices(stringChoices(kColors)), Literal::ofString("black")));
    }

    // The presented, implemented and used options. Where the module instance
    // they would be based on does not exist (no such child; the root has no
    // parent), a declared option with the same values takes the place.
    void declareLinks(ModuleSpec& module, int k) {
        auto& o = module.options;
        const int first = module.children[0];
        const int second = module.children[1];
        if (first >= 0) {
            OptionSpec base = childOption(first, kSize);
            o.push_back(based("size_a", Role::Presented, true, "presents", moduleId(first), base,
                              "[" + std::string(kGroupNames[0]) + "." + kModuleNodeName + "]"));
        } else {
            o.push_back(declared("size_a", Kind::Int, Role::Computed, true,
                                 range(Literal::ofInt(0), Literal::ofInt(5000)),
                                 Literal::ofInt(100)));
        }
        if (second >= 0) {
            OptionSpec base = childOption(second, kColor);
            base.defaultValue = Literal::ofString("red");
            o.push_back(based(
                "color_b", Role::Presented, true, "presents", moduleId(second), base,
                "[" + std::string(kGroupNames[1]) + "." + kModuleNodeName + "] default \"red\""));
        } else {
            o.push_back(declared("color_b", Kind::String, Role::Computed, true,
                                 choices(stringChoices(kColors)), Literal::ofString("red")));
        }
        if (k == 0) {
            const Allowed widths = range(Literal::ofInt(100), Literal::ofInt(5000));
            o.push_back(
                declared("span", Kind::Int, Role::Input, true, widths, Literal::ofInt(1000)));
            o.push_back(
                declared("base_w", Kind::Int, Role::Input, true, widths, Literal::ofInt(1000)));
            o.push_back(declared("base_lit", Kind::Logical, Role::Input, false, Allowed(),
                                 Literal::ofBool(true)));
            return;
        }
        const ModuleSpec& parent = product_.modules[static_cast<std::size_t>(module.parent)];
        const ModuleSpec& root = product_.modules[0];
        o.push_back(
            based("span", Role::Input, true, "implements", parent.id, parent.options[kWidth]));
        o.push_back(based("base_w", Role::Input, true, "uses", root.id, root.options[kWidth]));
        o.push_back(based("base_lit", Role::Input, false, "uses", parent.id, parent.options[kLit]));
    }

    // A child is generated after its parent, but its settable options are
    // the same in every module: declare them on a scratch module.
    OptionSpec childOption(int /*child*/, int index) {
        ModuleSpec scratch;
        declareComputed(scratch);
        return scratch.options[static_cast<std::size_t>(index - kTotal)];
    }

    std::string moduleId(int k) const { return "unit" + std::to_string(k); }

    // Some module instances get the host's values for two or three inputs.
    void chooseHostValues(int k) {
        std::vector<std::pair<int, Literal>> values;
        if (k % 5 == 2) {
            values.emplace_back(kWidth, Literal::ofInt(random_.between(200, 3000)));
            values.emplace_back(kMaterial, Literal::ofString(random_.pick(kMaterials)));
            if (random_.chance(50)) {
                values.emplace_back(kLit, Literal::ofBool(random_.chance(50)));
            }
        }
        hostValues_.push_back(std::move(values));
    }

    // The value an input has in the module instance: the host's, or the
    // default.
    const Literal& effective(int module, int option) const {
        for (const auto& value : hostValues_[static_cast<std::size_t>(module)]) {
            if (value.first == option) {
                return value.second;
            }
        }
        return product_.modules[static_cast<std::size_t>(module)]
            .options[static_cast<std::size_t>(option)]
            .defaultValue;
    }

    // ---- expressions -------------------------------------------------------

    ExprPtr read(int module, int option) {
        auto expr = std::make_unique<Expr>();
        expr->op = Expr::Read;
        expr->ref = OptionRef{module, option};
        expr->kind = product_.option(expr->ref).kind;
        return expr;
    }

    // Integer options whose values stay within 0 to 5000, so that sums and
    // products of two of them stay far from the int range.
    ExprPtr smallInt(int k) {
        static const int sources[] = {kWidth, kHeight, kCount, kDepth, kSpare,
                                      kSize,  kSizeA,  kSpan,  kBaseW};
        return read(k, sources[random_.below(9)]);
    }

    ExprPtr intValue(int k) {
        switch (random_.below(8)) {
            case 0:
                return literal(Literal::ofInt(random_.between(1, 1000)));
            case 1:
                return smallInt(k);
            case 2:
                return binary(Expr::Add, Kind::Int, smallInt(k), smallInt(k));
            case 3:
                return binary(Expr::Sub, Kind::Int, smallInt(k), smallInt(k));
            case 4:
                return binary(Expr::Mul, Kind::Int, smallInt(k),
                              literal(Literal::ofInt(random_.between(2, 4))));
            case 5:
                return binary(Expr::Add, Kind::Int,
                              binary(Expr::Mul, Kind::Int, smallInt(k),
                                     literal(Literal::ofInt(random_.between(2, 4)))),
                              smallInt(k));
            case 6:
                return binary(Expr::Mul, Kind::Int,
                              binary(Expr::Add, Kind::Int, smallInt(k), smallInt(k)),
                              literal(Literal::ofInt(random_.between(2, 4))));
            default:
                return binary(Expr::Mul, Kind::Int, read(k, kWidth), read(k, kHeight));
        }
    }

    // A value for an option allowing 0 to 5000.
    ExprPtr boundedInt(int k) {
        switch (random_.below(4)) {
            case 0:
                return literal(Literal::ofInt(random_.between(0, 5000)));
            case 1:
                return read(k, random_.chance(50) ? kWidth : kHeight);
            case 2:
                return binary(Expr::Mul, Kind::Int, read(k, kCount), literal(Literal::ofInt(250)));
            default:
                return binary(Expr::Mul, Kind::Int, read(k, kSpare), literal(Literal::ofInt(10)));
        }
    }

    ExprPtr realValue(int k) {
        auto factor = [this] { return literal(Literal::ofReal(quarter(random_.between(2, 16)))); };
        switch (random_.below(5)) {
            case 0:
                return binary(Expr::Mul, Kind::Real, read(k, kRatio), factor());
            case 1:
                return binary(Expr::Div, Kind::Real, smallInt(k), literal(Literal::ofReal(10.0)));
            case 2:
                return binary(
                    Expr::Add, Kind::Real, read(k, kRatio),
                    binary(Expr::Mul, Kind::Real, read(k, kAngle), literal(Literal::ofReal(0.5))));
            case 3:
                return binary(Expr::Mul, Kind::Real,
                              binary(Expr::Add, Kind::Int, read(k, kWidth), read(k, kHeight)),
                              literal(Literal::ofReal(0.001)));
            default:
                return binary(Expr::Mul, Kind::Real, smallInt(k), read(k, kRatio));
        }
    }

    ExprPtr stringValue(int k, const OptionSpec& target) {
        if (target.allowed.form == Allowed::Choices) {
            return literal(random_.pick(target.allowed.choices));
        }
        switch (random_.below(3)) {
            case 0:
                return literal(Literal::ofString("std"));
            case 1:
                return read(k, random_.chance(50) ? kMaterial : kLabel);
            default:
                return binary(Expr::Add, Kind::String,
                              binary(Expr::Add, Kind::String, read(k, kMaterial),
                                     literal(Literal::ofString("-"))),
                              read(k, kFinish));
        }
    }

    ExprPtr valueFor(int k, const OptionRef& target) {
        const OptionSpec& option = product_.option(target);
        switch (option.kind) {
            case Kind::Logical: {
                // A value is a sum, never a comparison: a literal or a read.
                static const int logicals[] = {kLit, kSealed, kBaseLit, kOk, kHeavy};
                return random_.chance(50) ? literal(Literal::ofBool(random_.chance(50)))
                                          : read(k, logicals[random_.below(5)]);
            }
            case Kind::Int:
                return option.allowed.form == Allowed::Range && option.allowed.high.i <= 5000
                           ? boundedInt(k)
                           : intValue(k);
            case Kind::Real:
                return realValue(k);
            case Kind::String:
                return stringValue(k, option);
        }
        return nullptr;
    }

    // An option of this module or a public one of a child instance.
    OptionRef visibleOption(int k) {
        const ModuleSpec& module = product_.modules[static_cast<std::size_t>(k)];
        const int child = module.children[static_cast<std::size_t>(random_.below(kChildren))];
        if (child >= 0 && random_.chance(15)) {
            static const int shared[] = {kWidth, kTotal, kLoad, kTier, kOk, kSize, kColor, kLit};
            return OptionRef{child, shared[random_.below(8)]};
        }
        return OptionRef{k, random_.below(kOptionCount)};
    }

    ExprPtr intThreshold(const OptionSpec& option) {
        if (option.allowed.form == Allowed::Choices) {
            return literal(random_.pick(option.allowed.choices));
        }
        return literal(Literal::ofInt(random_.between(0, 3000)));
    }

    // A comparison, or the read of a logical option.
    ExprPtr comparison(int k) {
        const OptionRef ref = visibleOption(k);
        const OptionSpec& option = product_.option(ref);
        static const Expr::Op orderings[] = {Expr::Lt, Expr::Gt, Expr::Le, Expr::Ge};
        switch (option.kind) {
            case Kind::Logical:
                if (random_.chance(60)) {
                    return read(ref.module, ref.option);
                }
                return binary(random_.chance(50) ? Expr::Eq : Expr::Ne, Kind::Logical,
                              read(ref.module, ref.option),
                              literal(Literal::ofBool(random_.chance(50))));
            case Kind::Int: {
                static const Expr::Op all[] = {Expr::Lt, Expr::Gt, Expr::Le,
                                               Expr::Ge, Expr::Eq, Expr::Ne};
                ExprPtr left = read(ref.module, ref.option);
                if (ref.module == k && random_.chance(20)) {
                    left = binary(Expr::Add, Kind::Int, std::move(left), smallInt(k));
                }
                ExprPtr right = random_.chance(20) ? smallInt(k) : intThreshold(option);
                return binary(all[random_.below(6)], Kind::Logical, std::move(left),
                              std::move(right));
            }
            case Kind::Real:
                return binary(orderings[random_.below(4)], Kind::Logical,
                              read(ref.module, ref.option),
                              literal(Literal::ofReal(quarter(random_.between(0, 400)))));
            case Kind::String: {
                const Literal value = option.allowed.form == Allowed::Choices
                                          ? random_.pick(option.allowed.choices)
                                          : Literal::ofString("std");
                return binary(random_.chance(70) ? Expr::Eq : Expr::Ne, Kind::Logical,
                              read(ref.module, ref.option), literal(value));
            }
        }
        return nullptr;
    }

    // A logical expression of up to `depth` levels of "and", "or" and "not".
    ExprPtr condition(int k, int depth) {
        const int shape = depth > 0 ? random_.below(10) : 0;
        if (shape >= 7) {
            return binary(shape == 9 ? Expr::Or : Expr::And, Kind::Logical, condition(k, depth - 1),
                          condition(k, depth - 1));
        }
        if (shape == 6) {
            return negation(comparison(k));
        }
        return comparison(k);
    }

    // A condition that holds in module instance `m`: it reads only inputs,
    // whose values are the host's or the defaults.
    ExprPtr holds(int m) {
        switch (random_.below(5)) {
            case 0: {
                const int width = effective(m, kWidth).i;
                return binary(Expr::Ge, Kind::Logical, read(m, kWidth),
                              literal(Literal::ofInt(width - random_.between(0, 50))));
            }
            case 1:
                return binary(Expr::Eq, Kind::Logical, read(m, kMaterial),
                              literal(effective(m, kMaterial)));
            case 2:
                return effective(m, kLit).b ? read(m, kLit) : negation(read(m, kLit));
            case 3: {
                const double ratio = effective(m, kRatio).r;
                return binary(Expr::Gt, Kind::Logical, read(m, kRatio),
                              literal(Literal::ofReal(ratio - 0.25)));
            }
            default:
                return binary(
                    Expr::Or, Kind::Logical,
                    binary(Expr::Le, Kind::Logical, read(m, kCount), literal(effective(m, kCount))),
                    comparison(m));
        }
    }

    // ---- statements --------------------------------------------------------

    void writeRules(int k) {
        ModuleSpec& module = product_.modules[static_cast<std::size_t>(k)];
        module.rules = statements(k, kStatementsPerModule, 0);
        product_.statements += countStatements(module.rules);
    }

    std::vector<Statement> statements(int k, int budget, int depth) {
        std::vector<Statement> list;
        while (budget > 0) {
            if (depth < 2 && budget >= 3 && random_.chance(depth == 0 ? 45 : 25)) {
                list.push_back(conditional(k, std::min(budget, 2 + random_.below(6)), depth));
            } else if (depth > 0 && random_.chance(20)) {
                list.push_back(message(k));
            } else {
                list.push_back(assignment(k));
            }
            budget -= countStatement(list.back());
        }
        return list;
    }

    Statement conditional(int k, int budget, int depth) {
        Statement statement;
        statement.type = Statement::If;
        int left = budget - 1;
        const int branches = std::min(left, 1 + random_.below(3));
        statement.hasElse = left > branches && random_.chance(50);
        const int bodies = branches + (statement.hasElse ? 1 : 0);
        for (int i = 0; i < bodies; ++i) {
            const int share = i + 1 == bodies ? left : std::max(1, left / (bodies - i));
            left -= share;
            std::vector<Statement> body = statements(k, share, depth + 1);
            if (i < branches) {
                statement.branches.push_back(Branch{condition(k, 2), std::move(body)});
            } else {
                statement.otherwise = std::move(body);
            }
        }
        return statement;
    }

    Statement message(int k) {
        Statement statement;
        statement.type = Statement::Message;
        statement.severity = random_.below(3);
        statement.value = random_.chance(60) ? literal(Literal::ofString(random_.pick(kWarnings)))
                                             : read(k, random_.chance(50) ? kLabel : kMaterial);
        return statement;
    }

    // "set" or "fix" of a computed option; "set" of a presented option or of
    // a child instance's settable option.
    Statement assignment(int k) {
        static const int computed[] = {kTotal, kArea, kLoad, kScore,  kWeight, kCost,
                                       kLabel, kTier, kOk,   kWarned, kHeavy};
        const ModuleSpec& module = product_.modules[static_cast<std::size_t>(k)];
        Statement statement;
        statement.type = Statement::Set;
        const int child = module.children[static_cast<std::size_t>(random_.below(kChildren))];
        const int pick = random_.below(100);
        if (pick < 12) {
            statement.target = OptionRef{k, random_.chance(50) ? kSizeA : kColorB};
        } else if (pick < 20 && child >= 0) {
            statement.target = OptionRef{child, random_.chance(50) ? kSize : kColor};
        } else {
            statement.target = OptionRef{k, computed[random_.below(11)]};
            if (random_.chance(20)) {
                statement.type = Statement::Fix;
            }
        }
        statement.value = valueFor(k, statement.target);
        return statement;
    }

    // ---- structure -----------------------------------------------------------

    int addNode(int parent, const std::string& name, int module, int context) {
        NodeSpec node;
        node.parent = parent;
        node.name = name;
        node.module = module;
        node.contextModule = context;
        product_.nodes.push_back(std::move(node));
        return static_cast<int>(product_.nodes.size()) - 1;
    }

    void setCondition(int node, ExprPtr condition) {
        NodeSpec& spec = product_.nodes[static_cast<std::size_t>(node)];
        spec.condition = std::move(condition);
    }

    // The module node, its three groups with two parts each, and below each
    // group the child module's nodes; iterative, as deep products would
    // otherwise recurse once per level.
    void addModuleNodes(int rootModule, int rootParent) {
        std::vector<std::pair<int, int>> pending{{rootModule, rootParent}};
        while (!pending.empty()) {
            const auto [k, parent] = pending.back();
            pending.pop_back();
            const ModuleSpec& module = product_.modules[static_cast<std::size_t>(k)];
            const int unit = addNode(parent, parent < 0 ? "product" : kModuleNodeName, k,
                                     module.parent < 0 ? k : module.parent);
            if (module.parent >= 0 && random_.chance(50)) {
                setCondition(unit, holds(module.parent));
            }
            product_.nodes[static_cast<std::size_t>(unit)].hostValues =
                hostValues_[static_cast<std::size_t>(k)];
            std::vector<std::pair<int, int>> below;
            for (int g = 0; g < kChildren; ++g) {
                const int group = addNode(unit, kGroupNames[g], -1, k);
                if (random_.chance(33)) {
                    setCondition(group, holds(k));
                }
                for (int p = 0; p < 2; ++p) {
                    const int part = addNode(group, "p" + std::to_string(p), -1, k);
                    if (random_.chance(70)) {
                        setCondition(part, condition(k, 2));
                    }
                }
                const int child = module.children[static_cast<std::size_t>(g)];
                if (child >= 0) {
                    below.emplace_back(child, group);
                }
            }
            // Taken from the back: the first group's child comes next.
            pending.insert(pending.end(), below.rbegin(), below.rend());
        }
    }

    Random random_;
    int moduleCount_;
    Product product_;
    std::vector<std::vector<std::pair<int, Literal>>> hostValues_;
};

// ---- rule text ---------------------------------------------------------------

int precedence(const Expr& expr) {
    switch (expr.op) {
        case Expr::Add:
        case Expr::Sub:
            return 1;
        case Expr::Mul:
        case Expr::Div:
            return 2;
        default:
            return 3;
    }
}

const char* operatorText(Expr::Op op) {
    switch (op) {
        case Expr::Add:
            return "+";
        case Expr::Sub:
            return "-";
        case Expr::Mul:
            return "*";
        case Expr::Div:
            return "/";
        case Expr::Eq:
            return "=";
        case Expr::Ne:
            return "!=";
        case Expr::Lt:
            return "<";
        case Expr::Gt:
            return ">";
        case Expr::Le:
            return "<=";
        case Expr::Ge:
            return ">=";
        case Expr::And:
            return "and";
        case Expr::Or:
            return "or";
        default:
            return "";
    }
}

bool isLogicalOperator(const Expr& expr) {
    return expr.op == Expr::And || expr.op == Expr::Or || expr.op == Expr::Not;
}

// Writes expressions as rule text. Brackets and spaces go where the grammar
// needs them: a keyword always has white space after it ("false )"), and a
// comparison never starts with "(", which at the level of a condition opens
// a bracketed condition.
class RuleWriter {
public:
    explicit RuleWriter(const Product& product) : product_(product) {}

    std::string expression(const Expr& expr) const {
        switch (expr.op) {
            case Expr::Lit:
                return expr.literal.text();
            case Expr::Read:
                return product_.reference(expr.ref);
            case Expr::Add:
            case Expr::Sub:
            case Expr::Mul:
            case Expr::Div:
                return operand(*expr.left, precedence(expr), false) + " " + operatorText(expr.op) +
                       " " + operand(*expr.right, precedence(expr), true);
            case Expr::And:
            case Expr::Or:
                return logicalOperand(*expr.left) + " " + operatorText(expr.op) + " " +
                       logicalOperand(*expr.right);
            case Expr::Not:
                return "not " + logicalOperand(*expr.left);
            default: {
                const std::string left = expression(*expr.left);
                if (left.front() == '(') {
                    throw std::logic_error("a comparison may not start with a bracket");
                }
                return left + " " + operatorText(expr.op) + " " + expression(*expr.right);
            }
        }
    }

    void statements(const std::vector<Statement>& list, int indent, std::string& out) const {
        for (const Statement& statement : list) {
            this->statement(statement, indent, out);
        }
    }

private:
    std::string operand(const Expr& expr, int outer, bool right) const {
        const int inner = precedence(expr);
        const bool bracket = inner < outer || (right && inner == outer && inner < 3);
        return bracket ? "( " + expression(expr) + " )" : expression(expr);
    }

    std::string logicalOperand(const Expr& expr) const {
        return isLogicalOperator(expr) ? "( " + expression(expr) + " )" : expression(expr);
    }

    void statement(const Statement& statement, int indent, std::string& out) const {
        const std::string pad(static_cast<std::size_t>(indent) * 4, ' ');
        static const char* const severities[] = {"inform", "warn", "error"};
        switch (statement.type) {
            case Statement::Set:
            case Statement::Fix:
                out += pad + (statement.type == Statement::Fix ? "fix " : "set ") +
                       product_.reference(statement.target) + " to " +
                       expression(*statement.value) + "\n";
                break;
            case Statement::Message:
                out += pad + severities[statement.severity] + " " + expression(*statement.value) +
                       "\n";
                break;
            case Statement::If:
                for (std::size_t i = 0; i < statement.branches.size(); ++i) {
                    out += pad + (i == 0 ? "if " : "elif ") +
                           expression(*statement.branches[i].condition) + " then\n";
                    statements(statement.branches[i].body, indent + 1, out);
                }
                if (statement.hasElse) {
                    out += pad + "else\n";
                    statements(statement.otherwise, indent + 1, out);
                }
                out += pad + "endif\n";
                break;
        }
    }

    const Product& product_;
};

}  // namespace

Literal Literal::none(Kind kind) {
    Literal value;
    value.kind = kind;
    return value;
}

Literal Literal::ofInt(int value) {
    Literal literal = none(Kind::Int);
    literal.unset = false;
    literal.i = value;
    return literal;
}

Literal Literal::ofReal(double value) {
    Literal literal = none(Kind::Real);
    literal.unset = false;
    literal.r = value;
    return literal;
}

Literal Literal::ofString(const std::string& value) {
    Literal literal = none(Kind::String);
    literal.unset = false;
    literal.s = value;
    return literal;
}

Literal Literal::ofBool(bool value) {
    Literal literal = none(Kind::Logical);
    literal.unset = false;
    literal.b = value;
    return literal;
}

std::string Literal::text() const {
    if (unset) {
        return "";
    }
    switch (kind) {
        case Kind::Logical:
            return b ? "true" : "false";
        case Kind::Int:
            return std::to_string(i);
        case Kind::Real: {
            // The shortest of three decimals that keeps one: 2.0, 12.25.
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "%.3f", r);
            std::string text = buffer;
            while (text.back() == '0' && text[text.size() - 2] != '.') {
                text.pop_back();
            }
            return text;
        }
        case Kind::String:
            return quoted(s);
    }
    return "";
}

bool Literal::operator==(const Literal& other) const {
    if (unset || other.unset) {
        return unset == other.unset;
    }
    return kind == other.kind && i == other.i && r == other.r && s == other.s && b == other.b;
}

bool Allowed::accepts(const Literal& value) const {
    if (value.unset) {
        return true;
    }
    auto number = [](const Literal& v) { return v.kind == Kind::Real ? v.r : double(v.i); };
    switch (form) {
        case Any:
            return true;
        case Range:
            return number(value) >= number(low) && number(value) <= number(high);
        case AtLeast:
            return number(value) >= number(low);
        case Below:
            return number(value) < number(high);
        case Above:
            return number(value) > number(low);
        case Choices:
            for (const Literal& choice : choices) {
                if (choice.text() == value.text()) {
                    return true;
                }
            }
            return false;
    }
    return false;
}

std::string ModuleSpec::sourceText() const {
    std::string text = "module " + id + "\ninterface start\n";
    for (const OptionSpec& option : options) {
        text += option.declaration + "\n";
    }
    return text + "interface end\n" + rulesText;
}

int ModuleSpec::optionIndex(const std::string& name) const {
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (options[i].name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string Product::reference(const OptionRef& ref) const {
    return modules[static_cast<std::size_t>(ref.module)].id + ":" + option(ref).name;
}

namespace {

void collect(const Expr& expr, std::vector<OptionRef>& refs) {
    if (expr.op == Expr::Read) {
        for (const OptionRef& seen : refs) {
            if (seen.module == expr.ref.module && seen.option == expr.ref.option) {
                return;
            }
        }
        refs.push_back(expr.ref);
    }
    if (expr.left) {
        collect(*expr.left, refs);
    }
    if (expr.right) {
        collect(*expr.right, refs);
    }
}

void collect(const std::vector<Statement>& statements, std::vector<OptionRef>& refs) {
    for (const Statement& statement : statements) {
        if (statement.type == Statement::Set || statement.type == Statement::Fix) {
            Expr target;
            target.op = Expr::Read;
            target.ref = statement.target;
            collect(target, refs);
        }
        if (statement.value) {
            collect(*statement.value, refs);
        }
        for (const Branch& branch : statement.branches) {
            collect(*branch.condition, refs);
            collect(branch.body, refs);
        }
        collect(statement.otherwise, refs);
    }
}

}  // namespace

Product generateProduct(int modules, unsigned seed) {
    Product product = Generator(modules, seed).run();
    const RuleWriter writer(product);
    for (ModuleSpec& module : product.modules) {
        module.rulesText = "# rules of " + module.id + "\n";
        writer.statements(module.rules, 0, module.rulesText);
    }
    std::vector<std::vector<OptionRef>> reads(product.modules.size());
    for (std::size_t m = 0; m < product.modules.size(); ++m) {
        collect(product.modules[m].rules, reads[m]);
    }
    for (NodeSpec& node : product.nodes) {
        if (node.condition) {
            node.loadIf = writer.expression(*node.condition);
            collect(*node.condition, reads[static_cast<std::size_t>(node.contextModule)]);
        }
    }
    for (std::size_t m = 0; m < product.modules.size(); ++m) {
        ModuleSpec& module = product.modules[m];
        for (std::size_t i = 0; i < module.options.size(); ++i) {
            module.scope.push_back(OptionRef{static_cast<int>(m), static_cast<int>(i)});
        }
        for (const OptionRef& ref : reads[m]) {
            if (ref.module != static_cast<int>(m)) {
                module.scope.push_back(ref);
            }
        }
    }
    return product;
}

std::vector<std::vector<int>> conditionsByModule(const Product& product) {
    std::vector<std::vector<int>> byModule(product.modules.size());
    for (std::size_t n = 0; n < product.nodes.size(); ++n) {
        const NodeSpec& node = product.nodes[n];
        if (node.condition) {
            byModule[static_cast<std::size_t>(node.contextModule)].push_back(static_cast<int>(n));
        }
    }
    return byModule;
}

}  // namespace zambench
