#include "zamcore/model/flat_index.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "zamcore/model/model_indexes.h"

namespace {

struct Named {
    std::string name;
    std::uint64_t forcedHash;
};

// Hashes chosen by the test: all alike (one long run of slots), consecutive
// (each entry in its own home slot), or spread as the model spreads names.
struct NamedByName {
    using Item = Named;
    using Key = std::string_view;
    static Key keyOf(const Named& item) { return item.name; }
    static std::uint64_t hash(Key name) {
        switch (name[0]) {
            case 's':
                return 7;
            case 'c':
                return std::stoull(std::string(name.substr(1)));
            default:
                return std::hash<std::string_view>()(name);
        }
    }
};

// Random insertions and removals, checked after each step against a tree
// holding the same entries: every key in it is found as its own item, and
// keys removed are gone.
TEST(FlatIndexTest, AgreesWithAnOrderedMapThroughInsertionsAndRemovals) {
    struct Row {
        char keyKind;
        int keys;
        int steps;
    };
    const Row rows[] = {{'s', 40, 400}, {'c', 300, 3000}, {'h', 300, 3000}, {'c', 5, 100}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(1, row.keyKind) + " keys");
        std::vector<std::unique_ptr<Named>> items;
        for (int k = 0; k < row.keys; ++k) {
            const std::string name = row.keyKind + std::to_string(k);
            items.push_back(std::make_unique<Named>(Named{name, NamedByName::hash(name)}));
        }
        zamcore::FlatIndex<NamedByName> index;
        std::map<std::string, Named*> expected;
        std::mt19937 random(static_cast<unsigned>(row.keys));
        for (int step = 0; step < row.steps; ++step) {
            Named* item = items[random() % items.size()].get();
            // Removals win a little less often, so that the index grows,
            // shrinks and grows again.
            if (random() % 5 < 2) {
                index.erase(item->name);
                expected.erase(item->name);
            } else {
                index.insert(item);
                expected[item->name] = item;
            }
            ASSERT_EQ(expected.size(), index.size());
            for (const auto& candidate : items) {
                const auto found = expected.find(candidate->name);
                ASSERT_EQ(found != expected.end() ? found->second : nullptr,
                          index.find(candidate->name))
                    << candidate->name << " at step " << step;
            }
        }
    }
}

TEST(FlatIndexTest, RebuildHoldsExactlyTheGivenItems) {
    Named a{"ha", 0};
    Named b{"hb", 0};
    Named c{"hc", 0};
    zamcore::FlatIndex<NamedByName> index;
    index.insert(&a);
    index.insert(&b);
    const std::map<std::string, Named*> replacement = {{"hb", &b}, {"hc", &c}};
    index.rebuild(replacement,
                  [](const std::pair<const std::string, Named*>& entry) { return entry.second; });
    EXPECT_EQ(nullptr, index.find("ha"));
    EXPECT_EQ(&b, index.find("hb"));
    EXPECT_EQ(&c, index.find("hc"));
    EXPECT_EQ(2u, index.size());
}

}  // namespace
