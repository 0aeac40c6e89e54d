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
    enum class Kind { Rename, Exchange, Move, Link, Unlink, Create, Status }; // Move: plain rename
    struct Call {
        Kind kind;
        std::string from;
        std::string to; // empty for calls with one name
    };

    std::function<int(const Call &)> before;
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
        return DirectoryCalls::rename(dirFd, from, to, mode);
    }
    int link(int dirFd, const char *from, const char *to) override {
        if (const int error = script({Kind::Link, from, to}))
            return error;
        return DirectoryCalls::link(dirFd, from, to);
    }
    int unlink(int dirFd, const char *name) override {
        if (const int error = script({Kind::Unlink, name, {}}))
            return error;
        return DirectoryCalls::unlink(dirFd, name);
    }
    int create(int dirFd, const char *name) override {
        if (const int error = script({Kind::Create, name, {}}))
            return error;
        return DirectoryCalls::create(dirFd, name);
    }
    int status(int dirFd, const char *name, struct stat &st) override {
        if (const int error = script({Kind::Status, name, {}}))
            return error;
        return DirectoryCalls::status(dirFd, name, st);
    }

private:
    int script(const Call &call) {
        log.push_back(call);
        return before ? before(call) : 0;
    }
};
