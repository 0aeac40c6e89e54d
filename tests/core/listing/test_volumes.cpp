#include "TempDir.h"
#include "core/listing/Volumes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

using namespace filvane;

namespace {

// Every kind of row, and the lines the list must leave out or merge.
constexpr const char *MountFixture = R"(sysfs /sys sysfs rw,nosuid,nodev,noexec,relatime 0 0
proc /proc proc rw,nosuid,nodev,noexec,relatime 0 0
udev /dev devtmpfs rw,nosuid,relatime 0 0
devpts /dev/pts devpts rw,nosuid,noexec,relatime 0 0
tmpfs /run tmpfs rw,nosuid,nodev,noexec,relatime 0 0
/dev/sda2 / ext4 rw,relatime 0 0
cgroup2 /sys/fs/cgroup cgroup2 rw,nosuid,nodev,noexec,relatime 0 0
tmpfs /sys/fs/cgroup/extra tmpfs rw 0 0
/dev/sda3 /home ext4 rw,relatime 0 0
/dev/sdb1 /media/user/USB\040STICK vfat rw 0 0
/dev/sr0 /media/cdrom iso9660 ro 0 0
/dev/sr1 /media/dvd udf ro 0 0
//server/share /mnt/share cifs rw 0 0
server:/export /mnt/nfs nfs4 rw 0 0
user@host:/data /mnt/ssh fuse.sshfs rw 0 0
tmpfs /tmp tmpfs rw 0 0
/dev/sda4 /data ext4 rw 0 0
/dev/sda5 /data xfs rw 0 0
/dev/sda6 /mnt/gone ext4 rw 0 0
proc /mnt/gone proc rw 0 0
)";

VolumeQueries fixtureQueries() {
    VolumeQueries queries;
    queries.isRemovable = [](const std::string &source) { return source == "/dev/sdb1"; };
    queries.label = [](const std::string &source) -> std::string {
        static const std::map<std::string, std::string> labels = {{"/dev/sda2", "system"},
                                                                  {"/dev/sr0", "Audio CD"},
                                                                  {"/dev/sdb1", "NEVER READ"},
                                                                  {"/dev/sda5", "Archive"}};
        const auto found = labels.find(source);
        return found == labels.end() ? std::string() : found->second;
    };
    return queries;
}

} // namespace

TEST(Volumes, MountTableGivesOneRowPerBrowsableMountPoint) {
    const std::vector<Volume> volumes =
        buildVolumes(parseMountTable(MountFixture), fixtureQueries());
    std::vector<std::pair<std::string, VolumeKind>> rows;
    for (const Volume &volume : volumes)
        rows.emplace_back(volume.text, volume.kind);
    const std::vector<std::pair<std::string, VolumeKind>> expected = {
        {"/ [system]", VolumeKind::Fixed},
        {"/data [Archive]", VolumeKind::Fixed}, // the later mount hides the earlier one
        {"/home []", VolumeKind::Fixed},
        {"/media/cdrom [Audio CD]", VolumeKind::CdRom},
        {"/media/dvd []", VolumeKind::CdRom},
        {"/media/user/USB STICK", VolumeKind::Removable}, // not queried for a label
        {"/mnt/nfs server:/export", VolumeKind::Remote},
        {"/mnt/share //server/share", VolumeKind::Remote},
        {"/mnt/ssh user@host:/data", VolumeKind::Remote},
        {"/run []", VolumeKind::RamDisk},
        {"/tmp []", VolumeKind::RamDisk},
    };
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(volumes[5].mountPoint, "/media/user/USB STICK");
}

TEST(Volumes, TextsFollowTheKind) {
    EXPECT_EQ(volumeText("/", VolumeKind::Fixed, "root", ""), "/ [root]");
    EXPECT_EQ(volumeText("/x", VolumeKind::RamDisk, "", "tmpfs"), "/x []");
    EXPECT_EQ(volumeText("/Mnt/Share", VolumeKind::Remote, "", "//Server/Share"),
              "/Mnt/Share //Server/Share"); // case kept
    // A remote mount whose source the system cannot give shows its label as a fixed one would.
    EXPECT_EQ(volumeText("/r", VolumeKind::Remote, "Lbl", ""), "/r [Lbl]");
    EXPECT_EQ(volumeText("/usb", VolumeKind::Removable, "Stick", "/dev/sdc1"), "/usb");
}

TEST(Volumes, StartVolumeIsTheLongestMountPointPrefix) {
    const std::vector<Volume> volumes =
        buildVolumes(parseMountTable(MountFixture), fixtureQueries());
    const auto mountOf = [&](const std::string &directory) -> std::string {
        const int index = volumeOfDirectory(volumes, directory);
        return index < 0 ? "none" : volumes[static_cast<size_t>(index)].mountPoint;
    };
    EXPECT_EQ(mountOf("/"), "/");
    EXPECT_EQ(mountOf("/home"), "/home");
    EXPECT_EQ(mountOf("/home/user/music"), "/home");
    EXPECT_EQ(mountOf("/homeless/x"), "/"); // a prefix only counts at a separator
    EXPECT_EQ(mountOf("/media/user/USB STICK/DCIM"), "/media/user/USB STICK");
    EXPECT_EQ(mountOf("/media/user"), "/");
    EXPECT_EQ(mountOf("relative/path"), "none");
    EXPECT_EQ(volumeOfDirectory({}, "/"), -1);
}

TEST(Volumes, LiveTableHoldsTheRoot) {
    const std::vector<Volume> volumes = readVolumes();
    ASSERT_FALSE(volumes.empty());
    EXPECT_EQ(volumes.front().mountPoint, "/");
    for (const Volume &volume : volumes)
        EXPECT_FALSE(volume.mountPoint.rfind("/proc", 0) == 0 ||
                     volume.mountPoint.rfind("/sys", 0) == 0)
            << volume.mountPoint;
}

TEST(Volumes, LabelsComeFromTheLabelFolder) {
    TempDir dir;
    dir.touch("disk1");
    dir.touch("disk2");
    std::filesystem::create_directory(dir.path() / "by-label");
    std::filesystem::create_symlink(dir.path() / "disk1", dir.path() / "by-label" / "My\\x20Disk");
    const std::string labels = dir.file("by-label");
    EXPECT_EQ(volumeLabel(dir.file("disk1"), labels), "My Disk");
    EXPECT_EQ(volumeLabel(dir.file("disk2"), labels), "");
    EXPECT_EQ(volumeLabel("tmpfs", labels), "");
    EXPECT_EQ(volumeLabel(dir.file("disk1"), dir.file("no-such-folder")), "");
}
