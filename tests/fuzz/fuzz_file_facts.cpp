// Feeds readFileFacts damaged copies of tagged files made here: bits flipped, cut short, length
// fields set to huge values, blocks repeated. Under the sanitizer build any memory fault stops
// the run; a file that takes longer than the parse deadline allows fails it.
//
//     filvane_fuzz_file_facts [ITERATIONS [SEED]]
//
// The same seed gives the same cases, so a failure is replayed by running it again.
#include "core/facts/FileFacts.h"

#include "../core/support/TaggedFiles.h"
#include "../core/support/TempDir.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

struct Seed {
    std::string extension;
    std::string bytes;
};

std::vector<Seed> makeSeeds(const TempDir &dir) {
    std::vector<Seed> seeds;
    const tagged::AudioTags tags{"Őszi éj", "Άλφα", "Album", 3, "2/2", 1999};
    tagged::writeMp3(dir.file("seed.mp3"), tags);
    seeds.push_back({".mp3", tagged::readBytes(dir.file("seed.mp3"))});
    tagged::writeFlac(dir.file("seed.flac"), tags);
    seeds.push_back({".flac", tagged::readBytes(dir.file("seed.flac"))});
    tagged::writeJpeg(dir.file("seed.jpg"), "2024:05:17 14:03:22", "Kamera");
    seeds.push_back({".jpg", tagged::readBytes(dir.file("seed.jpg"))});
    tagged::writeJpeg(dir.file("seed.png"), "2024:05:17 14:03:22", "Kamera", tagged::tinyPng());
    seeds.push_back({".png", tagged::readBytes(dir.file("seed.png"))});
    return seeds;
}

std::string mutated(std::string bytes, std::mt19937 &random) {
    const auto below = [&](std::size_t n) {
        return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    const int edits = 1 + static_cast<int>(below(4));
    for (int e = 0; e < edits && !bytes.empty(); ++e) {
        switch (below(5)) {
        case 0: // flip a few bits
            for (std::size_t i = 0, n = 1 + below(8); i < n; ++i)
                bytes[below(bytes.size())] ^= static_cast<char>(1u << below(8));
            break;
        case 1: // cut short
            bytes.resize(below(bytes.size()));
            break;
        case 2: { // a length or offset field made huge
            static const char *huge[] = {"\xff\xff\xff\xff", "\x7f\xff\xff\xff", "\x80\x00\x00\x00",
                                         "\x7f\x7f\x7f\x7f", "\x00\x00\x00\x00"};
            const std::size_t at = below(bytes.size());
            bytes.replace(at, std::min<std::size_t>(4, bytes.size() - at), huge[below(5)], 4);
            break;
        }
        case 3: { // a block repeated, as nested or looping structures would be
            const std::size_t at = below(bytes.size());
            const std::size_t length = std::min<std::size_t>(1 + below(64), bytes.size() - at);
            bytes.insert(below(bytes.size()), bytes.substr(at, length));
            break;
        }
        default: // random bytes
            for (std::size_t i = 0, n = 1 + below(16); i < n; ++i)
                bytes[below(bytes.size())] = static_cast<char>(below(256));
            break;
        }
    }
    return bytes;
}

} // namespace

int main(int argc, char **argv) {
    const int iterations = argc > 1 ? std::atoi(argv[1]) : 2000;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 20240517u;
    TempDir dir;
    const std::vector<Seed> seeds = makeSeeds(dir);
    const int dirFd = open(dir.str().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        std::perror("open");
        return 1;
    }
    std::mt19937 random(seed);
    int withFacts = 0;
    double slowestMs = 0;
    for (int i = 0; i < iterations; ++i) {
        const Seed &from = seeds[static_cast<std::size_t>(i) % seeds.size()];
        // Now and then under another type's extension, so detection by content is fuzzed too.
        const Seed &named = random() % 8 == 0 ? seeds[random() % seeds.size()] : from;
        const std::string name = "case" + named.extension;
        tagged::writeBytes(dir.file(name), mutated(from.bytes, random));
        const auto start = std::chrono::steady_clock::now();
        const filvane::FileFacts facts =
            filvane::readFileFacts(dirFd, name.c_str(), filvane::FactKinds::All);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        slowestMs = std::max(slowestMs, ms);
        if (!facts.read || ms > 5000) {
            std::fprintf(stderr, "case %d (seed %u): %s\n", i, seed,
                         facts.read ? "too slow" : "not read");
            close(dirFd);
            return 1;
        }
        withFacts += !facts.title.empty() || facts.taken.has_value();
    }
    close(dirFd);
    std::printf("%d damaged files read, %d still with facts, slowest %.1f ms\n", iterations,
                withFacts, slowestMs);
    return 0;
}
