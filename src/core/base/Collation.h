#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct UCollator;

namespace filvane {

enum class SortOrder {
    Bytes,   // by unsigned byte values, case-sensitive: "Zebra.mp3" before "apple.mp3"
    Natural, // as people read names: "track02" before "Track 10", "a2" before "á3" before "A10"
    // By what the files know (see FactOrder); sorting names alone reads these as Natural.
    Track,    // disc, then track number from the audio tags
    Taken,    // the date a photo was taken
    Modified, // the time a file was last written
};

// Natural order through ICU's collator: runs of digits compare by their value, letters
// without regard to case or accents, by the language-neutral Unicode collation; blanks and
// punctuation count for nothing ("1 intro", "track01", "track02", "Track 10"). Names that
// compare equal that way (only case, accents, leading zeros, blanks or punctuation differ) are
// ordered by their bytes, so the order is total and the same on every run. Bytes that are not UTF-8
// read as U+FFFD for the collator and still take part in the tie-break.
class NaturalCollator {
public:
    NaturalCollator();
    ~NaturalCollator();
    NaturalCollator(const NaturalCollator &) = delete;
    NaturalCollator &operator=(const NaturalCollator &) = delete;

    // Negative, zero or positive as `a` sorts before, with or after `b`; zero only for
    // equal bytes.
    int compare(std::string_view a, std::string_view b);

    // Appends the sort key of `name`, ending in a zero byte and holding no other: keys
    // compared as unsigned bytes give the natural order except for the tie-break by bytes.
    void appendSortKey(std::string_view name, std::string &key);

private:
    struct Closer {
        void operator()(UCollator *collator) const;
    };
    std::unique_ptr<UCollator, Closer> m_collator; // null only when ICU has no root collation
    std::u16string m_utf16;                        // reused for every name
};

// The order of `names`: element k is the index of the name that sorts k-th. Each sort key is
// computed once, so this is the way to sort many names naturally.
std::vector<std::uint32_t> sortedOrder(std::span<const std::string> names, SortOrder order);

// Sorts the names in place; the strings are moved, never copied.
void sortNames(std::span<std::string> names, SortOrder order);

} // namespace filvane
