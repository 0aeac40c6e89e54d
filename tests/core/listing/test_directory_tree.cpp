#include "TempDir.h"
#include "core/listing/DirectoryTree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <unistd.h>

using namespace filvane;
namespace fs = std::filesystem;

TEST(DirectoryTree, SubdirectoriesInNaturalOrderHiddenLeftOut) {
    TempDir dir;
    for (const char *name :
         {"beta", "Alpha", "gamma", "ALPHA", ".hidden", "\xc3\x89l\xc5\x91", "Disc 10", "Disc 2"})
        fs::create_directory(dir.path() / name);
    dir.touch("afile");
    dir.touch(".hiddenfile");
    fs::create_directory_symlink(dir.path() / "beta", dir.path() / "link to beta");
    fs::create_symlink(dir.path() / "afile", dir.path() / "link to file");
    fs::create_symlink(dir.path() / "nowhere", dir.path() / "dangling");

    const SubdirectoryListing listing = listSubdirectories(dir.str());
    EXPECT_EQ(listing.error, 0);
    // Case and accents folded (equal names by their bytes), numbers by their value.
    const std::vector<std::string> expected = {"ALPHA",  "Alpha",       "beta",
                                               "Disc 2", "Disc 10",     "\xc3\x89l\xc5\x91",
                                               "gamma",  "link to beta"};
    EXPECT_EQ(listing.names, expected);
}

TEST(DirectoryTree, ListingErrorsKeepErrno) {
    TempDir dir;
    dir.touch("file");
    EXPECT_EQ(listSubdirectories(dir.file("missing")).error, ENOENT);
    EXPECT_EQ(listSubdirectories(dir.file("file")).error, ENOTDIR);
    EXPECT_TRUE(listSubdirectories(dir.file("missing")).names.empty());
}

TEST(DirectoryTree, ResolvingGivesTheHostFormOrTheError) {
    TempDir dir;
    fs::create_directories(dir.path() / "a" / "b");
    dir.touch("file");
    fs::create_directory_symlink(dir.path() / "a" / "b", dir.path() / "shortcut");
    const std::string real = fs::canonical(dir.path()).string();

    EXPECT_EQ(resolveDirectory(dir.str() + "/a/b/").directory, real + "/a/b");
    EXPECT_EQ(resolveDirectory(dir.str() + "/a/b/../b/.").directory, real + "/a/b");
    EXPECT_EQ(resolveDirectory(dir.str() + "/shortcut").directory, real + "/a/b");
    EXPECT_EQ(resolveDirectory("/").directory, "/");
    EXPECT_EQ(resolveDirectory(dir.file("missing")).error, ENOENT);
    EXPECT_EQ(resolveDirectory(dir.file("file")).error, ENOTDIR);
    EXPECT_EQ(resolveDirectory(dir.file("file") + "/below").error, ENOTDIR);
    EXPECT_EQ(resolveDirectory(dir.str() + "/" + std::string(5000, 'x')).error, ENAMETOOLONG);
    EXPECT_TRUE(resolveDirectory(dir.file("missing")).directory.empty());

    // The process's current directory is not moved by resolving.
    const std::string before = currentDirectory();
    resolveDirectory(dir.str() + "/a");
    EXPECT_EQ(currentDirectory(), before);
}

TEST(DirectoryTree, PathRows) {
    EXPECT_EQ(pathComponents("/"), std::vector<std::string>{});
    EXPECT_EQ(pathComponents("/music/rock"), (std::vector<std::string>{"music", "rock"}));
    EXPECT_EQ(ancestorDirectory("/music/rock/live", 0), "/");
    EXPECT_EQ(ancestorDirectory("/music/rock/live", 2), "/music/rock");
    EXPECT_EQ(ancestorDirectory("/music/rock/live", 9), "/music/rock/live");
    EXPECT_EQ(childDirectory("/", "music"), "/music");
    EXPECT_EQ(childDirectory("/music", "rock"), "/music/rock");
}
