#include "RenameTestSupport.h"
#include "core/base/FileHandle.h"
#include "core/plan/NameClaims.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <span>
#include <sys/stat.h>

using namespace filvane;

TEST(ComposeNewName, FourCompositionsAndNumbersOnly) {
    const auto compose = [](bool numbering, bool keep, bool numbersOnly, const char *chosen) {
        return composeNewName({numbering, keep, numbersOnly, chosen}, "a.b.mp3", "07", "Intro");
    };
    EXPECT_EQ(compose(true, true, false, ".txt"), "07 - Intro.mp3");
    EXPECT_EQ(compose(true, false, false, ".txt"), "07 - Intro.txt");
    EXPECT_EQ(compose(false, true, false, ".txt"), "Intro.mp3");
    EXPECT_EQ(compose(false, false, false, ".txt"), "Intro.txt");
    // Numbers only: the number alone, and the typed name plays no part.
    EXPECT_EQ(compose(true, true, true, ".txt"), "07.mp3");
    EXPECT_EQ(compose(false, false, true, ".txt"), "07.txt");
    // Joined as they stand: no dot added, an empty name still gets the separator.
    EXPECT_EQ(compose(true, false, false, "mp3"), "07 - Intromp3");
    EXPECT_EQ(composeNewName({}, "song.mp3", "01", ""), "01 - .mp3");
    EXPECT_EQ(composeNewName(RenameOptions{.numbering = false}, "README", "01", "Read me"),
              "Read me");
}

TEST(IsPlainFileName, RefusesNamesThatLeaveTheDirectory) {
    for (const std::string &name : Names{"", ".", "..", "a/b", "/", "../x", std::string("a\0b", 3)})
        EXPECT_FALSE(isPlainFileName(name)) << name;
    for (const std::string &name : Names{"...", ".hidden", "a b.mp3", "\xff\xfe.mp3", "a\\b"})
        EXPECT_TRUE(isPlainFileName(name)) << name;
}

namespace {

// Rows "o000" -> "n000" ... and a folder holding some of their names, in an order of its own,
// among names no row claims.
struct ClaimedFolder {
    explicit ClaimedFolder(const std::filesystem::path &parent) : dir(parent) {
        for (int i = 0; i < Count; ++i) {
            char name[8];
            std::snprintf(name, sizeof name, "o%03d", i);
            oldNames.emplace_back(name);
            std::snprintf(name, sizeof name, "n%03d", i);
            newNames.emplace_back(name);
        }
        for (int i = 0; i < Count; ++i)
            rows.push_back({i + 1, RenameOutcome::Pending, 0, oldNames[i], newNames[i]});
        // New names of the upper three quarters made last to first, old names of every
        // other row, and strangers between them.
        for (int i = Count * 3 / 4; i-- > 0;) {
            dir.touch(newNames[i]);
            if (i % 2 == 0)
                dir.touch(oldNames[i]);
            if (i % 5 == 0)
                dir.touch("x" + std::to_string(i));
        }
    }
    static constexpr int Count = 200;
    TempDir dir;
    std::vector<std::string> oldNames, newNames;
    std::vector<RowOutcome> rows;
};

using Visits = std::map<int, std::vector<ino_t>>; // entry -> the numbers it was visited with

Visits visitsOf(const NameClaims &claims, int fd, std::span<const int> expected) {
    Visits visits;
    EXPECT_TRUE(claims.visitFolder(fd, expected, [&](int entry, const dirent &found) {
        visits[entry].push_back(found.d_ino);
    }));
    return visits;
}

} // namespace

// A read told which entries to expect in which order finds exactly what a read told nothing
// finds, whether the folder lists them in that order, the other way round, mixed or not at all.
TEST(NameClaimsVisit, ExpectedOrderChangesNothingFound) {
    std::vector<std::filesystem::path> places{std::filesystem::temp_directory_path()};
    if (std::filesystem::is_directory("/dev/shm"))
        places.emplace_back("/dev/shm"); // tmpfs lists by when names were given
    for (const std::filesystem::path &place : places) {
        SCOPED_TRACE(place.string());
        const ClaimedFolder folder(place);
        const NameClaims claims(folder.rows);
        const FileHandle dir(::open(folder.dir.str().c_str(), O_RDONLY | O_DIRECTORY));
        ASSERT_TRUE(dir.isOpen());

        Visits truth;
        for (const auto &names : {folder.oldNames, folder.newNames})
            for (const std::string &name : names) {
                struct stat st;
                if (::fstatat(dir.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
                    truth[claims.find(name)].push_back(st.st_ino);
            }
        ASSERT_EQ(visitsOf(claims, dir.get(), {}), truth);

        std::vector<int> forward;
        for (int row = 0; row < ClaimedFolder::Count; ++row)
            forward.push_back(claims.newNameOf(row)); // a quarter of them are not there
        std::vector<int> backward(forward.rbegin(), forward.rend());
        std::vector<int> mixed = forward;
        std::mt19937 random(27);
        std::shuffle(mixed.begin(), mixed.end(), random);
        std::vector<int> oldAndNew = forward; // the old names too, where the folder mixes them
        for (int row = 0; row < ClaimedFolder::Count; ++row)
            oldAndNew.push_back(claims.oldNameOf(row));
        for (const std::vector<int> *expected : {&forward, &backward, &mixed, &oldAndNew})
            EXPECT_EQ(visitsOf(claims, dir.get(), *expected), truth);
    }
}
