#pragma once

#include "core/base/Collation.h"
#include "core/facts/FileFacts.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace filvane {

enum class FactOrder {
    Track,    // disc, then track number
    Taken,    // date taken
    Modified, // last written
};

// The order of rows by a fact of their files: element k is the index of the row that sorts
// k-th. Rows whose file lacks the fact come after all that have it; ties and those rows go by
// the natural order of their names. `facts` holds one entry per name.
std::vector<std::uint32_t> orderByFacts(std::span<const std::string> names,
                                        std::span<const FileFacts> facts, FactOrder order);

// The facts an order needs.
FactKinds factsFor(FactOrder order);

// The order by facts a list order stands for; none for the orders by name.
std::optional<FactOrder> factOrderOf(SortOrder order);

} // namespace filvane
