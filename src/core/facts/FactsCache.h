#pragma once

#include "core/facts/FileFacts.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace filvane {

// A file's identity for as long as its content is the same: a rewrite changes size or mtime.
struct FileKey {
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t mtime = 0; // nanoseconds
    bool operator==(const FileKey &) const = default;
};

// Facts read in this session, so listing a folder again or ordering it another way opens no
// file twice. Held compactly, since a session can meet tens of thousands of files: one
// fixed-size record per file, and each distinct text (a title, an artist shared by an album)
// stored once in a pool and named by number.
// Not locked: one reader at a time (the worker reading a batch owns it meanwhile).
class FactsCache {
public:
    FactsCache();

    // The facts stored for this file if they cover `wanted`.
    std::optional<FileFacts> find(const FileKey &key, FactKinds wanted) const;
    // Stores the facts of this file; `kinds` says which of them were read, and facts of other
    // kinds stored earlier for it stay.
    void store(const FileKey &key, const FileFacts &facts, FactKinds kinds);
    void reserve(std::size_t files);
    // Gives back what growing left unused; called after a batch.
    void compact();

    std::size_t size() const { return m_records.size(); }
    std::size_t memoryBytes() const;

private:
    struct Record {
        FileKey key;
        std::int64_t taken = 0;
        std::uint32_t title = 0, artist = 0, album = 0, camera = 0; // text numbers, 0 empty
        std::uint16_t track = 0, disc = 0, year = 0;
        std::uint8_t kinds = 0;
        bool hasTaken = false;
    };

    std::uint32_t intern(std::string_view text);
    std::string_view text(std::uint32_t id) const;
    std::uint32_t *recordSlot(const FileKey &key);
    const std::uint32_t *recordSlot(const FileKey &key) const;
    void growRecordSlots();
    void growTextSlots();

    std::vector<Record> m_records;
    std::vector<std::uint32_t> m_recordSlots; // open addressing: record index + 1, 0 free
    std::string m_text;                       // every distinct text, back to back
    std::vector<std::uint32_t> m_textStarts;  // text id -> start in m_text; one more at the end
    std::vector<std::uint32_t> m_textSlots;   // open addressing: text id, 0 free
};

// Called before each file and once at the end with the count done and the total; returning
// false stops the batch before the next file.
using FactsProgress = std::function<bool(std::size_t done, std::size_t total)>;

struct FactsBatch {
    std::vector<FileFacts> facts; // one per name; `read` false for names not reached or gone
    std::size_t done = 0;
    bool stopped = false;
    int error = 0; // errno of opening the directory
};

// The facts of each of `names` in `directory`, from the cache where it has them. Meant for a
// worker thread; `progress` (may be empty) is how the front end shows progress and stops it.
FactsBatch readFacts(const std::string &directory, std::span<const std::string> names,
                     FactKinds wanted, FactsCache &cache, const FactsProgress &progress = {});

} // namespace filvane
