#pragma once

#include "core/base/DirectoryIdentity.h"
#include "core/base/FileHandle.h"
#include "core/base/PrivateName.h"
#include "core/drive/Drive.h"

#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct stat;

namespace filvane {

// The calls that change a directory, each relative to an open directory and answering 0 or an
// errno. The system's by default; a test puts its own in between to refuse a chosen call, or to
// change the directory between two calls, so that faults and races happen at exact points.
class DirectoryCalls {
public:
    // Plain replaces an entry of the new name: only ever asked for toward a private name of
    // ours just seen free, where a file system refuses both flags.
    enum class RenameMode { NoReplace, Exchange, Plain };

    virtual ~DirectoryCalls() = default;
    virtual int rename(int dirFd, const char *from, const char *to, RenameMode mode);
    virtual int link(int dirFd, const char *from, const char *to);
    virtual int unlink(int dirFd, const char *name);
    // Makes an empty file that did not exist (O_EXCL).
    virtual int create(int dirFd, const char *name);
    // Makes a file that did not exist (O_EXCL) holding `ReservationMarker`, and says what it
    // made, measured through the descriptor that made it.
    virtual int reserve(int dirFd, const char *name, struct stat &made);
    virtual int status(int dirFd, const char *name, struct stat &st);
};

// The system's calls, unchanged.
DirectoryCalls &hostDirectoryCalls();

// Renames entries of one directory without ever replacing an entry that already exists. The
// directory is opened once and every name is taken relative to that descriptor, so a directory
// renamed or replaced while we work cannot redirect the renames elsewhere.
//
// This is the one place that knows the system's rename call. How it renames is chosen from what
// the drive offers (see Drive.h), found before the first rename:
// - the atomic no-replace rename;
// - without it, where there are hard links: a move to a private hidden name, a hard link from it
//   to the new name (the link fails atomically when the new name exists) and the removal of the
//   private name;
// - without links either: the new name reserved by an exclusive create (a small file holding
//   `ReservationMarker`), checked to be still our reservation, then a plain rename over it.
// A name of the user's is never unlinked (a reservation of ours is the one exception), so a file
// swapped in under it meanwhile cannot be lost. After every call the file under the new name is
// checked to be the one that was to move; a stranger found there is put back and the row fails
// (EAGAIN). A call that answers failure is checked against the disk first, as a network share
// may answer so for a call it carried out. Names that must swap go through the atomic exchange
// where the file system has one.
class NoReplaceRenamer {
public:
    enum class Method {
        NoReplaceFlag,  // as the drive's facts say (the flags where it takes them)
        LinkThenUnlink, // the link fallback from the start, as on a drive refusing both flags
        NoExchange,     // the no-replace flag, but as on a drive refusing the exchange
        Reserve,        // reservations, as on a drive with neither the flags nor links
    };

    static constexpr std::string_view ReservationMarker =
        "filvane: this name is reserved for a file being renamed\n";

    // `calls` null: the system's. They must outlive the renamer.
    explicit NoReplaceRenamer(const std::string &directory, Method method = Method::NoReplaceFlag,
                              DirectoryCalls *calls = nullptr);
    // On a drive with these facts, whatever the folder's own are (tests of other drives).
    NoReplaceRenamer(const std::string &directory, const DriveFacts &drive,
                     DirectoryCalls *calls = nullptr);
    NoReplaceRenamer(const NoReplaceRenamer &) = delete;
    NoReplaceRenamer &operator=(const NoReplaceRenamer &) = delete;

    // 0 once the directory is open, else the errno of opening it.
    int openError() const { return m_openError; }
    // The directory this renamer works in, as opened; none when it could not be opened.
    std::optional<DirectoryIdentity> identity() const { return m_identity; }
    int directoryFd() const { return m_dir.get(); }
    const DriveFacts &drive() const { return m_drive; }
    RenameWay way() const { return m_way; }
    // The way as a short word ("noreplace", "link", "reserve", "none"), for the journal.
    const char *wayName() const { return wayWord(m_way); }

    // Bare names, no separator (names are copied for the system, so any view will do). Returns 0
    // when `from` now bears the name `to` (also when it bore it already), else an errno: EEXIST
    // when another file has the new name, ENOENT when `from` has gone, EINVAL when the file system
    // does not allow the new name, EAGAIN when what bore `from` at the instant was not the file
    // expected (`inode`, where the listing's numbers can be trusted; 0: the file there just
    // before), EOPNOTSUPP on a drive where no rename is safe. A failed call leaves the file
    // under `from`, or, when even the way back was refused, under the private name
    // `leftUnder()` says.
    int rename(std::string_view from, std::string_view to, std::uint64_t inode = 0);
    const std::string &leftUnder() const { return m_leftUnder; }
    // With an `inode` given to rename, the look after a no-replace rename is left to the caller,
    // who checks many renames by one read of the folder.
    void checkLater(bool later) { m_checkLater = later; }

    // Removes the entry `name` when it is a reservation of this program's (left by a run cut off
    // between reserving a name and renaming over it): 0 when it was one and is gone, ENOENT when
    // there is none, EEXIST when the name bears something else, which stays.
    int dropReservation(std::string_view name);

    // Swaps the names of two entries in one step, so each file is under exactly one name
    // throughout. Returns 0 when done, ExchangeRefused when the file system (or the method)
    // has no such call, else an errno: ENOENT when one of the names has gone.
    int exchange(std::string_view first, std::string_view second);
    static constexpr int ExchangeRefused = EOPNOTSUPP;
    bool exchangeRefused() const { return m_exchangeRefused; }
    // Swaps back two names this object exchanged, tried even once the file system has refused
    // a later exchange: a round is taken back whole.
    int exchangeBack(std::string_view first, std::string_view second);

    // Gives `from` a hidden name that no entry of the directory has, written to `chosen`. The
    // no-replace rename itself claims the name, so a name taken meanwhile only costs a retry.
    int renameToUnusedName(std::string_view from, std::string &chosen);

    // The entry's status without following a link: 0 or an errno.
    int status(std::string_view name, struct stat &st);

private:
    bool open(const std::string &directory);
    void choose(const DriveFacts &drive);
    int renameBy(RenameWay way, const char *from, const char *to, std::uint64_t inode);
    int noReplaceCall(const char *from, const char *to, std::uint64_t inode);
    int linkThenUnlink(const char *from, const char *to);
    int linkFromAside(const std::string &aside, const char *from, const char *to,
                      const struct stat &file);
    int unlinkAside(const std::string &aside, const char *from, const char *to,
                    const struct stat &file);
    int reserveThenRename(const char *from, const char *to, std::uint64_t inode);
    int reserveAndMove(const char *from, const char *to, const struct stat &file);
    bool isOurReservation(const char *name, const struct stat &made);
    bool movedAnyway(const char *from, const char *name, std::uint64_t file);
    int moveToPrivateName(const char *from, std::string &chosen, struct stat &moved);
    int putBack(const std::string &aside, const char *name, const struct stat &file);
    int renameSpellingOnly(std::string_view from, std::string_view to);
    bool unlinkRefusedBySticky(const char *name);
    bool flagWorksHere(DirectoryCalls::RenameMode mode);
    bool modeRefused(int error, DirectoryCalls::RenameMode mode, bool &works);
    std::string unusedName();

    DirectoryCalls &m_calls;
    DriveFacts m_drive;
    RenameWay m_way = RenameWay::NoReplace;
    std::string m_leftUnder;
    bool m_checkLater = false;
    FileHandle m_dir;
    int m_openError = 0;
    std::optional<DirectoryIdentity> m_identity;
    bool m_stickyNotOurs = false; // sticky folder of another owner: unlink needs the file's owner
    bool m_exchangeRefused = false;
    // Set once a call with the flag worked here: a later EINVAL is about a name, not the flag.
    bool m_flagWorks = false;
    bool m_exchangeWorks = false;
    unsigned m_unusedNameCount = 0;
};

} // namespace filvane
