#include "core/DirectoryHandle.h"

#include <cerrno>

namespace filvane {

DirectoryHandle::DirectoryHandle(const std::string &path) : m_dir(opendir(path.c_str())) {
    if (!m_dir)
        m_openError = errno;
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
