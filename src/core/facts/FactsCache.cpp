#include "core/facts/FactsCache.h"

#include "core/base/FileHandle.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace filvane {

namespace {

std::uint64_t mixed(std::uint64_t x) {
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ull;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

std::uint64_t hashOf(const FileKey &key) {
    return mixed(key.inode ^ mixed(static_cast<std::uint64_t>(key.mtime) ^
                                   mixed(static_cast<std::uint64_t>(key.size))));
}

std::uint64_t hashOf(std::string_view text) {
    return mixed(std::hash<std::string_view>{}(text));
}

// Both tables stay at most three quarters full, so a probe ends soon.
bool crowded(std::size_t used, std::size_t slots) {
    return 4 * (used + 1) > 3 * slots;
}

std::uint16_t narrow(int value) {
    return static_cast<std::uint16_t>(std::clamp(value, 0, 0xffff));
}

} // namespace

FactsCache::FactsCache() : m_recordSlots(16, 0), m_textStarts{0, 0}, m_textSlots(16, 0) {}

std::string_view FactsCache::text(std::uint32_t id) const {
    return std::string_view(m_text).substr(m_textStarts[id],
                                           m_textStarts[id + 1] - m_textStarts[id]);
}

std::uint32_t FactsCache::intern(std::string_view text) {
    if (text.empty())
        return 0;
    const std::size_t mask = m_textSlots.size() - 1;
    for (std::size_t slot = hashOf(text) & mask;; slot = (slot + 1) & mask) {
        const std::uint32_t id = m_textSlots[slot];
        if (id == 0)
            break;
        if (this->text(id) == text)
            return id;
    }
    const std::size_t texts = m_textStarts.size() - 1; // id 0, the empty text, is never in a slot
    if (crowded(texts, m_textSlots.size()))
        growTextSlots();
    const auto id = static_cast<std::uint32_t>(texts);
    m_text.append(text);
    m_textStarts.push_back(static_cast<std::uint32_t>(m_text.size()));
    const std::size_t newMask = m_textSlots.size() - 1;
    std::size_t slot = hashOf(text) & newMask;
    while (m_textSlots[slot] != 0)
        slot = (slot + 1) & newMask;
    m_textSlots[slot] = id;
    return id;
}

void FactsCache::growTextSlots() {
    std::vector<std::uint32_t> slots(2 * m_textSlots.size(), 0);
    const std::size_t mask = slots.size() - 1;
    for (std::uint32_t id = 1; id + 1 < m_textStarts.size(); ++id) {
        std::size_t slot = hashOf(text(id)) & mask;
        while (slots[slot] != 0)
            slot = (slot + 1) & mask;
        slots[slot] = id;
    }
    m_textSlots = std::move(slots);
}

const std::uint32_t *FactsCache::recordSlot(const FileKey &key) const {
    const std::size_t mask = m_recordSlots.size() - 1;
    for (std::size_t slot = hashOf(key) & mask;; slot = (slot + 1) & mask) {
        const std::uint32_t entry = m_recordSlots[slot];
        if (entry == 0 || m_records[entry - 1].key == key)
            return &m_recordSlots[slot];
    }
}

std::uint32_t *FactsCache::recordSlot(const FileKey &key) {
    return const_cast<std::uint32_t *>(std::as_const(*this).recordSlot(key));
}

void FactsCache::growRecordSlots() {
    std::vector<std::uint32_t> slots(2 * m_recordSlots.size(), 0);
    const std::size_t mask = slots.size() - 1;
    for (std::uint32_t index = 0; index < m_records.size(); ++index) {
        std::size_t slot = hashOf(m_records[index].key) & mask;
        while (slots[slot] != 0)
            slot = (slot + 1) & mask;
        slots[slot] = index + 1;
    }
    m_recordSlots = std::move(slots);
}

std::optional<FileFacts> FactsCache::find(const FileKey &key, FactKinds wanted) const {
    const std::uint32_t entry = *recordSlot(key);
    if (entry == 0)
        return std::nullopt;
    const Record &record = m_records[entry - 1];
    if ((FactKinds(record.kinds) & wanted) != wanted)
        return std::nullopt;
    FileFacts facts;
    facts.read = true;
    facts.mtime = key.mtime;
    if (has(wanted, FactKinds::Tags)) {
        facts.title = text(record.title);
        facts.artist = text(record.artist);
        facts.album = text(record.album);
        facts.track = record.track;
        facts.disc = record.disc;
        facts.year = record.year;
    }
    if (has(wanted, FactKinds::Photo)) {
        if (record.hasTaken)
            facts.taken = record.taken;
        facts.camera = text(record.camera);
    }
    return facts;
}

void FactsCache::store(const FileKey &key, const FileFacts &facts, FactKinds kinds) {
    std::uint32_t *slot = recordSlot(key);
    if (*slot == 0) {
        if (crowded(m_records.size(), m_recordSlots.size())) {
            growRecordSlots();
            slot = recordSlot(key);
        }
        m_records.push_back({});
        *slot = static_cast<std::uint32_t>(m_records.size());
    }
    Record &record = m_records[*slot - 1];
    record.key = key;
    // Kinds read earlier and not now keep what was read for them.
    record.kinds |= static_cast<std::uint8_t>(kinds);
    if (has(kinds, FactKinds::Tags)) {
        record.title = intern(facts.title);
        record.artist = intern(facts.artist);
        record.album = intern(facts.album);
        record.track = narrow(facts.track);
        record.disc = narrow(facts.disc);
        record.year = narrow(facts.year);
    }
    if (has(kinds, FactKinds::Photo)) {
        record.camera = intern(facts.camera);
        record.hasTaken = facts.taken.has_value();
        record.taken = facts.taken.value_or(0);
    }
}

void FactsCache::reserve(std::size_t files) {
    m_records.reserve(files);
}

void FactsCache::compact() {
    m_records.shrink_to_fit();
    m_text.shrink_to_fit();
    m_textStarts.shrink_to_fit();
}

std::size_t FactsCache::memoryBytes() const {
    return sizeof *this + m_records.capacity() * sizeof(Record) +
           m_recordSlots.capacity() * sizeof(std::uint32_t) + m_text.capacity() +
           m_textStarts.capacity() * sizeof(std::uint32_t) +
           m_textSlots.capacity() * sizeof(std::uint32_t);
}

FactsBatch readFacts(const std::string &directory, std::span<const std::string> names,
                     FactKinds wanted, FactsCache &cache, const FactsProgress &progress) {
    FactsBatch batch;
    batch.facts.resize(names.size());
    const FileHandle folder(open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const int directoryFd = folder.get();
    if (directoryFd < 0) {
        batch.error = errno;
        return batch;
    }
    // Whatever kinds were asked for, the stat below gives the modification time for free.
    const FactKinds opened = wanted & (FactKinds::Tags | FactKinds::Photo);
    cache.reserve(cache.size() + names.size());
    for (std::size_t row = 0; row < names.size(); ++row) {
        if (progress && !progress(row, names.size())) {
            batch.stopped = true;
            break;
        }
        FileFacts &facts = batch.facts[row];
        struct stat status {};
        if (fstatat(directoryFd, names[row].c_str(), &status, 0) == 0) {
            const FileKey key{status.st_ino, status.st_size,
                              status.st_mtim.tv_sec * 1'000'000'000ll + status.st_mtim.tv_nsec};
            if (opened == FactKinds::None) {
                facts.read = true;
                facts.mtime = key.mtime;
            } else if (auto known = cache.find(key, opened)) {
                facts = std::move(*known);
            } else {
                facts = readFileFacts(directoryFd, names[row].c_str(), opened);
                if (facts.read)
                    cache.store(key, facts, opened | FactKinds::Stat);
            }
        }
        batch.done = row + 1;
    }
    if (progress && !batch.stopped)
        progress(batch.done, names.size());
    cache.compact();
    return batch;
}

} // namespace filvane
