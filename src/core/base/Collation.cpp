#include "core/base/Collation.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <numeric>

#include <unicode/ucol.h>
#include <unicode/ustring.h>

namespace filvane {

void NaturalCollator::Closer::operator()(UCollator *collator) const {
    ucol_close(collator);
}

NaturalCollator::NaturalCollator() {
    UErrorCode status = U_ZERO_ERROR;
    m_collator.reset(ucol_open("", &status));
    if (U_FAILURE(status)) {
        m_collator.reset();
        return;
    }
    // Primary strength leaves case and accents out of the key; the byte tie-break puts them
    // back in a fixed order. Shifted blanks and punctuation weigh nothing at that strength, so
    // "Track 10" and "track02" compare as track 10 and track 2, as people read them.
    ucol_setAttribute(m_collator.get(), UCOL_STRENGTH, UCOL_PRIMARY, &status);
    ucol_setAttribute(m_collator.get(), UCOL_ALTERNATE_HANDLING, UCOL_SHIFTED, &status);
    ucol_setAttribute(m_collator.get(), UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    if (U_FAILURE(status))
        m_collator.reset();
}

NaturalCollator::~NaturalCollator() = default;

void NaturalCollator::appendSortKey(std::string_view name, std::string &key) {
    const size_t start = key.size();
    if (!m_collator) {
        key.push_back('\0'); // without a collator every name ties, and bytes decide
        return;
    }
    // One UTF-16 unit at most per byte: U+FFFD stands for one or more bytes that do not decode.
    m_utf16.resize(name.size());
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(m_utf16.data(), static_cast<int32_t>(m_utf16.size()), &length, name.data(),
                         static_cast<int32_t>(name.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status))
        length = 0;
    const auto write = [&](size_t room) {
        key.resize(start + room);
        return static_cast<size_t>(ucol_getSortKey(m_collator.get(), m_utf16.data(), length,
                                                   reinterpret_cast<uint8_t *>(key.data() + start),
                                                   static_cast<int32_t>(room)));
    };
    const size_t guess = 3 * static_cast<size_t>(length) + 8;
    const size_t needed = write(guess);
    if (needed > guess)
        write(needed);
    key.resize(start + needed);
    if (needed == 0)
        key.push_back('\0'); // the collator failed on this name: it ties, and bytes decide
}

int NaturalCollator::compare(std::string_view a, std::string_view b) {
    std::string keyA, keyB;
    appendSortKey(a, keyA);
    appendSortKey(b, keyB);
    if (const int byKey = keyA.compare(keyB); byKey != 0)
        return byKey;
    return a.compare(b);
}

namespace {

// Like std::string::compare, eight bytes at a time where they can: file names are short and
// often share a long start, so a call to memcmp for each comparison costs more than the bytes.
int compareBytes(const std::string &a, const std::string &b) {
    const size_t common = std::min(a.size(), b.size());
    size_t i = 0;
    for (; i + 8 <= common; i += 8) {
        std::uint64_t x, y;
        std::memcpy(&x, a.data() + i, 8);
        std::memcpy(&y, b.data() + i, 8);
        if (x != y) {
            if constexpr (std::endian::native == std::endian::little) {
                x = __builtin_bswap64(x);
                y = __builtin_bswap64(y);
            }
            return x < y ? -1 : 1;
        }
    }
    for (; i < common; ++i)
        if (a[i] != b[i])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]) ? -1 : 1;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// Eight bytes of `name` from `from` on as a number that compares like them; past its end a name
// reads as zeros (a tie with a zero byte, which the full comparison then settles).
std::uint64_t bytesAt(const std::string &name, size_t from) {
    unsigned char bytes[8] = {};
    if (from < name.size())
        std::memcpy(bytes, name.data() + from, std::min<size_t>(8, name.size() - from));
    std::uint64_t word = 0;
    for (const unsigned char byte : bytes)
        word = (word << 8) | byte;
    return word;
}

std::vector<std::uint32_t> byteOrder(std::span<const std::string> names) {
    // Names in one folder often share their start ("Track ", "IMG_"): the eight bytes after the
    // start all names share settle most comparisons as one number, without reading the names.
    size_t shared = names.empty() ? 0 : names[0].size();
    for (size_t i = 1; i < names.size() && shared > 0; ++i) {
        const std::string &name = names[i];
        const size_t most = std::min(shared, name.size());
        shared = static_cast<size_t>(std::mismatch(name.begin(),
                                                   name.begin() + static_cast<std::ptrdiff_t>(most),
                                                   names[0].begin())
                                         .first -
                                     name.begin());
    }
    struct Row {
        std::uint64_t head;
        std::uint32_t index;
    };
    std::vector<Row> rows(names.size());
    for (size_t i = 0; i < names.size(); ++i)
        rows[i] = {bytesAt(names[i], shared), static_cast<std::uint32_t>(i)};
    std::sort(rows.begin(), rows.end(), [names](const Row &a, const Row &b) {
        if (a.head != b.head)
            return a.head < b.head;
        const int c = compareBytes(names[a.index], names[b.index]);
        return c != 0 ? c < 0 : a.index < b.index;
    });
    std::vector<std::uint32_t> order(names.size());
    for (size_t i = 0; i < rows.size(); ++i)
        order[i] = rows[i].index;
    return order;
}

// The first `HeadBytes` bytes of a key as numbers that compare like the bytes; past its end a
// key reads as zeros, which sorts like its final zero byte.
constexpr size_t HeadBytes = 16;
struct KeyHead {
    std::uint64_t high = 0, low = 0;
    auto operator<=>(const KeyHead &) const = default;
};

KeyHead keyHead(std::string_view key) {
    KeyHead head;
    for (size_t k = 0; k < HeadBytes; ++k) {
        const std::uint64_t byte = k < key.size() ? static_cast<unsigned char>(key[k]) : 0;
        std::uint64_t &word = k < 8 ? head.high : head.low;
        word = (word << 8) | byte;
    }
    return head;
}

std::vector<std::uint32_t> naturalOrder(std::span<const std::string> names) {
    NaturalCollator collator;
    // Every key once, in one block; each row keeps the key's first bytes inline, which settle
    // most comparisons without reaching into the block.
    std::string keys;
    keys.reserve(names.size() * 24);
    std::vector<size_t> keyStart(names.size() + 1);
    struct Row {
        KeyHead head;
        std::uint32_t index;
    };
    std::vector<Row> rows(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        keyStart[i] = keys.size();
        collator.appendSortKey(names[i], keys);
        rows[i] = {keyHead(std::string_view(keys).substr(keyStart[i])),
                   static_cast<std::uint32_t>(i)};
    }
    keyStart[names.size()] = keys.size();
    const std::string_view allKeys(keys);
    const auto keyTail = [&](std::uint32_t i) {
        const size_t start = std::min(keyStart[i] + HeadBytes, keyStart[i + 1]);
        return allKeys.substr(start, keyStart[i + 1] - start);
    };
    std::sort(rows.begin(), rows.end(), [&](const Row &a, const Row &b) {
        if (a.head != b.head)
            return a.head < b.head;
        if (const int c = keyTail(a.index).compare(keyTail(b.index)); c != 0)
            return c < 0;
        if (const int c = names[a.index].compare(names[b.index]); c != 0)
            return c < 0;
        return a.index < b.index;
    });
    std::vector<std::uint32_t> order(names.size());
    std::transform(rows.begin(), rows.end(), order.begin(),
                   [](const Row &row) { return row.index; });
    return order;
}

} // namespace

std::vector<std::uint32_t> sortedOrder(std::span<const std::string> names, SortOrder order) {
    return order == SortOrder::Bytes ? byteOrder(names) : naturalOrder(names);
}

void sortNames(std::span<std::string> names, SortOrder order) {
    if (order == SortOrder::Bytes) {
        std::sort(names.begin(), names.end()); // equal names are equal texts: no order to keep
        return;
    }
    std::vector<std::uint32_t> from = naturalOrder(names);
    // Follow each cycle of the permutation, moving every string once; a placed slot points
    // to itself.
    for (std::uint32_t start = 0; start < from.size(); ++start) {
        if (from[start] == start)
            continue;
        std::string held = std::move(names[start]);
        std::uint32_t slot = start;
        while (from[slot] != start) {
            const std::uint32_t source = from[slot];
            names[slot] = std::move(names[source]);
            from[slot] = slot;
            slot = source;
        }
        names[slot] = std::move(held);
        from[slot] = slot;
    }
}

} // namespace filvane
