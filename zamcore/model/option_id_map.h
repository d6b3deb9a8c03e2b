#ifndef ZAMCORE_MODEL_OPTION_ID_MAP_H
#define ZAMCORE_MODEL_OPTION_ID_MAP_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>

class ZAMOption;

namespace zamcore {

// The live options by id. Ids are drawn in order and never reused, so the
// options are kept in pages of consecutive ids: entering, finding and
// withdrawing an option is one step into its page, options made one after
// another sit side by side, and a page goes as soon as its last option does.
// Holds no references.
class OptionIdMap {
public:
    // `id` must not be in yet.
    void insert(std::int32_t id, ZAMOption* option) {
        auto page = pages_.find(pageOf(id));
        if (page == pages_.end()) {
            page = pages_.emplace(pageOf(id), std::make_unique<Page>()).first;
        }
        page->second->options[slotOf(id)] = option;
        ++page->second->live;
        ++size_;
    }

    // Nothing when `id` is not in.
    void erase(std::int32_t id) {
        const auto found = pages_.find(pageOf(id));
        if (found == pages_.end() || found->second->options[slotOf(id)] == nullptr) {
            return;
        }
        found->second->options[slotOf(id)] = nullptr;
        --size_;
        if (--found->second->live == 0) {
            pages_.erase(found);
        }
    }

    // The option with this id, or null.
    ZAMOption* find(std::int32_t id) const {
        const auto found = pages_.find(pageOf(id));
        return found != pages_.end() ? found->second->options[slotOf(id)] : nullptr;
    }

    std::size_t size() const { return size_; }

private:
    static constexpr unsigned kPageBits = 10;

    struct Page {
        std::array<ZAMOption*, std::size_t{1} << kPageBits> options{};
        std::size_t live = 0;
    };

    // Ids are positive, so the shifts stay defined.
    static std::uint32_t pageOf(std::int32_t id) {
        return static_cast<std::uint32_t>(id) >> kPageBits;
    }
    static std::size_t slotOf(std::int32_t id) {
        return static_cast<std::uint32_t>(id) & ((std::uint32_t{1} << kPageBits) - 1);
    }

    std::unordered_map<std::uint32_t, std::unique_ptr<Page>> pages_;
    std::size_t size_ = 0;
};

}  // namespace zamcore

#endif
