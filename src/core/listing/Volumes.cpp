#include "core/listing/Volumes.h"

#include "core/base/DirectoryHandle.h"
#include "core/listing/SearchPattern.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

namespace filvane {

namespace {

// The mount table writes blanks, tabs, newlines and backslashes as three octal digits.
std::string decodeMountField(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string_view digits = field.substr(i + 1, 3);
            if (std::all_of(digits.begin(), digits.end(),
                            [](char c) { return c >= '0' && c <= '7'; })) {
                out += static_cast<char>(std::stoi(std::string(digits), nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

// udev names labels with "\x20" for a blank and the like.
std::string decodeLabelName(std::string_view name) {
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
            std::isxdigit(static_cast<unsigned char>(name[i + 2])) &&
            std::isxdigit(static_cast<unsigned char>(name[i + 3]))) {
            out += static_cast<char>(std::stoi(std::string(name.substr(i + 2, 2)), nullptr, 16));
            i += 3;
            continue;
        }
        out += name[i];
    }
    return out;
}

std::string resolvedPath(const std::string &path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr),
                                                         &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

bool readFlagFile(const std::string &path) {
    std::ifstream in(path);
    int value = 0;
    return (in >> value) && value != 0;
}

bool isUnderKernelTree(std::string_view mountPoint) {
    for (std::string_view tree : {std::string_view("/proc"), std::string_view("/sys")}) {
        if (mountPoint.substr(0, tree.size()) == tree &&
            (mountPoint.size() == tree.size() || mountPoint[tree.size()] == PathSeparator))
            return true;
    }
    return false;
}

bool isPrefixDirectory(std::string_view prefix, std::string_view directory) {
    if (directory.substr(0, prefix.size()) != prefix)
        return false;
    return prefix.size() == directory.size() || prefix.back() == PathSeparator ||
           directory[prefix.size()] == PathSeparator;
}

} // namespace

std::vector<MountEntry> parseMountTable(std::string_view text) {
    std::vector<MountEntry> mounts;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string source, mountPoint, fsType;
        if (!(fields >> source >> mountPoint >> fsType) || source.front() == '#')
            continue;
        mounts.push_back({decodeMountField(source), decodeMountField(mountPoint), fsType});
    }
    return mounts;
}

bool isPseudoFileSystem(std::string_view fsType) {
    static constexpr std::array<std::string_view, 24> pseudo = {
        "proc",       "sysfs",    "cgroup",    "cgroup2",     "devpts", "devtmpfs",
        "securityfs", "debugfs",  "tracefs",   "pstore",      "bpf",    "mqueue",
        "hugetlbfs",  "configfs", "fusectl",   "binfmt_misc", "autofs", "efivarfs",
        "rpc_pipefs", "nsfs",     "selinuxfs", "nfsd",        "sockfs", "pipefs"};
    return std::find(pseudo.begin(), pseudo.end(), fsType) != pseudo.end();
}

VolumeKind volumeKind(std::string_view fsType, bool removableDevice) {
    static constexpr std::array<std::string_view, 14> remote = {
        "nfs",  "nfs4", "cifs",  "smb3",       "smbfs",       "ncpfs", "afs",
        "ceph", "9p",   "davfs", "fuse.sshfs", "fuse.rclone", "coda",  "fuse.glusterfs"};
    if (std::find(remote.begin(), remote.end(), fsType) != remote.end())
        return VolumeKind::Remote;
    if (fsType == "iso9660" || fsType == "udf")
        return VolumeKind::CdRom;
    if (fsType == "tmpfs" || fsType == "ramfs")
        return VolumeKind::RamDisk;
    return removableDevice ? VolumeKind::Removable : VolumeKind::Fixed;
}

std::string volumeText(std::string_view mountPoint, VolumeKind kind, std::string_view label,
                       std::string_view remoteSource) {
    std::string text(mountPoint);
    if (kind == VolumeKind::Removable)
        return text;
    text += ' ';
    if (kind == VolumeKind::Remote && !remoteSource.empty())
        return text + std::string(remoteSource);
    return text + "[" + std::string(label) + "]";
}

std::vector<Volume> buildVolumes(const std::vector<MountEntry> &mounts,
                                 const VolumeQueries &queries) {
    std::map<std::string, const MountEntry *> byMountPoint; // ordered by mount point
    for (const MountEntry &mount : mounts) {
        if (mount.mountPoint.empty() || mount.mountPoint.front() != PathSeparator)
            continue;
        if (isPseudoFileSystem(mount.fsType) || isUnderKernelTree(mount.mountPoint)) {
            byMountPoint.erase(mount.mountPoint); // hidden by the later mount all the same
            continue;
        }
        byMountPoint[mount.mountPoint] = &mount;
    }
    std::vector<Volume> volumes;
    volumes.reserve(byMountPoint.size());
    for (const auto &[mountPoint, mount] : byMountPoint) {
        const bool removable = queries.isRemovable && queries.isRemovable(mount->source);
        const VolumeKind kind = volumeKind(mount->fsType, removable);
        std::string label;
        if (kind != VolumeKind::Removable && kind != VolumeKind::Remote && queries.label)
            label = queries.label(mount->source);
        volumes.push_back({mountPoint, kind, volumeText(mountPoint, kind, label, mount->source)});
    }
    return volumes;
}

bool isRemovableBlockDevice(const std::string &source) {
    if (source.rfind("/dev/", 0) != 0)
        return false;
    const std::string device = resolvedPath(source);
    const auto slash = device.rfind(PathSeparator);
    if (device.empty() || slash == std::string::npos)
        return false;
    const std::string block = "/sys/class/block/" + device.substr(slash + 1);
    // A partition carries no flag of its own; its disk, the folder above it, does.
    const std::string sysfs = resolvedPath(block);
    if (sysfs.empty())
        return false;
    if (readFlagFile(sysfs + "/removable"))
        return true;
    return readFlagFile(sysfs + "/partition") &&
           readFlagFile(sysfs.substr(0, sysfs.rfind(PathSeparator)) + "/removable");
}

std::string volumeLabel(const std::string &source, const std::string &labelFolder) {
    // Only a path can be a device; "tmpfs" or "server:/x" must not resolve against the cwd.
    if (source.empty() || source.front() != PathSeparator)
        return {};
    const std::string device = resolvedPath(source);
    if (device.empty())
        return {};
    DirectoryHandle dir(labelFolder);
    while (const dirent *entry = dir.next()) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && resolvedPath(labelFolder + "/" + name) == device)
            return decodeLabelName(name);
    }
    return {};
}

std::vector<Volume> readVolumes() {
    std::ifstream in("/proc/self/mounts");
    if (!in)
        in.open("/etc/mtab");
    std::ostringstream table;
    table << in.rdbuf();
    VolumeQueries queries;
    queries.isRemovable = isRemovableBlockDevice;
    queries.label = [](const std::string &source) {
        return volumeLabel(source, "/dev/disk/by-label");
    };
    return buildVolumes(parseMountTable(table.str()), queries);
}

int volumeOfDirectory(const std::vector<Volume> &volumes, std::string_view directory) {
    int best = -1;
    size_t bestLength = 0;
    for (size_t i = 0; i < volumes.size(); ++i) {
        const std::string &mountPoint = volumes[i].mountPoint;
        if (mountPoint.empty() || !isPrefixDirectory(mountPoint, directory))
            continue;
        if (best < 0 || mountPoint.size() > bestLength) {
            best = static_cast<int>(i);
            bestLength = mountPoint.size();
        }
    }
    return best;
}

} // namespace filvane
