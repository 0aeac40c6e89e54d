#pragma once

#include "ScriptedCalls.h"
#include "TempDir.h"
#include "core/journal/RunJournal.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <sys/wait.h>
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

// Whether a call counts as a change of the folder for killedDuring: every call but a look.
inline bool changesTheFolder(const ScriptedCalls::Call &call) {
    return call.kind != ScriptedCalls::Kind::Status;
}

// A child process runs `work` with calls that kill it, as a crash would, at the `killAt`-th
// call that `counts` (from 0), and that refuse the `refuseAt`-th one with EIO (none when
// negative). True when it was killed so.
inline bool killedDuring(int killAt, const std::function<void(filvane::DirectoryCalls *)> &work,
                         int refuseAt = -1,
                         bool (*counts)(const ScriptedCalls::Call &) = changesTheFolder) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ScriptedCalls calls;
        int changes = 0;
        calls.before = [&](const ScriptedCalls::Call &call) {
            if (!counts(call))
                return 0;
            if (changes == killAt)
                ::kill(::getpid(), SIGKILL);
            return changes++ == refuseAt ? EIO : 0;
        };
        work(&calls);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}
