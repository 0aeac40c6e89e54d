// The command on a real exFAT image through exfat-fuse, as a user runs it on a USB stick.
#include "FuseDrive.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <sys/wait.h>

namespace {

struct Result {
    int code = -1;
    std::string err;
};

// Runs filvane-rename on `folder` with `arguments`, `input` on its standard input, its journals
// in `scratch`.
Result command(const TempDir &scratch, const std::string &folder, const std::string &arguments,
               const std::string &input = {}) {
    scratch.touch("stdin", input);
    const std::string home = scratch.str();
    const std::string line = "HOME='" + home + "' XDG_STATE_HOME='" + home + "/state' " +
                             FILVANE_RENAME + " '" + folder + "' " + arguments + " <'" + home +
                             "/stdin' >'" + home + "/stdout' 2>'" + home + "/stderr'";
    const int status = std::system(line.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, scratch.read("stderr")};
}

std::set<std::string> entries(const std::filesystem::path &folder) {
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

} // namespace

TEST(DriveCommand, OnExfatThroughFuseEveryFileEndsUnderOneVisibleName) {
    FuseDrive drive(FuseDrive::Kind::Exfat);
    SKIP_WITHOUT(drive);
    TempDir scratch;
    for (const char *name : {"a.mp3", "b.mp3", "c.mp3"})
        std::ofstream(drive.path() / name) << name;
    const std::set<std::string> before{"a.mp3", "b.mp3", "c.mp3"};

    const Result dry = command(scratch, drive.str(), "--dry-run", "A\nB\nC\n");
    EXPECT_EQ(dry.code, 0) << dry.err;
    EXPECT_NE(dry.err.find("exFAT through FUSE: no atomic no-replace rename here; each new name "
                           "is reserved first"),
              std::string::npos)
        << dry.err;

    const Result run = command(scratch, drive.str(), "", "A\nB\nC\n");
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(entries(drive.path()),
              (std::set<std::string>{"01 - A.mp3", "02 - B.mp3", "03 - C.mp3"}));
    const Result undo = command(scratch, drive.str(), "--undo");
    EXPECT_EQ(undo.code, 0) << undo.err;
    EXPECT_EQ(entries(drive.path()), before);

    // Names the drive refuses, and two that are one name there: nothing is renamed.
    const Result refused = command(scratch, drive.str(), "--numbering off", "AC:DC\nx\nX\n");
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.err.find("not allowed on this drive: ':'"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("same name as row 02"), std::string::npos) << refused.err;
    EXPECT_EQ(entries(drive.path()), before);
}
