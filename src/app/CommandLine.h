#pragma once

// The program's command line, `filvane [FOLDER | FILE...]`, and the same rule for anything else
// that hands the window a set of paths (a drop). Parsing needs no display: main() runs it before
// the QApplication exists, so --help and --version work on a machine without one.

#include <QString>

#include <string>
#include <string_view>
#include <vector>

// Why a set of paths cannot be opened.
enum class OpenProblem {
    None,
    // A path could not be looked at (it does not exist, or a component is no directory...).
    Missing,
    // Files of more than one folder, two folders, or a folder together with files.
    NotOneFolder,
};

// What the main window is asked to open. Paths are bytes, as the file system holds them.
struct OpenRequest {
    enum class Kind { Nothing, Folder, Files };
    Kind kind = Kind::Nothing;
    // Absolute, without symbolic links (Folder and Files).
    std::string folder;
    // Bare names inside `folder`, in the order given, each once (Files only).
    std::vector<std::string> files;

    OpenProblem problem = OpenProblem::None;
    // The path at fault and the errno of looking at it (Missing), for the message.
    std::string problemPath;
    int problemErrno = 0;
};

// One folder, or files that all lie in one folder. Relative paths are taken from the current
// directory. Any path that cannot be looked at gives Missing; a set that is not one folder gives
// NotOneFolder; both leave the request at Nothing. No paths at all gives Nothing without a problem.
OpenRequest requestFromPaths(const std::vector<std::string> &paths);

// The problem in words, for the terminal or a message box; empty when there is none.
QString openProblemText(const OpenRequest &request);

// What main() does with its command line.
struct CommandLineOutcome {
    // Print and end with `exitCode` without opening a window (help, version, bad usage).
    bool exitNow = false;
    int exitCode = 0;
    QString standardOutput;
    QString standardError;
    // Otherwise: open the window with this. A NotOneFolder problem still opens it, empty, and
    // its text is in standardError too.
    OpenRequest request;
};

// `arguments` is argv as bytes, program name first. An unknown option or a path that cannot be
// looked at ends with exit code 2; --help and --version print on standard output and end with 0.
// Needs a QCoreApplication only for the program name in the usage line.
CommandLineOutcome parseCommandLine(const std::vector<std::string> &arguments);

// The version the program reports.
QString programVersion();
