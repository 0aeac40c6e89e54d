#include "app/CommandLine.h"

#include <QCommandLineParser>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <sys/stat.h>

namespace {

const QString ProgramName = QStringLiteral("filvane");

QString fromBytes(const std::string &bytes) {
    return QString::fromLocal8Bit(bytes.data(), qsizetype(bytes.size()));
}

// The absolute path without symbolic links, or the errno of finding it.
std::string canonicalPath(const std::string &path, int &error) {
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) {
        error = errno;
        return {};
    }
    return resolved;
}

struct PathParts {
    std::string parent;
    std::string name;
};

// A path to something that is not a directory, split at its last "/".
PathParts splitPath(const std::string &path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

OpenRequest problem(OpenProblem kind, const std::string &path, int error = 0) {
    OpenRequest request;
    request.problem = kind;
    request.problemPath = path;
    request.problemErrno = error;
    return request;
}

// The arguments QCommandLineParser takes as positional, read from the raw bytes by its rules:
// everything after "--", a lone "-", and whatever does not start with "-". No option of ours
// takes a value, so no other argument is consumed.
std::vector<std::string> positionalBytes(const std::vector<std::string> &arguments) {
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string &argument = arguments[i];
        if (!optionsEnded && argument == "--")
            optionsEnded = true;
        else if (optionsEnded || argument == "-" || argument.empty() || argument[0] != '-')
            positional.push_back(argument);
    }
    return positional;
}

QString usageText(const QCommandLineParser &parser) {
    // The parser names the program by how it was started (or not at all before the
    // application object exists); the usage line names the command the user types.
    QString text = parser.helpText();
    const auto lineEnd = text.indexOf(QLatin1Char('\n'));
    const QString firstLine = text.left(lineEnd);
    const auto options = firstLine.indexOf(QLatin1String(" [options]"));
    if (firstLine.startsWith(QLatin1String("Usage: ")) && options > 0)
        text.replace(0, options, QLatin1String("Usage: ") + ProgramName);
    return text;
}

// The options the program takes. Our own rather than the parser's: its help option also offers
// Qt's options, which this command line does not take.
struct ProgramOptions {
    const QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help and exits.")};
    const QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays the version and exits.")};
};

void describeCommandLine(QCommandLineParser &parser, const ProgramOptions &options) {
    parser.setApplicationDescription(
        QStringLiteral("Renames a batch of files in one directory in one go: lists them numbered "
                       "and gives each the name typed beside it."));
    parser.addOption(options.help);
    parser.addOption(options.version);
    parser.addPositionalArgument(
        QStringLiteral("paths"),
        QStringLiteral("A folder to list by \"*.*\", or files of one folder to list exactly."),
        QStringLiteral("[FOLDER | FILE...]"));
}

QStringList decodedArguments(const std::vector<std::string> &arguments) {
    QStringList decoded;
    for (const std::string &argument : arguments)
        decoded << fromBytes(argument);
    if (decoded.isEmpty())
        decoded << ProgramName;
    return decoded;
}

CommandLineOutcome exitNow(int exitCode, const QString &standardOutput,
                           const QString &standardError) {
    CommandLineOutcome outcome;
    outcome.exitNow = true;
    outcome.exitCode = exitCode;
    outcome.standardOutput = standardOutput;
    outcome.standardError = standardError;
    return outcome;
}

// The paths given, as the bytes they were given in.
std::vector<std::string> givenPaths(const std::vector<std::string> &arguments,
                                    const QCommandLineParser &parser) {
    std::vector<std::string> paths = positionalBytes(arguments);
    if (paths.size() != std::size_t(parser.positionalArguments().size())) {
        // Cannot happen while the rules above match the parser's; the decoded text is then
        // the best there is.
        paths.clear();
        for (const QString &path : parser.positionalArguments())
            paths.push_back(path.toLocal8Bit().toStdString());
    }
    return paths;
}

// Opens the window with the request; a path that cannot be looked at ends the program instead.
CommandLineOutcome openOutcome(OpenRequest request) {
    CommandLineOutcome outcome;
    outcome.request = std::move(request);
    if (outcome.request.problem != OpenProblem::None)
        outcome.standardError =
            QStringLiteral("%1: %2\n").arg(ProgramName, openProblemText(outcome.request));
    if (outcome.request.problem == OpenProblem::Missing) {
        outcome.exitNow = true;
        outcome.exitCode = 2;
    }
    return outcome;
}

} // namespace

OpenRequest requestFromPaths(const std::vector<std::string> &paths) {
    // Every path is looked at before any is compared, so a missing one is what gets reported.
    struct Entry {
        const std::string *path;
        bool directory;
        std::string folder; // the directory itself, or the one holding the file
    };
    std::vector<Entry> entries;
    for (const std::string &path : paths) {
        struct stat status {};
        int error = 0;
        // A dangling symbolic link is still a name in its folder, so it counts as a file.
        if (::stat(path.c_str(), &status) != 0) {
            error = errno;
            if (path.empty() || ::lstat(path.c_str(), &status) != 0)
                return problem(OpenProblem::Missing, path, error);
        }
        const bool directory = S_ISDIR(status.st_mode);
        const std::string folder = canonicalPath(directory ? path : splitPath(path).parent, error);
        if (folder.empty())
            return problem(OpenProblem::Missing, path, error);
        entries.push_back({&path, directory, folder});
    }

    OpenRequest request;
    if (entries.empty())
        return request;
    const Entry &first = entries.front();
    for (const Entry &entry : entries) {
        // The same folder given twice is still one folder.
        if (entry.directory != first.directory || entry.folder != first.folder)
            return problem(OpenProblem::NotOneFolder, *entry.path);
        const std::string name = splitPath(*entry.path).name;
        if (!entry.directory &&
            std::find(request.files.begin(), request.files.end(), name) == request.files.end())
            request.files.push_back(name);
    }
    request.kind = first.directory ? OpenRequest::Kind::Folder : OpenRequest::Kind::Files;
    request.folder = first.folder;
    return request;
}

QString openProblemText(const OpenRequest &request) {
    switch (request.problem) {
    case OpenProblem::None:
        return {};
    case OpenProblem::Missing:
        return QStringLiteral("cannot open '%1': %2")
            .arg(fromBytes(request.problemPath),
                 QString::fromLocal8Bit(std::strerror(request.problemErrno)));
    case OpenProblem::NotOneFolder:
        return QStringLiteral("'%1' is not in the same folder as the paths before it; give one "
                              "folder, or files of one folder")
            .arg(fromBytes(request.problemPath));
    }
    return {};
}

QString programVersion() {
    return QStringLiteral(FILVANE_VERSION);
}

CommandLineOutcome parseCommandLine(const std::vector<std::string> &arguments) {
    QCommandLineParser parser;
    const ProgramOptions options;
    describeCommandLine(parser, options);
    if (!parser.parse(decodedArguments(arguments)))
        return exitNow(2, {},
                       QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
                           .arg(ProgramName, parser.errorText()));
    if (parser.isSet(options.help))
        return exitNow(0, usageText(parser), {});
    if (parser.isSet(options.version))
        return exitNow(0, ProgramName + QLatin1Char(' ') + programVersion() + QLatin1Char('\n'),
                       {});
    return openOutcome(requestFromPaths(givenPaths(arguments, parser)));
}
