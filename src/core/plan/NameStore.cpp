#include "core/plan/NameStore.h"

#include <algorithm>
#include <cstring>

namespace filvane {

namespace {
// Large enough that a run of 65,535 files needs a few dozen blocks; a small run touches one
// page of it, since memory is only paid for where it is written.
constexpr size_t BlockSize = 64 * 1024;
} // namespace

char *NameStore::room(size_t size) {
    if (size > m_left) {
        const size_t blockSize = std::max(size, BlockSize);
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(blockSize));
        m_free = m_blocks.back().get();
        m_left = blockSize;
    }
    char *at = m_free;
    m_free += size;
    m_left -= size;
    return at;
}

std::string_view NameStore::add(std::string_view text) {
    if (text.empty())
        return {};
    char *at = room(text.size());
    std::memcpy(at, text.data(), text.size());
    return {at, text.size()};
}

std::string_view NameStore::join(std::span<const std::string_view> pieces) {
    size_t size = 0;
    for (std::string_view piece : pieces)
        size += piece.size();
    if (size == 0)
        return {};
    char *at = room(size);
    char *end = at;
    for (std::string_view piece : pieces) {
        if (!piece.empty())
            std::memcpy(end, piece.data(), piece.size());
        end += piece.size();
    }
    return {at, size};
}

void NameStore::absorb(NameStore &&other) {
    // The other's partly used block is not written to again: its free room is simply dropped.
    for (auto &block : other.m_blocks)
        m_blocks.push_back(std::move(block));
    other.m_blocks.clear();
    other.m_free = nullptr;
    other.m_left = 0;
}

} // namespace filvane
