#pragma once

#include "core/base/DirectoryIdentity.h"
#include "core/base/FileHandle.h"

#include <cerrno>
#include <string>

namespace filvane {

// Holds a folder for one run, undo or recovery at a time, across processes: a lock (flock) on
// a file in the journal folder named by the folder's identity, so that the same folder reached
// by another path, or renamed meanwhile, is the same lock. The file names the holder's pid. The
// lock goes with the process: a run killed never leaves the folder held.
class FolderLock {
public:
    static constexpr int InUse = EWOULDBLOCK;

    FolderLock() = default;
    FolderLock(FolderLock &&) = default;
    FolderLock &operator=(FolderLock &&) = default;

    // 0 when held; InUse when another holds it (`holder` gets its pid, 0 when not known); else
    // the errno of making the lock file.
    int acquire(const std::string &journalDirectory, const DirectoryIdentity &folder,
                long *holder = nullptr);
    bool held() const { return m_file.isOpen(); }
    const DirectoryIdentity &folder() const { return m_folder; }
    void release() { m_file.reset(); }

private:
    FileHandle m_file;
    DirectoryIdentity m_folder;
};

} // namespace filvane
