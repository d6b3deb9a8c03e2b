#include <benchmark/benchmark.h>
#include <zamcore/zamcore.h>

#include <string>
#include <vector>

#include "empty_host.h"

namespace {

constexpr int kEntries = 1000;

// One window whose module declares kEntries integer options (default 1), and
// a set holding one entry for each of them.
struct Fixture {
    ref_count_ptr<ZAMWindow> window;
    std::vector<ref_count_ptr<ZAMOption>> options;
    ZAMSelOptionSet full;

    Fixture() : window(zambench::openWindow()), full(window) {
        ref_count_ptr<ZAMModule> module = window->createModule("m");
        for (int i = 0; i < kEntries; ++i) {
            const std::string text = "public o" + std::to_string(i) + " integer default 1";
            options.push_back(module->addOptionString(text));
            full.get(options.back());
        }
    }
};

Fixture& fixture() {
    static Fixture built;
    return built;
}

// What every node of an evaluation pays for the set it receives.
void BM_CopySet(benchmark::State& state) {
    const ZAMSelOptionSet& full = fixture().full;
    for (auto _ : state) {
        ZAMSelOptionSet copy(full);
        benchmark::DoNotOptimize(&copy);
    }
}
BENCHMARK(BM_CopySet);

// A copy that is then written once, as a node with a rule writes its copy.
void BM_CopyThenSet(benchmark::State& state) {
    Fixture& built = fixture();
    ZAMSelOptionSet::ZAMSosEntry entry;
    entry.option = built.options[kEntries / 2];
    entry.values.push_back(ZAMValue::createInt(2));
    entry.howSets.push_back(ZAMSelOptionSet::RuleSet);
    for (auto _ : state) {
        ZAMSelOptionSet copy(built.full);
        copy.set(entry);
        benchmark::DoNotOptimize(&copy);
    }
}
BENCHMARK(BM_CopyThenSet);

// Lookup of a stored entry, as every option reference in a rule does.
void BM_GetSet(benchmark::State& state) {
    Fixture& built = fixture();
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(&built.full.get(built.options[next]));
        next = next + 1 == built.options.size() ? 0 : next + 1;
    }
}
BENCHMARK(BM_GetSet);

}  // namespace
