// Reading titles of 10,000 tagged MP3s and dates of 10,000 JPEGs through the core, beside a
// plain TagLib / Exiv2 loop over the same files in the same run. Each iteration runs the plain
// loop and then the core's batch on a fresh cache, so both see the same warm page cache; the
// ratio of their medians is printed, with the cache's bytes per file.
#include "core/facts/FactsCache.h"

#include "../../tests/core/support/TaggedFiles.h"
#include "../support/BenchFolder.h"
#include "../support/BenchTimer.h"

#include <benchmark/benchmark.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int FileCount = 10000;

// Titles and dates differ from file to file, at a fixed width so one tagged file serves as the
// pattern for all: its placeholder is overwritten in place.
struct Files {
    BenchFolder folder{BenchFolder::defaultBase(), 0, [](int) { return std::string(); }};
    std::vector<std::string> mp3s, jpegs;

    Files() {
        const std::string mp3Pattern = folder.path() + "/pattern.mp3";
        tagged::writeMp3(mp3Pattern, {"Őszi dal 00000", "Előadó", "Album", 1, "1/1", 2020});
        const std::string mp3 = tagged::readBytes(mp3Pattern);
        const std::string jpegPattern = folder.path() + "/pattern.jpeg";
        tagged::writeJpeg(jpegPattern, "2023:01:01 00:00:00", "Kamera");
        const std::string jpeg = tagged::readBytes(jpegPattern);
        std::remove(mp3Pattern.c_str());
        std::remove(jpegPattern.c_str());
        for (int i = 0; i < FileCount; ++i) {
            char number[8], time[16];
            std::snprintf(number, sizeof number, "%05d", i);
            std::snprintf(time, sizeof time, "%02d:%02d:%02d", i / 3600 % 24, i / 60 % 60, i % 60);
            std::string bytes = mp3;
            bytes.replace(bytes.find("00000"), 5, number);
            mp3s.push_back(std::string("Track ") + number + ".mp3");
            tagged::writeBytes(folder.path() + "/" + mp3s.back(), bytes);
            bytes = jpeg;
            bytes.replace(bytes.find("00:00:00"), 8, time);
            jpegs.push_back(std::string("IMG_") + number + ".jpg");
            tagged::writeBytes(folder.path() + "/" + jpegs.back(), bytes);
        }
    }
};

const Files &files() {
    static const Files instance;
    return instance;
}

// The plain loops: what a program that trusts its files would write.
std::size_t plainTitles(const Files &f) {
    std::size_t found = 0;
    for (const std::string &name : f.mp3s) {
        const TagLib::FileRef file((f.folder.path() + "/" + name).c_str(), false);
        if (!file.isNull() && file.tag() && !file.tag()->title().to8Bit(true).empty())
            ++found;
    }
    return found;
}

std::size_t plainDates(const Files &f) {
    std::size_t found = 0;
    const Exiv2::ExifKey key("Exif.Photo.DateTimeOriginal");
    for (const std::string &name : f.jpegs) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        auto image = Exiv2::ImageFactory::open(f.folder.path() + "/" + name);
#pragma GCC diagnostic pop
        image->readMetadata();
        const auto date = image->exifData().findKey(key);
        if (date != image->exifData().end() && !date->toString().empty())
            ++found;
    }
    return found;
}

std::size_t coreFacts(const Files &f, const std::vector<std::string> &names,
                      filvane::FactKinds kinds, filvane::FactsCache &cache) {
    const filvane::FactsBatch batch = filvane::readFacts(f.folder.path(), names, kinds, cache);
    std::size_t found = 0;
    for (const filvane::FileFacts &facts : batch.facts)
        found += !facts.title.empty() || facts.taken.has_value();
    return found;
}

template <typename Plain>
void compare(benchmark::State &state, const std::vector<std::string> &names,
             filvane::FactKinds kinds, Plain plain) {
    const Files &f = files();
    bench::Samples plainTimes, coreTimes;
    std::size_t cacheBytes = 0;
    for (auto _ : state) {
        const bench::Stopwatch plainClock;
        const std::size_t plainFound = plain(f);
        plainTimes.add(plainClock.ms());

        filvane::FactsCache cache;
        const bench::Stopwatch coreClock;
        const std::size_t coreFound = coreFacts(f, names, kinds, cache);
        const double ms = coreClock.ms();
        coreTimes.add(ms);
        state.SetIterationTime(ms / 1000);
        cacheBytes = cache.memoryBytes();
        if (plainFound != names.size() || coreFound != names.size())
            state.SkipWithError("a file's fact was not found");
    }
    state.counters["plain_ms"] = plainTimes.median();
    state.counters["core_ms"] = coreTimes.median();
    state.counters["ratio"] = coreTimes.median() / plainTimes.median();
    state.counters["cache_bytes_per_file"] = static_cast<double>(cacheBytes) / names.size();
}

void BM_TitlesOf10000Mp3s(benchmark::State &state) {
    compare(state, files().mp3s, filvane::FactKinds::Tags, plainTitles);
}
BENCHMARK(BM_TitlesOf10000Mp3s)->UseManualTime()->Iterations(7)->Unit(benchmark::kMillisecond);

void BM_DatesOf10000Jpegs(benchmark::State &state) {
    compare(state, files().jpegs, filvane::FactKinds::Photo, plainDates);
}
BENCHMARK(BM_DatesOf10000Jpegs)->UseManualTime()->Iterations(7)->Unit(benchmark::kMillisecond);

// A second listing of the same folder: every file answered from the cache.
void BM_TitlesOf10000Mp3sCached(benchmark::State &state) {
    const Files &f = files();
    filvane::FactsCache cache;
    coreFacts(f, f.mp3s, filvane::FactKinds::Tags, cache);
    for (auto _ : state)
        benchmark::DoNotOptimize(coreFacts(f, f.mp3s, filvane::FactKinds::Tags, cache));
    state.counters["cache_bytes_per_file"] =
        static_cast<double>(cache.memoryBytes()) / f.mp3s.size();
}
BENCHMARK(BM_TitlesOf10000Mp3sCached)->Unit(benchmark::kMillisecond);

} // namespace
