#include <benchmark/benchmark.h>
#include <zamcore/zamcore.h>

#include <random>
#include <string>

#include "empty_host.h"

namespace {

constexpr int kIntegers = 20;
constexpr int kStrings = 5;
constexpr int kLogicals = 5;

std::string integer(std::mt19937& random) {
    return "m:i" + std::to_string(random() % kIntegers);
}

// A rule text of `statements` statements over module m: assignments with
// arithmetic, conditionals with comparisons, "elif" and "else", and logic.
// Each "if" counts as one statement and so does each statement inside it.
std::string generateRules(int statements, unsigned seed) {
    std::mt19937 random(seed);
    std::string text;
    int written = 0;
    while (written < statements) {
        switch (random() % 3) {
            case 0:
                text += "set " + integer(random) + " to " + integer(random) + " + " +
                        std::to_string(random() % 10) + "\n";
                written += 1;
                break;
            case 1:
                text += "if " + integer(random) + " > " + std::to_string(random() % 50) +
                        " then\n  fix " + integer(random) + " to " + integer(random) +
                        " * 2\nelif m:s" + std::to_string(random() % kStrings) +
                        " = \"v1\" then\n  set " + integer(random) + " to 1\nelse\n  set " +
                        integer(random) + " to " + integer(random) + " - 1\nendif\n";
                written += 4;
                break;
            default:
                text += "if m:l" + std::to_string(random() % kLogicals) + " and " +
                        integer(random) + " != 3 then set m:l" +
                        std::to_string(random() % kLogicals) + " to true endif\n";
                written += 2;
                break;
        }
    }
    return text;
}

struct Fixture {
    ref_count_ptr<ZAMWindow> window;
    ref_count_ptr<ZAMModule> module;
    ZAMSelOptionSet chosen;

    Fixture() : window(zambench::openWindow()), module(window->createModule("m")), chosen(window) {
        for (int i = 0; i < kIntegers; ++i) {
            module->addOptionString("public i" + std::to_string(i) + " integer default " +
                                    std::to_string(i));
        }
        for (int i = 0; i < kStrings; ++i) {
            module->addOptionString("public s" + std::to_string(i) +
                                    " string = \"v1\", \"v2\" default \"v" +
                                    std::to_string(1 + i % 2) + "\"");
        }
        for (int i = 0; i < kLogicals; ++i) {
            module->addOptionString("public l" + std::to_string(i) + " logical default false");
        }
        for (const ref_count_ptr<ZAMOption>& option : module->options()) {
            chosen.get(option);
        }
    }
};

Fixture& fixture() {
    static Fixture built;
    return built;
}

// Parsing a large rule text into its tree (and releasing it).
void BM_ParseRules(benchmark::State& state) {
    Fixture& built = fixture();
    const std::string text = generateRules(static_cast<int>(state.range(0)), 1);
    for (auto _ : state) {
        built.module->setRkl(text);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseRules)->Arg(10000);

// Running parsed rules against a set holding every option's default; each
// run starts from a copy, as a node's evaluation does.
void BM_ExecuteRules(benchmark::State& state) {
    Fixture& built = fixture();
    const int statements = static_cast<int>(state.range(0));
    built.module->setRkl(generateRules(statements, 2));
    ref_count_ptr<ZAMExpRoot> rules = built.module->getRkl();
    for (auto _ : state) {
        ZAMSelOptionSet set(built.chosen);
        rules->execute(set);
    }
    state.SetItemsProcessed(state.iterations() * statements);
}
BENCHMARK(BM_ExecuteRules)->Arg(10)->Arg(1000);

}  // namespace
