#pragma once

#include <cerrno>
#include <string>

namespace filvane {

// Renames entries of one directory without ever replacing an entry that already exists. The
// directory is opened once and every name is taken relative to that descriptor, so a directory
// renamed or replaced while we work cannot redirect the renames elsewhere.
//
// This is the one place that knows the host's rename call: an atomic no-replace rename, and,
// where the file system refuses that flag, a hard link to the new name followed by removing the
// old one (the link fails atomically when the new name exists). Never a check, then a rename.
// Names that must swap go through the atomic exchange where the file system has one.
class NoReplaceRenamer {
public:
    enum class Method {
        NoReplaceFlag,  // the flags while the file system takes them, then the fallbacks
        LinkThenUnlink, // the fallbacks from the start, as on a file system refusing both flags
        NoExchange,     // the no-replace flag, but as on a file system refusing the exchange
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

    // Swaps the names of two entries in one step, so each file is under exactly one name
    // throughout. Returns 0 when done, ExchangeRefused when the file system (or the method)
    // has no such call, else an errno: ENOENT when one of the names has gone.
    int exchange(const std::string &first, const std::string &second);
    static constexpr int ExchangeRefused = EOPNOTSUPP;
    bool exchangeRefused() const { return m_exchangeRefused; }

    // Gives `from` a hidden name that no entry of the directory has, written to `chosen`. The
    // no-replace rename itself claims the name, so a name taken meanwhile only costs a retry.
    int renameToUnusedName(const std::string &from, std::string &chosen);

private:
    int linkThenUnlink(const char *from, const char *to);
    int renameSameFile(const char *from, const char *to);

    int m_dirFd = -1;
    int m_openError = 0;
    // Set once the file system refused the no-replace flag, so later rows go straight to the
    // fallback instead of paying for a refused call each.
    bool m_flagRefused = false;
    bool m_exchangeRefused = false;
    unsigned m_unusedNameCount = 0;
};

} // namespace filvane
