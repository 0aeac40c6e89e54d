#pragma once

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

// A folder of `count` empty files, half of them "*.mp3" and half "*.txt", with names in no
// particular order; removed when the object goes. FILVANE_BENCH_DIR chooses where it is made.
class BenchFolder {
public:
    explicit BenchFolder(int count) {
        const char *base = std::getenv("FILVANE_BENCH_DIR");
        std::string pattern = std::string(base ? base : "/var/tmp") + "/filvane-bench-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        m_path = pattern;
        for (int i = 0; i < count; ++i) {
            // Scatter the numbers so the directory's order is not already sorted.
            const unsigned scrambled = (static_cast<unsigned>(i) * 40503u) % 100003u;
            const std::string name =
                "Track " + std::to_string(scrambled) + (i % 2 == 0 ? ".mp3" : ".txt");
            const int fd = open((m_path + "/" + name).c_str(), O_CREAT | O_WRONLY, 0644);
            if (fd < 0) {
                std::perror("open");
                std::exit(1);
            }
            close(fd);
        }
    }
    ~BenchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    BenchFolder(const BenchFolder &) = delete;
    BenchFolder &operator=(const BenchFolder &) = delete;

    const std::string &path() const { return m_path; }

private:
    std::string m_path;
};
