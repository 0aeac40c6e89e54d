#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace filvane {

class DirectoryCalls;

// What the file system of a folder offers to a program that must never replace a file, found
// once per folder: by the file system's type where the type tells, by a probe on private
// names of our own where it does not (FUSE, network shares, types we do not know).
struct DriveFacts {
    std::string type;        // as the system names it: "ext4", "fuseblk", "vfat" ...
    std::string description; // for people: "ext4", "exFAT through FUSE" ...
    std::string name;        // the file system alone: "ext4", "exFAT"; empty where unknown
    bool throughFuse = false;
    bool noReplaceRename = true; // an atomic rename that refuses an existing new name
    bool exchange = true;        // an atomic swap of two names
    bool hardLinks = true;
    bool exclusiveCreate = true;  // a create that refuses an existing name (O_EXCL)
    bool caseInsensitive = false; // "Song.mp3" and "song.mp3" are one name
    bool windowsNames = false;    // refuses what FAT, exFAT and NTFS refuse (see refusedOnDrive)
    // Whether a listing's inode numbers are the files' own and stay theirs: not so through FUSE
    // (exfat-fuse lists every entry as 4294967295 and numbers a file anew once the kernel has
    // forgotten it) nor on types not known here.
    bool stableInodes = true;
    // A probe's private name that could not be removed, so that the caller can say where it is.
    std::string probeLeft;
};

// How a renamer that never replaces does it on a drive.
enum class RenameWay {
    NoReplace, // the atomic no-replace rename
    Link,      // a link to the new name (which refuses an existing one), then the old name removed
    Reserve,   // the new name reserved by an exclusive create, then a plain rename over it
    None,      // none of these: nothing is renamed, as any rename here could replace a file
};

RenameWay wayFor(const DriveFacts &facts);
// The way as a short word, for the journal and for tests: "noreplace", "link", "reserve", "none".
const char *wayWord(RenameWay way);

// The facts of the folder open at `dirFd`, from the process's cache when this folder (by its
// device and inode) was looked at before. Probes go through `calls`.
DriveFacts driveFacts(int dirFd, DirectoryCalls &calls);
// What a probe on private names finds in that folder, whatever its type says (and uncached).
DriveFacts probedFacts(int dirFd, DirectoryCalls &calls);
// The same for a path; a folder that cannot be opened gets the facts of an ordinary drive.
DriveFacts driveFactsOf(const std::string &directory);
// Forgets what was found (a test that mounts and unmounts drives on one mount point).
void forgetDrives();

// Why the drive refuses `name`, as the character or word it refuses ("':'", "\"CON\"", "a
// trailing dot", ...), or none when the drive takes it. Pure: only the facts are consulted.
std::optional<std::string> refusedOnDrive(std::string_view name, const DriveFacts &facts);

// The name as a case-insensitive drive compares it: ASCII and the common Latin, Greek and
// Cyrillic letters folded to lower case (UTF-8 in, UTF-8 out). Names that fold equal are one
// name there.
std::string foldedName(std::string_view name);
// Whether two names are one name on this drive.
bool sameNameOnDrive(std::string_view a, std::string_view b, const DriveFacts &facts);

// Names that are one on a drive without case, for the check before a run: which file outside
// the run has a name in another case, and which upper row takes a name in another case.
class CaseCollisions {
public:
    // The folder is read once; `moving` are the old names of the rows that move (and free them).
    CaseCollisions(const std::string &directory, const std::vector<std::string_view> &moving);
    // The name of a file that stays, `name` in another case; empty when there is none.
    std::string stayingAs(std::string_view name) const;
    // The row of an upper row that takes `name` in another case, else 0; then `row` takes it.
    int takenBy(std::string_view name, int row);

private:
    std::unordered_map<std::string, std::string> m_staying; // folded name -> name
    std::unordered_map<std::string, int> m_wanted;          // folded new name -> row
};

// Whether the name is longer than the drive takes: 255 UTF-16 units where it keeps names as
// Windows does, else 255 bytes.
bool tooLongOnDrive(std::string_view name, const DriveFacts &facts);

} // namespace filvane
