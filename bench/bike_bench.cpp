// What a user of the example bicycle (examples/bike) waits for: the product
// loaded once, as a configurator keeps it open, then the user's choices on
// the bike changed and the whole structure evaluated again, with other
// choices each time so that no evaluation repeats the one before it.
//
// bench/rkl_eval_bike.sh measures the same product through `rkl eval`, each
// evaluation a whole process.

#include <benchmark/benchmark.h>
#include <zamcore/zamcore.h>

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "session.h"

namespace {

// The choices a user makes on the bike node, one combination per evaluation.
struct BikeChoice {
    const char* usage;
    int riderHeight;
    int budget;
    bool electric;
};

std::vector<BikeChoice> bikeChoices() {
    const char* const usages[] = {"city", "road", "gravel", "mountain", "cargo"};
    const int heights[] = {150, 160, 172, 186, 200};
    const int budgets[] = {600, 1500, 4500};
    std::vector<BikeChoice> all;
    for (const char* usage : usages) {
        for (int height : heights) {
            for (int budget : budgets) {
                for (bool electric : {false, true}) {
                    all.push_back(BikeChoice{usage, height, budget, electric});
                }
            }
        }
    }
    return all;
}

void choose(ZAMSelOptionSet& set, const ref_count_ptr<ZAMModule>& bike, const char* option,
            ref_count_ptr<ZAMValue> value) {
    ZAMSelOptionSet::ZAMSosEntry entry;
    entry.option = bike->getOption(option);
    entry.values.push_back(std::move(value));
    entry.howSets.push_back(ZAMSelOptionSet::UserSet);
    set.set(entry);
}

// The bike node's own set for each combination, made before timing starts.
std::vector<ZAMSelOptionSet> bikeSets(const ref_count_ptr<ZAMWindow>& window) {
    const ref_count_ptr<ZAMModule> bike = window->getModule("bike");
    std::vector<ZAMSelOptionSet> sets;
    for (const BikeChoice& choice : bikeChoices()) {
        ZAMSelOptionSet set(window);
        choose(set, bike, "usage", ZAMValue::createString(choice.usage));
        choose(set, bike, "rider_height", ZAMValue::createInt(choice.riderHeight));
        choose(set, bike, "budget", ZAMValue::createInt(choice.budget));
        choose(set, bike, "electric", ZAMValue::createBool(choice.electric));
        sets.push_back(set);
    }
    return sets;
}

void BM_EvaluateBike(benchmark::State& state) {
    rkl::Session session(ZAMCORE_BIKE_DIRECTORY);
    if (!session.prepare({})) {
        state.SkipWithError("the example bicycle does not load");
        return;
    }
    std::vector<ZAMSelOptionSet> sets = bikeSets(session.window());
    std::size_t next = 0;
    for (auto _ : state) {
        session.root().setSos(sets[next]);
        next = (next + 1) % sets.size();
        if (!session.evaluate()) {
            state.SkipWithError("an evaluation of the example bicycle failed");
            return;
        }
        session.adapter().messages.clear();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    state.counters["choices"] = static_cast<double>(sets.size());
}

BENCHMARK(BM_EvaluateBike)->Unit(benchmark::kMicrosecond);

}  // namespace
