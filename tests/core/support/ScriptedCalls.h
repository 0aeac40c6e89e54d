#pragma once

#include "core/drive/NoReplaceRename.h"

#include <functional>
#include <string>
#include <sys/stat.h>
#include <vector>

// The system's directory calls with a script in between: before each call, `before` sees it and
// answers 0 to let it through or an errno to answer instead, and may change the directory
// itself meanwhile (another process's move, made at an exact point). Every call is logged.
class ScriptedCalls : public filvane::DirectoryCalls {
public:
    // Move: a plain rename; Reserve: an exclusive create holding the reservation's marker.
    enum class Kind { Rename, Exchange, Move, Link, Unlink, Create, Reserve, Status };
    struct Call {
        Kind kind;
        std::string from;
        std::string to; // empty for calls with one name
    };

    std::function<int(const Call &)> before;
    // Sees each call's answer once it was made, and may answer otherwise (a call that did its
    // work and says it failed, as a network share's re-sent call does).
    std::function<int(const Call &, int answer)> after;
    std::vector<Call> log;

    // A script that answers `error` to every exchange from the `first`-th on (counted from 1).
    static std::function<int(const Call &)> exchangesFailFrom(int first, int error) {
        return [first, error, exchanges = 0](const Call &call) mutable {
            return call.kind == Kind::Exchange && ++exchanges >= first ? error : 0;
        };
    }

    int count(Kind kind) const {
        int n = 0;
        for (const Call &call : log)
            n += call.kind == kind;
        return n;
    }

    int rename(int dirFd, const char *from, const char *to, RenameMode mode) override {
        const Kind kind = mode == RenameMode::Exchange ? Kind::Exchange
                          : mode == RenameMode::Plain  ? Kind::Move
                                                       : Kind::Rename;
        if (const int error = script({kind, from, to}))
            return error;
        return answer({kind, from, to}, DirectoryCalls::rename(dirFd, from, to, mode));
    }
    int link(int dirFd, const char *from, const char *to) override {
        if (const int error = script({Kind::Link, from, to}))
            return error;
        return answer({Kind::Link, from, to}, DirectoryCalls::link(dirFd, from, to));
    }
    int unlink(int dirFd, const char *name) override {
        if (const int error = script({Kind::Unlink, name, {}}))
            return error;
        return answer({Kind::Unlink, name, {}}, DirectoryCalls::unlink(dirFd, name));
    }
    int create(int dirFd, const char *name) override {
        if (const int error = script({Kind::Create, name, {}}))
            return error;
        return answer({Kind::Create, name, {}}, DirectoryCalls::create(dirFd, name));
    }
    int reserve(int dirFd, const char *name, struct stat &made) override {
        if (const int error = script({Kind::Reserve, name, {}}))
            return error;
        return answer({Kind::Reserve, name, {}}, DirectoryCalls::reserve(dirFd, name, made));
    }
    int status(int dirFd, const char *name, struct stat &st) override {
        if (const int error = script({Kind::Status, name, {}}))
            return error;
        return answer({Kind::Status, name, {}}, DirectoryCalls::status(dirFd, name, st));
    }

private:
    int answer(const Call &call, int result) { return after ? after(call, result) : result; }
    int script(const Call &call) {
        log.push_back(call);
        return before ? before(call) : 0;
    }
};
