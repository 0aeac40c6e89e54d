#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace filvane {

// Texts kept for as long as the store lives, handed out as views that never move: a run's
// names side by side in a few large blocks instead of one allocation each, so a plan of many
// files touches little memory. Move-only, as the views point into it; moving it keeps them valid.
class NameStore {
public:
    NameStore() = default;
    NameStore(NameStore &&) noexcept = default;
    NameStore &operator=(NameStore &&) noexcept = default;
    NameStore(const NameStore &) = delete;
    NameStore &operator=(const NameStore &) = delete;

    // A lasting copy of `text`.
    std::string_view add(std::string_view text);
    // A lasting copy of the pieces, joined as they stand.
    std::string_view join(std::span<const std::string_view> pieces);
    // Takes over the texts of `other`, whose views stay valid and now live as long as this store.
    void absorb(NameStore &&other);

private:
    char *room(size_t size);

    std::vector<std::unique_ptr<char[]>> m_blocks;
    char *m_free = nullptr;
    size_t m_left = 0;
};

} // namespace filvane
