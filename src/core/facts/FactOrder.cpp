#include "core/facts/FactOrder.h"

#include "core/base/Collation.h"

#include <algorithm>
#include <tuple>

namespace filvane {

namespace {

struct SortKey {
    bool lacking = true;
    std::int64_t first = 0, second = 0;
    std::uint32_t naturalRank = 0;
    auto tie() const { return std::tie(lacking, first, second, naturalRank); }
};

SortKey keyOf(const FileFacts &facts, FactOrder order) {
    SortKey key;
    switch (order) {
    case FactOrder::Track:
        // An album on one disc rarely says so: no disc counts as the first.
        key.lacking = facts.track <= 0;
        key.first = std::max(facts.disc, 1);
        key.second = facts.track;
        break;
    case FactOrder::Taken:
        key.lacking = !facts.taken;
        key.first = facts.taken.value_or(0);
        break;
    case FactOrder::Modified:
        key.lacking = !facts.read;
        key.first = facts.mtime;
        break;
    }
    if (key.lacking)
        key.first = key.second = 0;
    return key;
}

} // namespace

FactKinds factsFor(FactOrder order) {
    switch (order) {
    case FactOrder::Track:
        return FactKinds::Tags;
    case FactOrder::Taken:
        return FactKinds::Photo;
    case FactOrder::Modified:
        return FactKinds::Stat;
    }
    return FactKinds::None;
}

std::vector<std::uint32_t> orderByFacts(std::span<const std::string> names,
                                        std::span<const FileFacts> facts, FactOrder order) {
    const std::vector<std::uint32_t> natural = sortedOrder(names, SortOrder::Natural);
    std::vector<SortKey> keys(names.size());
    for (std::uint32_t rank = 0; rank < natural.size(); ++rank) {
        const std::uint32_t row = natural[rank];
        if (row < facts.size())
            keys[row] = keyOf(facts[row], order);
        keys[row].naturalRank = rank;
    }
    std::vector<std::uint32_t> rows(natural);
    std::sort(rows.begin(), rows.end(),
              [&](std::uint32_t a, std::uint32_t b) { return keys[a].tie() < keys[b].tie(); });
    return rows;
}

std::optional<FactOrder> factOrderOf(SortOrder order) {
    switch (order) {
    case SortOrder::Track:
        return FactOrder::Track;
    case SortOrder::Taken:
        return FactOrder::Taken;
    case SortOrder::Modified:
        return FactOrder::Modified;
    case SortOrder::Bytes:
    case SortOrder::Natural:
        break;
    }
    return std::nullopt;
}

} // namespace filvane
