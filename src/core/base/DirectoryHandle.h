#pragma once

#include <dirent.h>
#include <string>
#include <utility>

namespace filvane {

// An open directory stream, closed when the object goes, so no early return leaks one.
class DirectoryHandle {
public:
    explicit DirectoryHandle(const std::string &path);
    // The directory open at `directoryFd`, read through a descriptor of its own (the given one
    // stays open and untouched).
    static DirectoryHandle ofDescriptor(int directoryFd);
    ~DirectoryHandle();
    DirectoryHandle(const DirectoryHandle &) = delete;
    DirectoryHandle &operator=(const DirectoryHandle &) = delete;
    DirectoryHandle(DirectoryHandle &&other) noexcept
        : m_dir(std::exchange(other.m_dir, nullptr)), m_openError(other.m_openError),
          m_readError(other.m_readError) {}
    DirectoryHandle &operator=(DirectoryHandle &&) = delete;

    bool isOpen() const { return m_dir != nullptr; }
    // 0 once open, else the errno of opening it.
    int openError() const { return m_openError; }
    DIR *get() const { return m_dir; }

    // The next entry, or null at the end and on a read error; readError() tells them apart.
    // readdir reports its failure only through errno, which other calls made between two
    // reads may set (a link lookup on a dangling link): it is cleared before each read.
    const dirent *next();
    int readError() const { return m_readError; }

private:
    DirectoryHandle() = default;

    DIR *m_dir = nullptr;
    int m_openError = 0;
    int m_readError = 0;
};

} // namespace filvane
