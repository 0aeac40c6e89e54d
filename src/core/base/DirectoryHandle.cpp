#include "core/base/DirectoryHandle.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace filvane {

DirectoryHandle::DirectoryHandle(const std::string &path) : m_dir(opendir(path.c_str())) {
    if (!m_dir)
        m_openError = errno;
}

DirectoryHandle DirectoryHandle::ofDescriptor(int directoryFd) {
    DirectoryHandle handle;
    const int fd = ::openat(directoryFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0 && !(handle.m_dir = ::fdopendir(fd)))
        ::close(fd);
    if (!handle.m_dir)
        handle.m_openError = errno;
    return handle;
}

DirectoryHandle::~DirectoryHandle() {
    if (m_dir)
        closedir(m_dir);
}

const dirent *DirectoryHandle::next() {
    if (!m_dir)
        return nullptr;
    errno = 0;
    const dirent *entry = readdir(m_dir);
    if (!entry)
        m_readError = errno;
    return entry;
}

} // namespace filvane
