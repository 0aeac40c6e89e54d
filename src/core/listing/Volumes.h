#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace filvane {

// One line of the mount table.
struct MountEntry {
    std::string source;     // device, remote share or a file system's own name
    std::string mountPoint; // escapes ("\040" for a blank) decoded
    std::string fsType;
};

enum class VolumeKind { Removable, Fixed, Remote, CdRom, RamDisk };

// A row of the volume list.
struct Volume {
    std::string mountPoint;
    VolumeKind kind = VolumeKind::Fixed;
    std::string text; // what the row shows
};

// What the volume list asks the system about a mount's source.
struct VolumeQueries {
    std::function<bool(const std::string &source)> isRemovable;
    std::function<std::string(const std::string &source)> label; // empty when there is none
};

// Parses a table in the form of /proc/self/mounts: "source mount-point type options 0 0".
std::vector<MountEntry> parseMountTable(std::string_view text);

// Kernel file systems nobody browses for files to rename (proc, sysfs, cgroup, devpts, ...).
bool isPseudoFileSystem(std::string_view fsType);

VolumeKind volumeKind(std::string_view fsType, bool removableDevice);

// "%s %s" of the mount point and, by kind: nothing for a removable volume (never queried), the
// remote source for a remote one, else the label in brackets (empty brackets when none).
std::string volumeText(std::string_view mountPoint, VolumeKind kind, std::string_view label,
                       std::string_view remoteSource);

// The volumes a user would browse, one per mount point (a later mount hides an earlier one at
// the same place), in mount-point order.
std::vector<Volume> buildVolumes(const std::vector<MountEntry> &mounts,
                                 const VolumeQueries &queries);

// The live volume list of this system (its mount table, removable flags and labels).
std::vector<Volume> readVolumes();

// The index of the volume holding `directory`: the longest mount point that is a prefix of it
// at a separator. -1 when none is (an empty list, or a relative directory).
int volumeOfDirectory(const std::vector<Volume> &volumes, std::string_view directory);

// Host queries behind readVolumes, usable on their own.
bool isRemovableBlockDevice(const std::string &source);
std::string volumeLabel(const std::string &source, const std::string &labelFolder);

} // namespace filvane
