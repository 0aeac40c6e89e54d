#pragma once

#include "TempDir.h"
#include "core/journal/RunJournal.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

// HOME and XDG_STATE_HOME in a temporary folder while a test runs, so journals go there.
class JournalHome {
public:
    JournalHome() {
        for (const char *name : {"HOME", "XDG_STATE_HOME"}) {
            const char *value = std::getenv(name);
            m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        ::setenv("HOME", m_dir.str().c_str(), 1);
        ::setenv("XDG_STATE_HOME", m_dir.file("state").c_str(), 1);
    }
    ~JournalHome() {
        for (const auto &[name, value] : m_saved) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }
    const TempDir &dir() const { return m_dir; }
    std::string journals() const { return filvane::defaultJournalDirectory(); }

private:
    TempDir m_dir;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

// A folder on tmpfs (/dev/shm where there is one), for the tests of many files: made and
// removed by the test, like TempDir.
class MemoryDir {
public:
    MemoryDir() {
        std::error_code ignored;
        const bool shm =
            std::filesystem::is_directory("/dev/shm", ignored) && ::access("/dev/shm", W_OK) == 0;
        std::string pattern =
            (shm ? std::string("/dev/shm") : std::filesystem::temp_directory_path().string()) +
            "/filvane-XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        m_path = pattern;
    }
    ~MemoryDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    MemoryDir(const MemoryDir &) = delete;
    MemoryDir &operator=(const MemoryDir &) = delete;
    std::string str() const { return m_path; }
    std::string file(const std::string &name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};
