#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

// A real temporary directory, removed with everything in it when the test ends.
class TempDir {
public:
    TempDir() : TempDir(std::filesystem::temp_directory_path()) {}
    // Under `parent` (a drive mounted for a test) instead of the system's temporary folder.
    explicit TempDir(const std::filesystem::path &parent) {
        std::string pattern = (parent / "filvane-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        m_path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::filesystem::path &path() const { return m_path; }
    std::string str() const { return m_path.string(); }
    std::string file(const std::string &name) const { return (m_path / name).string(); }

    void touch(const std::string &name, const std::string &content = {}) const {
        std::ofstream(m_path / name, std::ios::binary) << content;
    }
    std::string read(const std::string &name) const {
        std::ifstream in(m_path / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    bool exists(const std::string &name) const {
        std::error_code ignored;
        return std::filesystem::exists(std::filesystem::symlink_status(m_path / name, ignored));
    }

private:
    std::filesystem::path m_path;
};
