#pragma once

#include "core/base/FileHandle.h"
#include "core/journal/RunJournal.h"
#include "core/run/Rename.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What an undo, a recovery and the summary of a run share: the journal's folder found where it
// is now, and its files found there by inode.
namespace filvane::history {

// A journal read whole, its folder looked up where it is now (`pointed`: where the user says it
// is). None, with `refusal` set, when it cannot be read or its folder cannot be found.
std::optional<JournalRecord> openRun(const std::string &journalDirectory, const std::string &id,
                                     const std::string &pointed, RunRefusal &refusal);

// The entries of a folder by inode, read once. Names are kept in one buffer and the entries
// are small, so sorting 65,535 of them moves no strings.
class FolderScan {
public:
    // `record.folder` is where the folder is now (see openRun).
    explicit FolderScan(const JournalRecord &record);

    bool found() const { return m_found; }

    // InRound: under another name of its round, where a round cut off while turning leaves it.
    enum class Where { NotPlanned, Before, After, Temporary, InRound, Elsewhere, Gone };
    struct Located {
        Where where = Where::NotPlanned;
        std::string_view name; // where it is now
        bool directory = false;
    };
    Located locate(const RecordedStep &step) const;

    // Of the record's files: how many are under their new name, and under a temporary one.
    struct Counts {
        int renamed = 0;
        int temporary = 0;
    };
    Counts count(const JournalRecord &record) const;

    bool hasName(const std::string &name) const;
    int folderFd() const { return m_folder.get(); }
    // Every name of the inode in the folder.
    std::vector<std::string_view> namesOf(std::uint64_t inode) const;

private:
    struct Entry {
        std::uint64_t inode;
        std::uint32_t offset; // into m_names
        std::uint32_t length;
        bool directory;
    };
    bool isTheFile(const RecordedStep &step, std::string_view name) const;
    std::string_view nameOf(const Entry &entry) const {
        return std::string_view(m_names).substr(entry.offset, entry.length);
    }

    std::string m_names;
    std::vector<Entry> m_entries;
    mutable std::vector<std::string_view> m_byName; // into m_names
    std::vector<std::string_view> m_roundNames;
    FileHandle m_folder;
    bool m_found = false;
};

} // namespace filvane::history
