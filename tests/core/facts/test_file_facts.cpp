#include "core/facts/FactOrder.h"
#include "core/facts/FactsCache.h"
#include "core/facts/FileFacts.h"
#include "core/names/NameTemplate.h"

#include "TaggedFiles.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

using namespace filvane;

namespace {

// The directory stays open for the test's life.
class Folder : public TempDir {
public:
    Folder() : m_fd(open(str().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
    ~Folder() { close(m_fd); }
    FileFacts facts(const std::string &name, FactKinds kinds = FactKinds::All) const {
        return readFileFacts(m_fd, name.c_str(), kinds);
    }

private:
    int m_fd;
};

std::vector<std::string> namesInOrder(const std::vector<std::string> &names,
                                      const std::vector<std::uint32_t> &order) {
    std::vector<std::string> sorted;
    for (std::uint32_t row : order)
        sorted.push_back(names[row]);
    return sorted;
}

struct TagRow {
    const char *file;
    tagged::AudioTags tags;
    int disc;
};

void PrintTo(const TagRow &row, std::ostream *out) {
    *out << row.file;
}

class AudioTagsRead : public testing::TestWithParam<TagRow> {};

} // namespace

TEST_P(AudioTagsRead, GivesBackWhatWasWritten) {
    const TagRow &row = GetParam();
    Folder folder;
    const std::string path = folder.file(row.file);
    if (std::string(row.file).ends_with(".flac"))
        tagged::writeFlac(path, row.tags);
    else
        tagged::writeMp3(path, row.tags);
    const FileFacts facts = folder.facts(row.file);
    EXPECT_TRUE(facts.read);
    EXPECT_EQ(facts.title, row.tags.title);
    EXPECT_EQ(facts.artist, row.tags.artist);
    EXPECT_EQ(facts.album, row.tags.album);
    EXPECT_EQ(facts.track, row.tags.track);
    EXPECT_EQ(facts.disc, row.disc);
    EXPECT_EQ(facts.year, row.tags.year);
    EXPECT_FALSE(facts.taken);
}

INSTANTIATE_TEST_SUITE_P(
    FileFacts, AudioTagsRead,
    testing::Values(TagRow{"plain.mp3", {"Intro", "Band", "First", 1, "", 1999}, 0},
                    TagRow{"accents.mp3", {"Café crème", "Zoé", "Été", 3, "1/2", 2001}, 1},
                    TagRow{"hu.mp3", {"Őszi éj", "Kovács Ünő", "Ősz", 12, "2/2", 2020}, 2},
                    TagRow{"el.mp3", {"Άλφα", "Ωμέγα", "Βήτα", 7, "2", 0}, 2},
                    // A file name that says nothing of the content: found by its bytes.
                    TagRow{"no extension", {"Sound", "", "", 0, "", 0}, 0},
                    TagRow{"hu.flac", {"Őszi éj", "Kovács", "Ősz", 4, "3/3", 2024}, 3}));

// None of these may stop a listing or crash: each gives empty facts.
TEST(FileFacts, UntaggedBrokenAndOddFilesGiveEmptyFacts) {
    Folder folder;
    tagged::writeMp3(folder.file("tagged.mp3"), {"Title", "Artist", "Album", 5, "1/1", 2000});
    const std::string tagged = tagged::readBytes(folder.file("tagged.mp3"));
    ASSERT_GT(tagged.size(), 100u);

    folder.touch("untagged.mp3", tagged::silentMp3());
    folder.touch("empty.mp3");
    folder.touch("text.mp3", "not a sound at all\n");
    folder.touch("cut.mp3", tagged.substr(0, 30)); // the tag header promises more
    // A tag claiming 256 MB, followed by garbage.
    folder.touch("huge.mp3", std::string("ID3\x04\x00\x00\x7f\x7f\x7f\x7f", 10) +
                                 std::string(300, '\xee') + tagged::silentMp3());
    std::string scrambled = tagged;
    for (std::size_t i = 10; i < 60; ++i)
        scrambled[i] = static_cast<char>(i * 37);
    folder.touch("scrambled.mp3", scrambled);
    folder.touch("cut.jpg", tagged::tinyJpeg().substr(0, 5));
    // An EXIF segment that claims 64 KiB and holds a hundred bytes.
    const std::string exifGarbage =
        std::string("\xff\xd8\xff\xe1\xff\xff") + std::string("Exif\0\0", 6) + std::string(99, 'M');
    folder.touch("exif garbage.jpg", exifGarbage);
    ASSERT_EQ(mkfifo(folder.file("fifo.mp3").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(folder.file("folder.mp3").c_str(), 0700), 0);

    for (const char *name :
         {"untagged.mp3", "empty.mp3", "text.mp3", "cut.mp3", "huge.mp3", "scrambled.mp3",
          "cut.jpg", "exif garbage.jpg", "fifo.mp3", "folder.mp3"}) {
        SCOPED_TRACE(name);
        const FileFacts facts = folder.facts(name);
        EXPECT_TRUE(facts.read);
        EXPECT_GT(facts.mtime, 0);
        EXPECT_EQ(facts.title, "");
        EXPECT_EQ(facts.track, 0);
        EXPECT_FALSE(facts.taken);
        EXPECT_EQ(facts.camera, "");
    }
    EXPECT_FALSE(folder.facts("gone.mp3").read);
    EXPECT_EQ(folder.facts("tagged.mp3").title, "Title"); // the same bytes whole still read
}

TEST(FileFacts, PhotoDateAndCamera) {
    Folder folder;
    tagged::writeJpeg(folder.file("a.jpg"), "2024:05:17 14:03:22", "Kamera X");
    tagged::writeJpeg(folder.file("model only.jpg"), "", "Kamera Y");
    tagged::writeJpeg(folder.file("blank date.jpg"), "    :  :     :  :  ", "");
    tagged::writeJpeg(folder.file("bare.jpg"), "", "");

    const FileFacts a = folder.facts("a.jpg");
    ASSERT_TRUE(a.taken);
    EXPECT_EQ(a.taken, parseExifDateTime("2024:05:17 14:03:22"));
    EXPECT_EQ(a.camera, "Kamera X");
    EXPECT_EQ(a.title, "");
    // A request for tags alone does not look at EXIF.
    EXPECT_FALSE(folder.facts("a.jpg", FactKinds::Tags).taken);

    // Cut before its picture data: the EXIF read before the cut still counts.
    const std::string whole = tagged::readBytes(folder.file("a.jpg"));
    const auto scan = whole.rfind("\xff\xda");
    ASSERT_NE(scan, std::string::npos);
    folder.touch("cut.jpg", whole.substr(0, scan - 20));
    EXPECT_EQ(folder.facts("cut.jpg").taken, a.taken);

    // A PNG whose EXIF lies past the first quarter megabyte.
    tagged::writeJpeg(folder.file("small.png"), "2021:01:02 03:04:05", "", tagged::tinyPng());
    folder.touch("far.png",
                 tagged::withFiller(tagged::readBytes(folder.file("small.png")), 300u << 10));
    for (const char *png : {"small.png", "far.png"}) {
        const auto taken = folder.facts(png).taken;
        ASSERT_TRUE(taken) << png;
        EXPECT_EQ(taken, parseExifDateTime("2021:01:02 03:04:05"));
    }

    EXPECT_FALSE(folder.facts("model only.jpg").taken);
    EXPECT_EQ(folder.facts("model only.jpg").camera, "Kamera Y");
    EXPECT_FALSE(folder.facts("blank date.jpg").taken);
    EXPECT_FALSE(folder.facts("bare.jpg").taken);
    EXPECT_TRUE(folder.facts("bare.jpg").read);
}

TEST(FileFacts, ExifDateTimes) {
    struct Row {
        const char *text;
        std::optional<std::int64_t> seconds;
    };
    const Row rows[] = {
        {"1970:01:01 00:00:00", 0},
        {"2000:03:01 12:30:45", 951913845},
        {"2024:02:29 23:59:59", 1709251199},
        {"2024-02-29T23:59:59", 1709251199},
        {"2024:02:29 23:59:59.123", 1709251199},
        {"2023:02:29 10:00:00", std::nullopt},
        {"2023:13:01 10:00:00", std::nullopt},
        {"2023:04:31 10:00:00", std::nullopt},
        {"2023:04:30 24:00:00", std::nullopt},
        {"0000:00:00 00:00:00", std::nullopt},
        {"    :  :     :  :  ", std::nullopt},
        {"2023:04:30 10:00", std::nullopt},
    };
    for (const Row &row : rows)
        EXPECT_EQ(parseExifDateTime(row.text), row.seconds) << row.text;
}

TEST(FactOrder, TwoDiscsThenTrackUntaggedLast) {
    Folder folder;
    const std::vector<std::string> names = {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3", "f.mp3"};
    tagged::writeMp3(folder.file("a.mp3"), {"A", "", "", 2, "2/2", 0});
    tagged::writeMp3(folder.file("b.mp3"), {"B", "", "", 10, "1/2", 0});
    tagged::writeMp3(folder.file("c.mp3"), {"C", "", "", 1, "2/2", 0});
    tagged::writeMp3(folder.file("d.mp3"), {"D", "", "", 2, "", 0}); // no disc: the first
    folder.touch("e.mp3", tagged::silentMp3());
    folder.touch("f.mp3", "broken");
    FactsCache cache;
    const FactsBatch batch = readFacts(folder.str(), names, factsFor(FactOrder::Track), cache);
    EXPECT_EQ(namesInOrder(names, orderByFacts(names, batch.facts, FactOrder::Track)),
              (std::vector<std::string>{"d.mp3", "b.mp3", "c.mp3", "a.mp3", "e.mp3", "f.mp3"}));
}

// Two cameras whose pictures interleave in time; one picture has no date.
TEST(FactOrder, TwoCamerasByDateTaken) {
    Folder folder;
    const std::vector<std::string> names = {"IMG_10.jpg", "IMG_9.jpg", "DSC_1.jpg", "DSC_2.jpg",
                                            "undated.jpg"};
    tagged::writeJpeg(folder.file("IMG_9.jpg"), "2023:08:01 10:00:00", "Phone");
    tagged::writeJpeg(folder.file("IMG_10.jpg"), "2023:08:01 12:00:00", "Phone");
    tagged::writeJpeg(folder.file("DSC_1.jpg"), "2023:08:01 11:00:00", "Reflex");
    tagged::writeJpeg(folder.file("DSC_2.jpg"), "2023:08:01 12:00:00", "Reflex");
    tagged::writeJpeg(folder.file("undated.jpg"), "", "Reflex");
    FactsCache cache;
    const FactsBatch batch = readFacts(folder.str(), names, factsFor(FactOrder::Taken), cache);
    // The same second on both clocks falls back to the names' natural order.
    EXPECT_EQ(namesInOrder(names, orderByFacts(names, batch.facts, FactOrder::Taken)),
              (std::vector<std::string>{"IMG_9.jpg", "DSC_1.jpg", "DSC_2.jpg", "IMG_10.jpg",
                                        "undated.jpg"}));
}

TEST(FactOrder, ModifiedTimeThenNatural) {
    Folder folder;
    const std::vector<std::string> names = {"x10", "x9", "x2", "gone"};
    for (const auto &[name, seconds] : {std::pair{"x10", 100}, {"x9", 300}, {"x2", 100}}) {
        folder.touch(name);
        const timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, folder.file(name).c_str(), times, 0), 0);
    }
    FactsCache cache;
    const FactsBatch batch = readFacts(folder.str(), names, FactKinds::Stat, cache);
    EXPECT_EQ(cache.size(), 0u); // a time order opens and keeps nothing
    EXPECT_EQ(namesInOrder(names, orderByFacts(names, batch.facts, FactOrder::Modified)),
              (std::vector<std::string>{"x2", "x10", "x9", "gone"}));
}

TEST(FactsCache, KeyedByInodeSizeAndTime) {
    Folder folder;
    const std::vector<std::string> names = {"song.mp3", "photo.jpg"};
    tagged::writeMp3(folder.file("song.mp3"), {"Old", "", "", 1, "", 0});
    tagged::writeJpeg(folder.file("photo.jpg"), "2023:08:01 10:00:00", "Phone");
    FactsCache cache;
    // The first title read, and then again: a row for each name, always.
    const auto firstTitle = [&] {
        const FactsBatch batch = readFacts(folder.str(), names, FactKinds::Tags, cache);
        return batch.facts.size() == names.size() ? batch.facts[0].title : "(rows missing)";
    };
    EXPECT_EQ(firstTitle(), "Old");

    // Same length and time, other content: the cache answers, so the old title comes back.
    struct stat before {};
    ASSERT_EQ(stat(folder.file("song.mp3").c_str(), &before), 0);
    std::string bytes = tagged::readBytes(folder.file("song.mp3"));
    const auto at = bytes.find("Old");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 3, "New");
    folder.touch("song.mp3", bytes);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, folder.file("song.mp3").c_str(), times, 0), 0);
    EXPECT_EQ(firstTitle(), "Old");

    // A later request for photo facts reads those and keeps the tags read before.
    const FactsBatch photos = readFacts(folder.str(), names, FactKinds::Photo, cache);
    ASSERT_EQ(photos.facts.size(), 2u);
    EXPECT_EQ(photos.facts[1].camera, "Phone");
    EXPECT_EQ(firstTitle(), "Old");

    const timespec later[2] = {before.st_atim, {before.st_mtim.tv_sec + 5, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, folder.file("song.mp3").c_str(), later, 0), 0);
    EXPECT_EQ(firstTitle(), "New");
}

TEST(FactsCache, ProgressStopsTheBatch) {
    Folder folder;
    std::vector<std::string> names;
    for (int i = 0; i < 5; ++i) {
        names.push_back(std::to_string(i) + ".mp3");
        tagged::writeMp3(folder.file(names.back()), {"T" + names.back(), "", "", i + 1, "", 0});
    }
    FactsCache cache;
    std::vector<std::size_t> seen;
    const FactsBatch batch =
        readFacts(folder.str(), names, FactKinds::Tags, cache, [&](std::size_t done, std::size_t) {
            seen.push_back(done);
            return done < 2;
        });
    EXPECT_TRUE(batch.stopped);
    EXPECT_EQ(batch.done, 2u);
    EXPECT_EQ(seen, (std::vector<std::size_t>{0, 1, 2}));
    ASSERT_EQ(batch.facts.size(), names.size());
    EXPECT_TRUE(batch.facts[1].read);
    EXPECT_EQ(batch.facts[1].title, "T1.mp3");
    EXPECT_FALSE(batch.facts[2].read);

    EXPECT_EQ(readFacts(folder.str() + "/missing", names, FactKinds::Tags, cache).error, ENOENT);
}

TEST(NameTemplate, FillsFieldsOrNamesTheMissingOne) {
    FileFacts song;
    song.title = "Őszi éj";
    song.artist = "Άλφα";
    song.album = "Ősz";
    song.track = 3;
    song.disc = 2;
    song.year = 1987;
    FileFacts photo;
    photo.taken = *parseExifDateTime("2024:02:09 07:05:03");
    photo.camera = "Reflex";

    struct Row {
        const char *templ;
        const FileFacts &facts;
        std::optional<std::string> name;
        const char *missing;
    };
    const Row rows[] = {
        {"{title}", song, "Őszi éj", ""},
        {"{artist} - {title}", song, "Άλφα - Őszi éj", ""},
        {"{disc}-{track} {album} ({year})", song, "2-03 Ősz (1987)", ""},
        {"{{{track}}}", song, "{03}", ""},
        {"{date}", photo, "2024-02-09", ""},
        {"{date:%Y-%m-%d %H.%M.%S} {camera}", photo, "2024-02-09 07.05.03 Reflex", ""},
        {"{date:%y%j 100%%}", photo, "24040 100%", ""},
        {"{track} {date}", song, std::nullopt, "date"},
        {"{camera} {title}", song, std::nullopt, "camera"},
        {"{title}", photo, std::nullopt, "title"},
        {"{titel}", song, std::nullopt, ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.templ);
        std::string missing = "?";
        EXPECT_EQ(fillTemplate(row.templ, row.facts, &missing), row.name);
        EXPECT_EQ(missing, row.missing);
    }
}

TEST(NameTemplate, BadTemplatesSayWhereAndWhy) {
    using Kind = TemplateError::Kind;
    struct Row {
        const char *templ;
        Kind kind;
        std::size_t offset;
        const char *text;
    };
    const Row rows[] = {
        {"{titel}", Kind::UnknownField, 1, "titel"},
        {"{title:%Y}", Kind::UnknownField, 1, "title:%Y"},
        {"a {}", Kind::UnknownField, 3, ""},
        {"{track} {title", Kind::UnclosedBrace, 8, "{title"},
        {"title}", Kind::StrayBrace, 5, "}"},
        {"{date:%Y %Q}", Kind::BadDateFormat, 9, "%Q"},
        {"{date:%Y%}", Kind::BadDateFormat, 8, "%"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.templ);
        TemplateError error;
        EXPECT_FALSE(NameTemplate::parse(row.templ, &error));
        EXPECT_EQ(error.kind, row.kind);
        EXPECT_EQ(error.offset, row.offset);
        EXPECT_EQ(error.text, row.text);
    }
}

TEST(NameTemplate, FillListsRowsThatLackAField) {
    const auto templ = NameTemplate::parse(ArtistTitleTemplate, nullptr);
    ASSERT_TRUE(templ);
    EXPECT_EQ(templ->needs(), FactKinds::Tags);
    std::vector<FileFacts> rows(3);
    rows[0].artist = "A";
    rows[0].title = "One";
    rows[1].title = "Two";
    rows[2].artist = "C";
    rows[2].title = "Three";
    const TemplateFill fill = fillNames(*templ, rows);
    EXPECT_EQ(fill.names, (std::vector<std::string>{"A - One", "", "C - Three"}));
    ASSERT_EQ(fill.missing.size(), 1u);
    EXPECT_EQ(fill.missing[0].row, 1u);
    EXPECT_EQ(fill.missing[0].field, TemplateField::Artist);
}

// The session keeps facts of every file it met: at most 100 bytes a file, titles included, for
// an album's worth of files sharing artist and album.
TEST(FactsCache, StaysWithinItsBudgetPerFile) {
    FactsCache cache;
    constexpr int Files = 10000;
    for (int i = 0; i < Files; ++i) {
        FileFacts facts;
        facts.title = "Őszi dal " + std::to_string(100000 + i); // 17 bytes, all different
        facts.artist = "Előadó " + std::to_string(i / 12);
        facts.album = "Album " + std::to_string(i / 12);
        facts.track = i % 12 + 1;
        cache.store({static_cast<std::uint64_t>(i), 4000, i * 1000ll}, facts, FactKinds::Tags);
    }
    cache.compact();
    EXPECT_EQ(cache.size(), static_cast<std::size_t>(Files));
    EXPECT_LE(cache.memoryBytes(), 100u * Files);
    const auto back = cache.find({1234, 4000, 1234000}, FactKinds::Tags);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->title, "Őszi dal 101234");
    EXPECT_EQ(back->track, 1234 % 12 + 1);
    EXPECT_FALSE(cache.find({1234, 4000, 1234000}, FactKinds::Photo));
    EXPECT_FALSE(cache.find({1234, 4001, 1234000}, FactKinds::Tags));
}
