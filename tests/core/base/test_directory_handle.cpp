#include "TempDir.h"
#include "core/listing/DirectorySearch.h"
#include "core/listing/DirectoryTree.h"
#include "core/listing/Volumes.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace filvane;
namespace fs = std::filesystem;

namespace {

int openDescriptorCount() {
    int count = 0;
    for ([[maybe_unused]] const auto &entry : fs::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

} // namespace

// Every way through a listing, found or failed, closes the directory it opened.
TEST(DirectoryHandle, ListingsLeaveNoDirectoryOpen) {
    TempDir dir;
    dir.touch("a.mp3");
    dir.touch("b.txt");
    fs::create_directories(dir.path() / "labels");
    fs::create_directory(dir.path() / "disk");
    fs::create_symlink(dir.path() / "disk", dir.path() / "labels" / "Music\\x20Disk");
    const int before = openDescriptorCount();
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(findFiles(dir.str(), "*.mp3").names.size(), 1u);
        EXPECT_EQ(findFiles(dir.file("gone"), "*").error, ENOENT);
        EXPECT_EQ(listSubdirectories(dir.str()).names.size(), 2u);
        EXPECT_EQ(listSubdirectories(dir.file("a.mp3")).error, ENOTDIR);
        EXPECT_FALSE(resolveDirectory(dir.str()).directory.empty());
        EXPECT_EQ(volumeLabel(dir.file("disk"), dir.file("labels")), "Music Disk");
        EXPECT_EQ(volumeLabel(dir.file("disk"), dir.file("gone")), "");
    }
    EXPECT_EQ(openDescriptorCount(), before);
}
