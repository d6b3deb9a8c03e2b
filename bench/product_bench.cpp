// Benchmarks over a generated product at several scales (scale 1: 1,000
// modules, 10,000 nodes, 10,000 rule statements), with the same rules and
// conditions in Lua 5.4 timed alongside. All cases of one scale run before
// the next scale is built, so only one product is in memory at a time.
//
// Besides Google Benchmark's flags, the binary takes --scales=1,10,100 (the
// default); CI passes --scales=1.

#include <benchmark/benchmark.h>
#include <zamcore/zamcore.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "lua_product.h"
#include "product_host.h"

namespace {

using namespace zambench;

constexpr unsigned kSeed = 18;
constexpr int kModulesPerScale = 1000;

bool isBasedDeclaration(const std::string& line) {
    return line.find(" presents ") != std::string::npos ||
           line.find(" implements ") != std::string::npos ||
           line.find(" uses ") != std::string::npos;
}

// What the cases running rules, conditions and evaluations share: the
// product loaded in a window with its structure, and each module's rules
// with the set they run on and the set they leave.
struct LoadedProduct {
    LoadedProduct(const Product& product, ProductAdapter& adapter) : window(ZAM::createWindow()) {
        loadModules(window, product);
        structure = std::make_unique<Structure>(window, product);
        for (int m = 0; m < static_cast<int>(product.modules.size()); ++m) {
            ref_count_ptr<ZAMModule> module =
                window->getModule(product.modules[static_cast<std::size_t>(m)].id);
            rules.push_back(module->getRkl());
            defaults.push_back(defaultsFor(window, product, m));
            ZAMSelOptionSet after(defaults.back());
            rules.back()->execute(after);
            ruled.push_back(after);
            options.push_back(module->options());
        }
        const std::vector<std::vector<int>> byModule = conditionsByModule(product);
        for (std::size_t m = 0; m < byModule.size(); ++m) {
            for (int n : byModule[m]) {
                conditions.push_back(structure->nodes()[static_cast<std::size_t>(n)]->getLoadIf());
                conditionModules.push_back(static_cast<int>(m));
            }
        }
        adapter.messages = 0;
    }

    ref_count_ptr<ZAMWindow> window;
    std::unique_ptr<Structure> structure;
    std::vector<ref_count_ptr<ZAMExpRoot>> rules;
    std::vector<ZAMSelOptionSet> defaults;  // per module: the defaults its rules run on
    std::vector<ZAMSelOptionSet> ruled;     // per module: what its rules leave
    std::vector<std::vector<ref_count_ptr<ZAMOption>>> options;
    std::vector<ref_count_ptr<ZAMConditionExp>> conditions;
    std::vector<int> conditionModules;  // of each condition, the module whose set it reads
};

// Everything the cases of one scale share: the product and its texts; the
// loaded product and the Lua side are built when a case first needs them,
// so that the cases that only read texts run on the largest products too.
struct ProductFixture {
    explicit ProductFixture(int scale)
        : scale(scale),
          product(generateProduct(kModulesPerScale * scale, kSeed)),
          adapter(product) {
        for (int m = 0; m < static_cast<int>(product.modules.size()); ++m) {
            const ModuleSpec& spec = product.modules[static_cast<std::size_t>(m)];
            ruleBytes += spec.rulesText.size();
            sourceBytes += adapter.sourceText(m).size();
            for (const OptionSpec& option : spec.options) {
                (isBasedDeclaration(option.declaration) ? basedLines : declaredLines)
                    .emplace_back(m, option.declaration);
            }
        }
    }

    LoadedProduct& loaded() {
        if (!loadedProduct) {
            loadedProduct = std::make_unique<LoadedProduct>(product, adapter);
        }
        return *loadedProduct;
    }

    LuaProduct& lua() {
        if (!luaProduct) {
            luaProduct = std::make_unique<LuaProduct>(product);
        }
        return *luaProduct;
    }

    int scale;
    Product product;
    ProductAdapter adapter;
    std::vector<std::pair<int, std::string>> declaredLines;
    std::vector<std::pair<int, std::string>> basedLines;
    std::size_t ruleBytes = 0;
    std::size_t sourceBytes = 0;
    std::unique_ptr<LoadedProduct> loadedProduct;
    std::unique_ptr<LuaProduct> luaProduct;
};

ProductFixture& fixture(int scale) {
    static std::unique_ptr<ProductFixture> current;
    if (!current || current->scale != scale) {
        current.reset();
        current = std::make_unique<ProductFixture>(scale);
    }
    // Loading asks the installed adapter for modules.
    ZAM::initialize(&current->adapter);
    return *current;
}

std::int64_t count(std::size_t n) {
    return static_cast<std::int64_t>(n);
}

// ---- reading texts -------------------------------------------------------

void lexSources(benchmark::State& state, ProductFixture& fx) {
    std::int64_t tokens = 0;
    for (auto _ : state) {
        for (int m = 0; m < static_cast<int>(fx.product.modules.size()); ++m) {
            ZAMLexer lexer(fx.adapter.sourceText(m));
            for (; lexer.type() != ZAMLexer::TK_END; lexer.next()) {
                if (lexer.type() == ZAMLexer::TK_INVALID) {
                    state.SkipWithError("a generated text holds an invalid character");
                    return;
                }
                ++tokens;
            }
        }
    }
    state.SetBytesProcessed(state.iterations() * count(fx.sourceBytes));
    state.counters["tokens"] =
        benchmark::Counter(static_cast<double>(tokens), benchmark::Counter::kIsRate);
}

void parseDeclarations(benchmark::State& state, ProductFixture& fx) {
    for (auto _ : state) {
        state.PauseTiming();
        ref_count_ptr<ZAMWindow> window = ZAM::createWindow();
        std::vector<ref_count_ptr<ZAMModule>> modules;
        for (const ModuleSpec& spec : fx.product.modules) {
            modules.push_back(window->createModule(spec.id));
        }
        state.ResumeTiming();
        // Bases first: a presented, implemented or used option needs its base.
        for (const auto& line : fx.declaredLines) {
            modules[static_cast<std::size_t>(line.first)]->addOptionString(line.second);
        }
        for (const auto& line : fx.basedLines) {
            modules[static_cast<std::size_t>(line.first)]->addOptionString(line.second);
        }
        state.PauseTiming();
        modules.clear();
        window = ref_count_ptr<ZAMWindow>();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() *
                            count(fx.declaredLines.size() + fx.basedLines.size()));
}

void parseRules(benchmark::State& state, ProductFixture& fx) {
    ref_count_ptr<ZAMWindow> scratchWindow = ZAM::createWindow();
    ref_count_ptr<ZAMModule> scratch = scratchWindow->createModule("scratch");
    for (auto _ : state) {
        for (const ModuleSpec& spec : fx.product.modules) {
            scratch->setRkl(spec.rulesText);
        }
    }
    state.SetBytesProcessed(state.iterations() * count(fx.ruleBytes));
    state.SetItemsProcessed(state.iterations() * fx.product.statements);
}

void luaLoadRules(benchmark::State& state, ProductFixture& fx) {
    LuaProduct& lua = fx.lua();
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = lua.compileRules();
    }
    state.SetBytesProcessed(state.iterations() * count(bytes));
    state.SetItemsProcessed(state.iterations() * fx.product.statements);
}

void loadModuleTexts(benchmark::State& state, ProductFixture& fx) {
    for (auto _ : state) {
        state.PauseTiming();
        ref_count_ptr<ZAMWindow> window = ZAM::createWindow();
        state.ResumeTiming();
        loadModules(window, fx.product);
        state.PauseTiming();
        window = ref_count_ptr<ZAMWindow>();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count(fx.product.modules.size()));
    state.SetBytesProcessed(state.iterations() * count(fx.sourceBytes));
}

// ---- running rules and conditions ------------------------------------------

// Each module's rules on a copy of the defaults they run on, as a node's
// evaluation gives them a copy.
void executeRules(benchmark::State& state, ProductFixture& fx) {
    LoadedProduct& lp = fx.loaded();
    for (auto _ : state) {
        for (std::size_t m = 0; m < lp.rules.size(); ++m) {
            ZAMSelOptionSet set(lp.defaults[m]);
            lp.rules[m]->execute(set);
        }
    }
    state.SetItemsProcessed(state.iterations() * fx.product.statements);
}

// Checks first that one round sends as many messages as the engine's does:
// the two run the same logic.
void luaExecuteRules(benchmark::State& state, ProductFixture& fx) {
    LoadedProduct& lp = fx.loaded();
    LuaProduct& lua = fx.lua();
    const long engineBefore = fx.adapter.messages;
    for (std::size_t m = 0; m < lp.rules.size(); ++m) {
        ZAMSelOptionSet set(lp.defaults[m]);
        lp.rules[m]->execute(set);
    }
    const long luaBefore = lua.messages();
    lua.runRules();
    if (lua.messages() - luaBefore != fx.adapter.messages - engineBefore) {
        state.SkipWithError("Lua and the engine sent different numbers of messages");
        return;
    }
    for (auto _ : state) {
        lua.runRules();
    }
    state.SetItemsProcessed(state.iterations() * fx.product.statements);
}

void evaluateConditions(benchmark::State& state, ProductFixture& fx) {
    LoadedProduct& lp = fx.loaded();
    long yes = 0;
    for (auto _ : state) {
        yes = 0;
        for (std::size_t j = 0; j < lp.conditions.size(); ++j) {
            const ZAMSelOptionSet& set = lp.ruled[static_cast<std::size_t>(lp.conditionModules[j])];
            yes += lp.conditions[j]->getValue(set).second ? 1 : 0;
        }
    }
    state.counters["true"] = static_cast<double>(yes);
    state.SetItemsProcessed(state.iterations() * count(lp.conditions.size()));
}

void luaEvaluateConditions(benchmark::State& state, ProductFixture& fx) {
    LuaProduct& lua = fx.lua();
    long yes = 0;
    for (auto _ : state) {
        yes = lua.evaluateConditions();
    }
    state.counters["true"] = static_cast<double>(yes);
    state.SetItemsProcessed(state.iterations() * count(lua.conditionCount()));
}

// ---- whole structures -----------------------------------------------------

void evaluateStructure(benchmark::State& state, ProductFixture& fx) {
    LoadedProduct& lp = fx.loaded();
    for (auto _ : state) {
        lp.window->evaluate(true);
    }
    const double nodes = static_cast<double>(fx.product.nodes.size());
    state.SetItemsProcessed(state.iterations() * count(fx.product.nodes.size()));
    state.counters["per_node"] = benchmark::Counter(
        nodes, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// What a host waits for when it opens a product: every module text loaded,
// the structure built with its conditions and values, one evaluation.
void loadAndEvaluate(benchmark::State& state, ProductFixture& fx) {
    for (auto _ : state) {
        state.PauseTiming();
        ref_count_ptr<ZAMWindow> window = ZAM::createWindow();
        state.ResumeTiming();
        loadModules(window, fx.product);
        auto structure = std::make_unique<Structure>(window, fx.product);
        window->evaluate(true);
        state.PauseTiming();
        structure.reset();
        window = ref_count_ptr<ZAMWindow>();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count(fx.product.nodes.size()));
}

void validate(benchmark::State& state, ProductFixture& fx) {
    LoadedProduct& lp = fx.loaded();
    std::size_t findings = 0;
    for (auto _ : state) {
        ZAMValidator validator;
        validator.validateNode(lp.structure->nodes().front().get(), true);
        findings = validator.errors().size();
    }
    if (findings != 0) {
        state.SkipWithError("the generated product does not validate clean");
    }
    state.SetItemsProcessed(state.iterations() * count(fx.product.nodes.size()));
}

// ---- sets -------------------------------------------------------------------

// A copy of every module's set that is then written once, so that it takes
// its own contents, as the copy of a node whose rules write does.
void copySets(benchmark::State& state, ProductFixture& fx) {
    LoadedProduct& lp = fx.loaded();
    std::vector<ZAMSelOptionSet::ZAMSosEntry> writes;
    for (const ModuleSpec& spec : fx.product.modules) {
        ZAMSelOptionSet::ZAMSosEntry entry;
        entry.option = lp.window->getModule(spec.id)->getOption("total");
        entry.values.push_back(ZAMValue::createInt(123456789));
        entry.howSets.push_back(ZAMSelOptionSet::Imposed);
        writes.push_back(entry);
    }
    for (auto _ : state) {
        for (std::size_t m = 0; m < lp.ruled.size(); ++m) {
            ZAMSelOptionSet copy(lp.ruled[m]);
            copy.set(writes[m]);
            benchmark::DoNotOptimize(&copy);
        }
    }
    state.SetItemsProcessed(state.iterations() * count(lp.ruled.size()));
}

void lookUpOptions(benchmark::State& state, ProductFixture& fx) {
    LoadedProduct& lp = fx.loaded();
    std::size_t lookups = 0;
    for (auto _ : state) {
        lookups = 0;
        for (std::size_t m = 0; m < lp.ruled.size(); ++m) {
            for (const ref_count_ptr<ZAMOption>& option : lp.options[m]) {
                benchmark::DoNotOptimize(&lp.ruled[m].get(option));
                ++lookups;
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * count(lookups));
}

struct Case {
    const char* name;
    void (*run)(benchmark::State&, ProductFixture&);
    int maxScale;  // larger products take minutes or gigabytes
};

// Reading texts runs up to scale 100 (100,000 modules, a million nodes);
// what needs the whole product loaded, or in Lua, up to scale 10.
const Case kCases[] = {
    {"BM_LexSources", lexSources, 100},
    {"BM_ParseDeclarations", parseDeclarations, 100},
    {"BM_ParseRules", parseRules, 100},
    {"BM_LoadModuleTexts", loadModuleTexts, 100},
    {"BM_LuaLoadRules", luaLoadRules, 10},
    {"BM_ExecuteRules", executeRules, 10},
    {"BM_LuaExecuteRules", luaExecuteRules, 10},
    {"BM_EvaluateConditions", evaluateConditions, 10},
    {"BM_LuaEvaluateConditions", luaEvaluateConditions, 10},
    {"BM_EvaluateStructure", evaluateStructure, 10},
    {"BM_LoadAndEvaluate", loadAndEvaluate, 10},
    {"BM_Validate", validate, 10},
    {"BM_CopySets", copySets, 10},
    {"BM_LookUpOptions", lookUpOptions, 10},
};

// Takes --scales=a,b,c out of the arguments.
std::vector<int> takeScales(int& argc, char** argv) {
    std::vector<int> scales = {1, 10, 100};
    const char* const flag = "--scales=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], flag, std::strlen(flag)) != 0) {
            continue;
        }
        scales.clear();
        for (const char* p = argv[i] + std::strlen(flag); *p != '\0';) {
            char* end = nullptr;
            scales.push_back(static_cast<int>(std::strtol(p, &end, 10)));
            p = *end == ',' ? end + 1 : end;
        }
        for (int j = i; j + 1 < argc; ++j) {
            argv[j] = argv[j + 1];
        }
        --argc;
        break;
    }
    return scales;
}

void registerCases(const std::vector<int>& scales) {
    for (int scale : scales) {
        for (const Case& c : kCases) {
            if (scale > c.maxScale) {
                continue;
            }
            const std::string name = std::string(c.name) + "/" + std::to_string(scale);
            benchmark::RegisterBenchmark(name.c_str(), [c, scale](benchmark::State& state) {
                c.run(state, fixture(scale));
            })->Unit(benchmark::kMillisecond);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    registerCases(takeScales(argc, argv));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
