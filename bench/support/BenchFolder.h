#pragma once

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

// A folder of empty files made for one benchmark and removed when the object goes. Every
// benchmark that needs files makes them here, so a folder of N files means the same everywhere.
class BenchFolder {
public:
    // "Track 2654435761.mp3", "Track 1013904226.txt", ...: `count` files, every other one
    // "*.mp3", with numbers scattered so the directory's order is not already sorted. The
    // scattering is a bijection on 32 bits, so no two files share a name at any count. The
    // folder is made under FILVANE_BENCH_DIR (default /var/tmp).
    explicit BenchFolder(int count) : BenchFolder(defaultBase(), count, trackName) {}

    // `count` files named name(0) ... name(count - 1) under `base` (/var/tmp, /dev/shm ...).
    template <typename NameOf>
    BenchFolder(const std::string &base, int count, NameOf name) : m_path(makeDirectory(base)) {
        const int directory = open(m_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (directory < 0)
            fail("open", m_path);
        for (int i = 0; i < count; ++i) {
            const std::string file = name(i);
            const int fd =
                openat(directory, file.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
            if (fd < 0) {
                std::perror(("create " + file).c_str());
                std::error_code ignored;
                std::filesystem::remove_all(m_path, ignored);
                std::exit(1);
            }
            close(fd);
        }
        close(directory);
    }
    ~BenchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    BenchFolder(const BenchFolder &) = delete;
    BenchFolder &operator=(const BenchFolder &) = delete;

    const std::string &path() const { return m_path; }

    static std::string defaultBase() {
        const char *base = std::getenv("FILVANE_BENCH_DIR");
        return base && *base ? base : "/var/tmp";
    }
    static std::string trackName(int i) {
        const unsigned scattered = static_cast<unsigned>(i) * 2654435761u;
        return "Track " + std::to_string(scattered) + (i % 2 == 0 ? ".mp3" : ".txt");
    }

private:
    static std::string makeDirectory(const std::string &base) {
        std::string pattern = base + "/filvane-bench-XXXXXX";
        if (!mkdtemp(pattern.data()))
            fail("mkdtemp", pattern);
        return pattern;
    }
    [[noreturn]] static void fail(const char *what, const std::string &name) {
        std::perror((std::string(what) + " " + name).c_str());
        std::exit(1);
    }

    std::string m_path;
};
