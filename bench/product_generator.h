#ifndef ZAMCORE_BENCH_PRODUCT_GENERATOR_H
#define ZAMCORE_BENCH_PRODUCT_GENERATOR_H

#include <memory>
#include <string>
#include <utility>
#include <vector>

// A synthetic but realistic product for the benchmarks: modules with typed
// options and rule texts, and a structure of nodes with load-if conditions,
// deterministic from a seed.
//
// The rules and conditions are kept as small trees as well as texts, so that
// the same logic can be written in another language and the results
// compared. Everything generated is valid for the engine: values stay inside
// the options' allowed values, arithmetic stays far from the int range,
// divisions are by non-zero literals, every condition is logical or unset,
// and every reference is visible where it is written (own options, and the
// public options of the module instances directly below).
//
// Per module: 30 options (inputs the rules only read, computed options the
// rules write, two options the parent module's rules write, two presented
// options addressing child instances by path, one implemented and two used
// option), 10 rule statements, and 10 nodes: the module node, three groups
// and two parts in each group. The module instances form a tree in which
// each module has up to three children, one in each group.
namespace zambench {

enum class Kind { Logical, Int, Real, String };

// A value as the generator knows it: of a kind, or no value (unset).
struct Literal {
    Kind kind = Kind::Int;
    bool unset = true;
    int i = 0;
    double r = 0;
    std::string s;
    bool b = false;

    static Literal none(Kind kind);
    static Literal ofInt(int value);
    static Literal ofReal(double value);
    static Literal ofString(const std::string& value);
    static Literal ofBool(bool value);

    // As the rule language writes it ("12", "2.5", "\"alu\"", "true"); the
    // empty string for no value.
    std::string text() const;

    // Both unset, or of one kind with one value.
    bool operator==(const Literal& other) const;
    bool operator!=(const Literal& other) const { return !(*this == other); }
};

// The values an option allows: one form, as its declaration writes it.
struct Allowed {
    enum Form { Any, Range, Choices, AtLeast, Below, Above };
    Form form = Any;
    Literal low;   // Range, AtLeast, Above
    Literal high;  // Range, Below
    std::vector<Literal> choices;

    bool accepts(const Literal& value) const;
};

// How the rules treat an option.
enum class Role {
    Input,     // read only; its value is the default or the host's value
    Computed,  // written by the module's own rules
    Settable,  // public; written by the parent module's rules
    Presented  // written by the module's rules, reaching a child instance
};

struct OptionSpec {
    std::string name;
    Kind kind = Kind::Int;
    Role role = Role::Input;
    bool isPublic = true;
    Allowed allowed;       // its own or its base's
    Literal defaultValue;  // its own or its base's; may be unset
    std::string declaration;
};

struct OptionRef {
    int module = 0;
    int option = 0;
};

struct Expr {
    enum Op { Lit, Read, Add, Sub, Mul, Div, Eq, Ne, Lt, Gt, Le, Ge, And, Or, Not };
    Op op = Lit;
    Kind kind = Kind::Int;  // of the result
    Literal literal;
    OptionRef ref;
    std::unique_ptr<Expr> left;
    std::unique_ptr<Expr> right;  // null for Not
};

struct Statement;

struct Branch {
    std::unique_ptr<Expr> condition;
    std::vector<Statement> body;
};

struct Statement {
    enum Type { Set, Fix, If, Message };
    Type type = Set;
    OptionRef target;              // Set, Fix
    std::unique_ptr<Expr> value;   // Set, Fix; the text of a Message
    int severity = 0;              // Message
    std::vector<Branch> branches;  // If: the "if" and each "elif"
    bool hasElse = false;
    std::vector<Statement> otherwise;
};

struct ModuleSpec {
    std::string id;
    int parent = -1;
    std::vector<int> children;  // child i sits in group i; -1 when none
    std::vector<OptionSpec> options;
    std::vector<Statement> rules;
    std::string rulesText;
    // The options its rules and the conditions over its options read: its
    // own, then those of child instances.
    std::vector<OptionRef> scope;

    // "module <id>", the interface block and the rule text.
    std::string sourceText() const;
    // Index of the option called `name`; -1 when there is none.
    int optionIndex(const std::string& name) const;
};

struct NodeSpec {
    int parent = -1;  // -1 for the root
    std::string name;
    int module = -1;        // the module the node stands for, or -1
    int contextModule = 0;  // the module whose options the condition reads
    std::string loadIf;     // empty for none
    std::unique_ptr<Expr> condition;
    // Values the host gives a module node, as (option index, value).
    std::vector<std::pair<int, Literal>> hostValues;
};

struct Product {
    std::vector<ModuleSpec> modules;
    std::vector<NodeSpec> nodes;  // parents before children; nodes[0] is the root
    int statements = 0;           // rule statements over all modules

    const OptionSpec& option(const OptionRef& ref) const {
        return modules[ref.module].options[ref.option];
    }
    // The text that names `ref` in rules: "<module id>:<option name>".
    std::string reference(const OptionRef& ref) const;
};

// A product of `modules` modules and ten times as many nodes. Scale 1 is
// 1,000 modules.
Product generateProduct(int modules, unsigned seed);

// The statements of a list as the rule benchmarks count them: every "set",
// "fix" and message, and every "if" (its "elif"s included) once.
int countStatements(const std::vector<Statement>& statements);

// For each module, the nodes whose load-if conditions read its options, in
// node order.
std::vector<std::vector<int>> conditionsByModule(const Product& product);

}  // namespace zambench

#endif
