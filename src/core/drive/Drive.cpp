#include "core/drive/Drive.h"

#include "core/base/DirectoryHandle.h"
#include "core/base/FileHandle.h"
#include "core/base/Utf8.h"
#include "core/drive/NoReplaceRename.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <sstream>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unistd.h>
#include <vector>

namespace filvane {

namespace {

// Magic numbers of statfs's f_type (linux/magic.h), for the types whose facts are known.
constexpr long Ext4Magic = 0xEF53;
constexpr long TmpfsMagic = 0x01021994;
constexpr long BtrfsMagic = 0x9123683E;
constexpr long XfsMagic = 0x58465342;
constexpr long F2fsMagic = 0xF2F52010;
constexpr long OverlayMagic = 0x794C7630;
constexpr long RamfsMagic = 0x858458F6;
constexpr long ZfsMagic = 0x2FC12FC1;
constexpr long MsdosMagic = 0x4D44; // vfat and msdos
constexpr long ExfatMagic = 0x2011BAB0;
constexpr long Ntfs3Magic = 0x7366746E;
constexpr long NtfsMagic = 0x5346544E; // the old read-only ntfs
constexpr long FuseMagic = 0x65735546;
constexpr long NfsMagic = 0x6969;
constexpr long CifsMagic = 0xFF534D42;
constexpr long Smb2Magic = 0xFE534D42;

struct MountEntry {
    std::string id;     // the mount's number
    std::string type;   // "fuseblk", "fuse.sshfs", "vfat" ...
    std::string source; // "/dev/sdb1", "host:/export" ...
};

// The mount of the device `device` as /proc/self/mountinfo says: the last one listed wins, as
// the latest mount covers the earlier ones.
std::optional<MountEntry> mountOf(dev_t device) {
    std::ifstream in("/proc/self/mountinfo");
    const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
    std::optional<MountEntry> found;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, parent, numbers;
        fields >> id >> parent >> numbers;
        if (numbers != wanted)
            continue;
        const size_t dash = line.find(" - ");
        if (dash == std::string::npos)
            continue;
        std::istringstream tail(line.substr(dash + 3));
        MountEntry entry;
        entry.id = id;
        tail >> entry.type >> entry.source;
        found = entry;
    }
    return found;
}

// What a block device holds, by the name its boot sector carries, where we may read it.
std::string bootSectorName(const std::string &source) {
    if (!source.starts_with("/"))
        return {}; // a host's share or a name of the helper's own
    const FileHandle device(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!device.isOpen())
        return {};
    std::array<char, 16> head{};
    const ssize_t got = ::pread(device.get(), head.data(), head.size(), 0);
    if (got < 11)
        return {};
    const std::string_view oem(head.data() + 3, 8);
    if (oem == "EXFAT   ")
        return "exFAT";
    if (oem == "NTFS    ")
        return "NTFS";
    return {};
}

// What a type known here tells of a drive beside its name.
enum class TypeKind {
    Ordinary,    // every fact of an ordinary drive
    Overlay,     // ordinary, but a listing may number an entry otherwise than its file
    WindowsFat,  // FAT and exFAT: no exchange, no links, case ignored, Windows' names
    WindowsNtfs, // NTFS: no exchange, links, case kept, Windows' names
};

struct KnownType {
    long magic;
    const char *description;
    TypeKind kind;
};

constexpr std::array KnownTypes{
    KnownType{Ext4Magic, "ext4", TypeKind::Ordinary},
    KnownType{TmpfsMagic, "tmpfs", TypeKind::Ordinary},
    KnownType{BtrfsMagic, "Btrfs", TypeKind::Ordinary},
    KnownType{XfsMagic, "XFS", TypeKind::Ordinary},
    KnownType{F2fsMagic, "F2FS", TypeKind::Ordinary},
    KnownType{ZfsMagic, "ZFS", TypeKind::Ordinary},
    KnownType{OverlayMagic, "overlayfs", TypeKind::Overlay},
    KnownType{RamfsMagic, "ramfs", TypeKind::Ordinary},
    KnownType{MsdosMagic, "FAT", TypeKind::WindowsFat},
    KnownType{ExfatMagic, "exFAT", TypeKind::WindowsFat},
    KnownType{Ntfs3Magic, "NTFS", TypeKind::WindowsNtfs},
    KnownType{NtfsMagic, "NTFS", TypeKind::WindowsNtfs},
};

void windowsDrive(DriveFacts &facts, bool links, bool caseInsensitive) {
    facts.exchange = false;
    facts.hardLinks = links;
    facts.caseInsensitive = caseInsensitive;
    facts.windowsNames = true;
}

// The facts a type tells by itself; false when only a probe can tell (FUSE, network shares,
// types not known here).
bool factsOfType(long magic, DriveFacts &facts) {
    const auto known = std::find_if(KnownTypes.begin(), KnownTypes.end(),
                                    [magic](const KnownType &type) { return type.magic == magic; });
    if (known == KnownTypes.end())
        return false;
    facts.description = known->description;
    switch (known->kind) {
    case TypeKind::Ordinary:
        break;
    case TypeKind::Overlay:
        facts.stableInodes = false;
        break;
    case TypeKind::WindowsFat:
        windowsDrive(facts, false, true);
        break;
    case TypeKind::WindowsNtfs:
        windowsDrive(facts, true, false);
        break;
    }
    return true;
}

// Names the drive of a type that only a probe can tell about, as far as its mount says.
void describeProbed(long magic, const std::optional<MountEntry> &mount, DriveFacts &facts) {
    const std::string type = mount ? mount->type : std::string();
    if (magic == FuseMagic) {
        facts.throughFuse = true;
        facts.name = mount ? bootSectorName(mount->source) : "";
        if (facts.name.empty() && type.starts_with("fuse."))
            facts.name = type.substr(5);
        facts.description =
            (facts.name.empty() ? std::string("a drive") : facts.name) + " through FUSE";
        return;
    }
    facts.name = magic == NfsMagic                          ? "NFS"
                 : magic == CifsMagic || magic == Smb2Magic ? "SMB"
                                                            : type;
    facts.description = facts.name.empty() ? "a drive of unknown type" : facts.name;
}

std::atomic<unsigned> probeCount{0};

std::string probeName(std::string_view middle = {}) {
    return ".filvane-" + std::to_string(::getpid()) + "-p" + std::to_string(probeCount++) +
           std::string(middle) + ".tmp";
}

std::string asciiUpper(std::string name) {
    for (char &c : name)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return name;
}

// Removes a probe's name; a name that will not go is tried again, then reported.
void removeProbe(DirectoryCalls &calls, int dirFd, const std::string &name, DriveFacts &facts) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int error = calls.unlink(dirFd, name.c_str());
        if (error == 0 || error == ENOENT)
            return;
    }
    struct stat st;
    if (calls.status(dirFd, name.c_str(), st) == 0)
        facts.probeLeft = name;
}

// The process id in a probe's name (".filvane-PID-pN.tmp", or with ':' before ".tmp"); 0 for
// any other name.
pid_t probeOwner(std::string_view name) {
    constexpr std::string_view prefix = ".filvane-", suffix = ".tmp";
    if (!name.starts_with(prefix) || !name.ends_with(suffix))
        return 0;
    name = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (name.ends_with(':'))
        name.remove_suffix(1);
    const size_t dash = name.find("-p");
    if (dash == 0 || dash == std::string_view::npos || dash + 2 == name.size())
        return 0;
    pid_t pid = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (i == dash || i == dash + 1)
            continue;
        if (c < '0' || c > '9')
            return 0;
        if (i < dash)
            pid = pid * 10 + (c - '0');
    }
    return pid;
}

// Probes of a process that was killed while it looked (empty files under names of ours): they
// go, so that no hidden file stays for good.
void removeDeadProbes(int dirFd, DirectoryCalls &calls) {
    DirectoryHandle dir = DirectoryHandle::ofDescriptor(dirFd);
    std::vector<std::string> dead;
    while (const dirent *entry = dir.next()) {
        const pid_t owner = probeOwner(entry->d_name);
        if (owner > 0 && owner != ::getpid() && ::kill(owner, 0) != 0 && errno == ESRCH)
            dead.emplace_back(entry->d_name);
    }
    for (const std::string &name : dead) {
        struct stat st;
        if (calls.status(dirFd, name.c_str(), st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0)
            calls.unlink(dirFd, name.c_str());
    }
}

// Makes an empty probe file under a name nobody has; empty when none could be made.
std::string createProbe(DirectoryCalls &calls, int dirFd) {
    std::string file;
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt)
        error = calls.create(dirFd, (file = probeName()).c_str());
    return error == 0 ? file : std::string();
}

// Whether the probe `file` moves by a no-replace rename; where it does, `file` is its new name.
void probeNoReplace(DriveFacts &facts, int dirFd, DirectoryCalls &calls, std::string &file) {
    const std::string moved = probeName();
    int error =
        calls.rename(dirFd, file.c_str(), moved.c_str(), DirectoryCalls::RenameMode::NoReplace);
    struct stat st;
    if (error != 0 && calls.status(dirFd, moved.c_str(), st) == 0)
        error = 0; // it said no but did it (a re-sent call on a network share)
    facts.noReplaceRename = error == 0;
    if (error == 0)
        file = moved;
}

void probeExchange(DriveFacts &facts, int dirFd, DirectoryCalls &calls, const std::string &file) {
    const std::string other = probeName();
    if (calls.create(dirFd, other.c_str()) != 0) {
        facts.exchange = false;
        return;
    }
    facts.exchange =
        calls.rename(dirFd, file.c_str(), other.c_str(), DirectoryCalls::RenameMode::Exchange) == 0;
    removeProbe(calls, dirFd, other, facts);
}

void probeLinks(DriveFacts &facts, int dirFd, DirectoryCalls &calls, const std::string &file) {
    const std::string second = probeName();
    const int error = calls.link(dirFd, file.c_str(), second.c_str());
    struct stat st;
    const bool linked = calls.status(dirFd, second.c_str(), st) == 0;
    facts.hardLinks = error == 0 || (linked && st.st_nlink > 1);
    if (linked)
        removeProbe(calls, dirFd, second, facts);
}

// What the drive makes of names: a second create of one, its other case, a colon.
void probeNames(DriveFacts &facts, int dirFd, DirectoryCalls &calls, const std::string &file) {
    // A create over a name that exists must be refused, or reserving a name means nothing.
    facts.exclusiveCreate = calls.create(dirFd, file.c_str()) == EEXIST;
    // Our names are in lower case: found in upper case, the drive ignores case.
    struct stat st;
    facts.caseInsensitive = calls.status(dirFd, asciiUpper(file).c_str(), st) == 0;
    const std::string colon = probeName(":");
    const int error = calls.create(dirFd, colon.c_str());
    facts.windowsNames = error != 0 && error != EEXIST;
    if (error == 0)
        removeProbe(calls, dirFd, colon, facts);
}

// Asks the drive what it does, on files of our own under private names, each removed at once.
// The user's files are never touched. A drive where no probe can be made keeps the facts of an
// ordinary one: its no-replace rename, if missing, then refuses each row, which loses nothing.
void probe(DriveFacts &facts, int dirFd, DirectoryCalls &calls) {
    std::string file = createProbe(calls, dirFd);
    if (file.empty())
        return;
    probeNoReplace(facts, dirFd, calls, file);
    probeExchange(facts, dirFd, calls, file);
    probeLinks(facts, dirFd, calls, file);
    probeNames(facts, dirFd, calls, file);
    removeProbe(calls, dirFd, file, facts);
    removeDeadProbes(dirFd, calls);
}

struct CachedDrive {
    std::uint64_t device;
    std::uint64_t inode;
    std::string mount;
    DriveFacts facts;
};

std::mutex cacheLock;
std::vector<CachedDrive> cache; // a few folders: the oldest goes first
constexpr size_t CacheSize = 16;

} // namespace

RenameWay wayFor(const DriveFacts &facts) {
    if (facts.noReplaceRename)
        return RenameWay::NoReplace;
    if (facts.hardLinks)
        return RenameWay::Link;
    if (facts.exclusiveCreate)
        return RenameWay::Reserve;
    return RenameWay::None;
}

const char *wayWord(RenameWay way) {
    switch (way) {
    case RenameWay::NoReplace:
        return "noreplace";
    case RenameWay::Link:
        return "link";
    case RenameWay::Reserve:
        return "reserve";
    case RenameWay::None:
        break;
    }
    return "none";
}

DriveFacts driveFacts(int dirFd, DirectoryCalls &calls) {
    struct stat folder;
    struct statfs fs;
    if (dirFd < 0 || ::fstat(dirFd, &folder) != 0 || ::fstatfs(dirFd, &fs) != 0)
        return {};
    DriveFacts facts;
    const long magic = static_cast<long>(fs.f_type);
    if (factsOfType(magic, facts)) {
        facts.type = facts.name = facts.description;
        return facts; // the type says it all, at the cost of one call
    }
    // A mount that comes and goes may leave its device number to the next one: the mount's own
    // line is part of what the facts are kept under.
    const std::optional<MountEntry> mount = mountOf(folder.st_dev);
    const std::string key = mount ? mount->id + " " + mount->type + " " + mount->source : "";
    {
        const std::lock_guard lock(cacheLock);
        for (const CachedDrive &known : cache)
            if (known.device == folder.st_dev && known.inode == folder.st_ino && known.mount == key)
                return known.facts;
    }
    facts.type = mount ? mount->type : std::string();
    describeProbed(magic, mount, facts);
    facts.stableInodes = false;
    probe(facts, dirFd, calls);
    // A Windows drive keeps to Windows' names even where its helper would take more (ntfs-3g
    // takes ':'), as the files are to be read there.
    if (facts.name == "exFAT" || facts.name == "NTFS")
        facts.windowsNames = true;
    if (facts.probeLeft.empty()) {
        const std::lock_guard lock(cacheLock);
        if (cache.size() >= CacheSize)
            cache.erase(cache.begin());
        cache.push_back({static_cast<std::uint64_t>(folder.st_dev),
                         static_cast<std::uint64_t>(folder.st_ino), key, facts});
    }
    return facts;
}

DriveFacts probedFacts(int dirFd, DirectoryCalls &calls) {
    DriveFacts facts;
    facts.type = facts.description = "probed";
    facts.stableInodes = false;
    probe(facts, dirFd, calls);
    return facts;
}

DriveFacts driveFactsOf(const std::string &directory) {
    const FileHandle folder(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.isOpen())
        return {};
    return driveFacts(folder.get(), hostDirectoryCalls());
}

void forgetDrives() {
    const std::lock_guard lock(cacheLock);
    cache.clear();
}

namespace {

// The device names Windows keeps for itself, with or without an extension.
bool isDeviceName(std::string_view name) {
    const size_t dot = name.find('.');
    const std::string stem = asciiUpper(std::string(name.substr(0, dot)));
    // Blanks before the dot do not make it another name.
    const std::string bare = stem.substr(0, stem.find_last_not_of(' ') + 1);
    if (bare == "CON" || bare == "PRN" || bare == "AUX" || bare == "NUL")
        return true;
    return bare.size() == 4 && (bare.starts_with("COM") || bare.starts_with("LPT")) &&
           bare[3] >= '1' && bare[3] <= '9';
}

std::u16string utf16Of(std::string_view name) {
    std::u16string text(name.size() + 1, u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar *>(text.data()), static_cast<int32_t>(text.size()),
                         &length, name.data(), static_cast<int32_t>(name.size()), 0xFFFD, nullptr,
                         &status);
    if (U_FAILURE(status))
        return {};
    text.resize(static_cast<size_t>(length));
    return text;
}

} // namespace

std::optional<std::string> refusedOnDrive(std::string_view name, const DriveFacts &facts) {
    if (!facts.windowsNames)
        return std::nullopt;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            static constexpr char hex[] = "0123456789ABCDEF";
            return std::string("U+00") + hex[byte >> 4] + hex[byte & 15];
        }
        if (std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
            return "'" + std::string(1, c) + "'";
    }
    if (!name.empty() && (name.back() == '.' || name.back() == ' '))
        return "'" + std::string(1, name.back()) + "'";
    if (isDeviceName(name))
        return "'" + std::string(name.substr(0, name.find('.'))) + "'";
    return std::nullopt;
}

bool tooLongOnDrive(std::string_view name, const DriveFacts &facts) {
    if (!facts.windowsNames)
        return name.size() > 255;
    return name.size() > 255 && utf16Of(name).size() > 255;
}

std::string foldedName(std::string_view name) {
    bool ascii = true;
    for (const char c : name)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
        std::string folded(name);
        for (char &c : folded)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return folded;
    }
    const std::u16string text = utf16Of(name);
    std::u16string folded(text.size() * 3 + 1, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length =
        u_strFoldCase(reinterpret_cast<UChar *>(folded.data()), static_cast<int32_t>(folded.size()),
                      reinterpret_cast<const UChar *>(text.data()),
                      static_cast<int32_t>(text.size()), U_FOLD_CASE_DEFAULT, &status);
    if (U_FAILURE(status))
        return std::string(name);
    std::string out(static_cast<size_t>(length) * 3 + 1, '\0');
    int32_t bytes = 0;
    status = U_ZERO_ERROR;
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &bytes,
                reinterpret_cast<const UChar *>(folded.data()), length, &status);
    if (U_FAILURE(status))
        return std::string(name);
    out.resize(static_cast<size_t>(bytes));
    return out;
}

bool sameNameOnDrive(std::string_view a, std::string_view b, const DriveFacts &facts) {
    if (a == b)
        return true;
    return facts.caseInsensitive && foldedName(a) == foldedName(b);
}

CaseCollisions::CaseCollisions(const std::string &directory,
                               const std::vector<std::string_view> &moving) {
    std::vector<std::string_view> sorted = moving;
    std::sort(sorted.begin(), sorted.end());
    DirectoryHandle dir(directory);
    while (const dirent *entry = dir.next()) {
        const std::string_view name(entry->d_name);
        if (name != "." && name != ".." && !std::binary_search(sorted.begin(), sorted.end(), name))
            m_staying.emplace(foldedName(name), std::string(name));
    }
}

std::string CaseCollisions::stayingAs(std::string_view name) const {
    const auto found = m_staying.find(foldedName(name));
    return found == m_staying.end() || found->second == name ? std::string() : found->second;
}

int CaseCollisions::takenBy(std::string_view name, int row) {
    const auto [found, added] = m_wanted.emplace(foldedName(name), row);
    return added ? 0 : found->second;
}

} // namespace filvane
