#pragma once

#include <string>

namespace filvane {

// Renames entries of one directory without ever replacing an entry that already exists. The
// directory is opened once and every name is taken relative to that descriptor, so a directory
// renamed or replaced while we work cannot redirect the renames elsewhere.
//
// This is the one place that knows the host's rename call: an atomic no-replace rename, and,
// where the file system refuses that flag, a hard link to the new name followed by removing the
// old one (the link fails atomically when the new name exists). Never a check, then a rename.
class NoReplaceRenamer {
public:
    enum class Method {
        NoReplaceFlag,  // the flag while the file system takes it, then the fallback
        LinkThenUnlink, // the fallback from the start, as on a file system refusing the flag
    };

    explicit NoReplaceRenamer(const std::string &directory, Method method = Method::NoReplaceFlag);
    ~NoReplaceRenamer();
    NoReplaceRenamer(const NoReplaceRenamer &) = delete;
    NoReplaceRenamer &operator=(const NoReplaceRenamer &) = delete;

    // 0 once the directory is open, else the errno of opening it.
    int openError() const { return m_openError; }

    // Bare names, no separator. Returns 0 when `from` now bears the name `to`, else an errno:
    // EEXIST when another file has the new name, ENOENT when `from` has gone.
    int rename(const std::string &from, const std::string &to);

private:
    int linkThenUnlink(const char *from, const char *to);
    int renameSameFile(const char *from, const char *to);

    int m_dirFd = -1;
    int m_openError = 0;
    // Set once the file system refused the no-replace flag, so later rows go straight to the
    // fallback instead of paying for a refused call each.
    bool m_flagRefused = false;
};

} // namespace filvane
