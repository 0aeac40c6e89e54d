#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>

// HOME and the XDG folders pointed at a temporary folder while the benchmark runs (and in the
// processes it starts), so nothing the program remembers, settings or run journals, is read
// from or written to a real home.
class BenchHome {
public:
    BenchHome() {
        std::string pattern = "/tmp/filvane-bench-home-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        m_path = pattern;
        setenv("HOME", m_path.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_path + "/.config").c_str(), 1);
        setenv("XDG_DATA_HOME", (m_path + "/.local/share").c_str(), 1);
        setenv("XDG_STATE_HOME", (m_path + "/.local/state").c_str(), 1);
        setenv("XDG_CACHE_HOME", (m_path + "/.cache").c_str(), 1);
        const std::string runtime = m_path + "/runtime";
        if (mkdir(runtime.c_str(), 0700) == 0)
            setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    ~BenchHome() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    BenchHome(const BenchHome &) = delete;
    BenchHome &operator=(const BenchHome &) = delete;

private:
    std::string m_path;
};
