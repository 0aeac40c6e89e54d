#include "core/history/FolderScan.h"

#include "core/base/DirectoryHandle.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace filvane::history {

namespace {

// Where the folder of a journal is now: at its recorded path when that is still the same
// folder (device and inode), else a folder of that identity beside it (the folder renamed).
std::optional<std::string> findFolder(const JournalRecord &record) {
    if (directoryIdentity(record.folder) == record.identity)
        return record.folder;
    const size_t slash = record.folder.find_last_of('/');
    if (slash == std::string::npos)
        return std::nullopt;
    const std::string parent = slash == 0 ? "/" : record.folder.substr(0, slash);
    DirectoryHandle dir(parent);
    while (const dirent *entry = dir.next()) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == ".." || entry->d_ino != record.identity.inode)
            continue;
        const std::string path = (parent == "/" ? "" : parent) + "/" + std::string(name);
        if (directoryIdentity(path) == record.identity)
            return path;
    }
    return std::nullopt;
}

} // namespace

std::optional<JournalRecord> openRun(const std::string &journalDirectory, const std::string &id,
                                     const std::string &pointed, RunRefusal &refusal) {
    std::optional<JournalRecord> record = readJournal(journalDirectory, id);
    refusal = RunRefusal::None;
    if (!record || !record->planned) {
        refusal = RunRefusal::JournalNotWritten;
        return std::nullopt;
    }
    const std::optional<std::string> folder =
        pointed.empty()
            ? findFolder(*record)
            : (directoryIdentity(pointed) == record->identity ? std::optional<std::string>(pointed)
                                                              : std::nullopt);
    if (!folder) {
        refusal = RunRefusal::FolderChanged;
        return record;
    }
    record->folder = *folder;
    return record;
}

FolderScan::FolderScan(const JournalRecord &record) {
    if (directoryIdentity(record.folder) != record.identity)
        return;
    DirectoryHandle dir(record.folder);
    if (!dir.isOpen())
        return;
    m_folder.reset(::open(record.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    while (const dirent *entry = dir.next()) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        struct stat st; // FUSE may list every entry as "unknown": the file then says
        const bool unknown = entry->d_ino == 0xFFFFFFFF && ::fstatat(m_folder.get(), entry->d_name,
                                                                     &st, AT_SYMLINK_NOFOLLOW) == 0;
        m_entries.push_back({unknown ? static_cast<std::uint64_t>(st.st_ino)
                                     : static_cast<std::uint64_t>(entry->d_ino),
                             static_cast<std::uint32_t>(m_names.size()),
                             static_cast<std::uint32_t>(name.size()), entry->d_type == DT_DIR});
        m_names += name;
    }
    m_found = true;
    for (const RecordedStep &step : record.steps)
        if (step.round > 0)
            m_roundNames.push_back(step.before);
    std::sort(m_roundNames.begin(), m_roundNames.end());
    std::sort(m_entries.begin(), m_entries.end(),
              [](const Entry &a, const Entry &b) { return a.inode < b.inode; });
}

FolderScan::Located FolderScan::locate(const RecordedStep &step) const {
    if (step.inode == 0)
        return {}; // it was not there when the run began, so the run did not move it
    const auto [from, to] =
        std::equal_range(m_entries.begin(), m_entries.end(), Entry{step.inode, 0, 0, false},
                         [](const Entry &a, const Entry &b) { return a.inode < b.inode; });
    if (from == to)
        return {Where::Gone, {}};
    Located other{Where::Gone, {}, false};
    for (auto at = from; at != to; ++at) {
        const std::string_view name = nameOf(*at);
        if (!isTheFile(step, name))
            continue; // another file that took the inode number
        if (other.where == Where::Gone)
            other = {Where::Elsewhere, name, at->directory};
        if (name == step.after)
            return {Where::After, name, at->directory};
        if (name == step.before)
            other = {Where::Before, name, at->directory};
        else if (other.where == Where::Elsewhere && isPrivateName(std::string(name)))
            other = {Where::Temporary, name, at->directory};
        else if (other.where == Where::Elsewhere && step.round > 0 &&
                 std::binary_search(m_roundNames.begin(), m_roundNames.end(), name))
            other = {Where::InRound, name, at->directory};
    }
    return other;
}

FolderScan::Counts FolderScan::count(const JournalRecord &record) const {
    Counts counts;
    for (const RecordedStep &step : record.steps) {
        const Where where = locate(step).where;
        counts.renamed += where == Where::After;
        counts.temporary += where == Where::Temporary;
    }
    return counts;
}

// Asked only about files left alone, so the index by name is made on the first question.
bool FolderScan::hasName(const std::string &name) const {
    if (m_byName.empty()) {
        m_byName.reserve(m_entries.size());
        for (const Entry &entry : m_entries)
            m_byName.push_back(nameOf(entry));
        std::sort(m_byName.begin(), m_byName.end());
    }
    return std::binary_search(m_byName.begin(), m_byName.end(), std::string_view(name));
}

std::vector<std::string_view> FolderScan::namesOf(std::uint64_t inode) const {
    const auto [from, to] =
        std::equal_range(m_entries.begin(), m_entries.end(), Entry{inode, 0, 0, false},
                         [](const Entry &a, const Entry &b) { return a.inode < b.inode; });
    std::vector<std::string_view> names;
    for (auto at = from; at != to; ++at)
        names.push_back(nameOf(*at));
    return names;
}

bool FolderScan::isTheFile(const RecordedStep &step, std::string_view name) const {
    if (!step.identity)
        return true; // a journal of an older version: the inode is all it knows
    const std::optional<FileIdentity> now =
        fileIdentityAt(m_folder.get(), std::string(name).c_str());
    return now && step.identity->matches(*now);
}

} // namespace filvane::history
