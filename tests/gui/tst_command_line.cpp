#include "GuiTestSupport.h"
#include "app/CommandLine.h"
#include "app/Filvane.h"
#include "app/Startup.h"
#include "app/Windows.h"
#include "core/lists/NameLists.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QScopeGuard>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void answersWithoutADisplay_data();
    void answersWithoutADisplay();
    void pathsMakeOneRequest_data();
    void pathsMakeOneRequest();
    void namesAreBytes();
    void windowOpensTheRequest();

private:
    std::string bytes(const QString &relative) const {
        return QFile::encodeName(m_dir->filePath(relative)).toStdString();
    }
    std::unique_ptr<QTemporaryDir> m_dir;
    // The temporary folder as the file system names it, links resolved (/tmp may be one).
    QString m_root;
};

void CommandLineTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_root = QDir(m_dir->path()).canonicalPath();
    QVERIFY(QDir(m_root).mkpath(QStringLiteral("album")));
    QVERIFY(QDir(m_root).mkpath(QStringLiteral("other")));
    for (const char *name : {"album/a.mp3", "album/b.mp3", "album/c.txt", "other/c.mp3"})
        QVERIFY(testsupport::writeFile(m_dir->filePath(QString::fromLatin1(name))));
    QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("album")),
                        m_dir->filePath(QStringLiteral("link"))));
    QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("album/none")),
                        m_dir->filePath(QStringLiteral("album/gone"))));
}

void CommandLineTest::answersWithoutADisplay_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("error");
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "Usage: filvane [options] [FOLDER"
                            << "";
    QTest::newRow("-h beside a path") << QStringList{"/no/such", "-h"} << 0 << "Usage: filvane"
                                      << "";
    QTest::newRow("--version") << QStringList{"--version"} << 0 << "filvane 1.1.2\n"
                               << "";
    QTest::newRow("-v") << QStringList{"-v"} << 0 << "filvane 1.1.2\n"
                        << "";
    QTest::newRow("unknown option") << QStringList{"--shuffle"} << 2 << ""
                                    << "filvane: Unknown option 'shuffle'.";
    QTest::newRow("missing path") << QStringList{"/no/such/folder"} << 2 << ""
                                  << "filvane: cannot open '/no/such/folder': No such file";
    QTest::newRow("missing among files") << QStringList{"ALBUM/a.mp3", "ALBUM/none.mp3"} << 2 << ""
                                         << "filvane: cannot open 'ALBUM/none.mp3': No such file";
}

// Started as a user would on a terminal with no display: a window would need one and abort.
void CommandLineTest::answersWithoutADisplay() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, error);
    arguments.replaceInStrings(QStringLiteral("ALBUM"), m_root + QStringLiteral("/album"));
    error.replace(QStringLiteral("ALBUM"), m_root + QStringLiteral("/album"));
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(FILVANE_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(20000));
    const QString standardOutput = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString standardError = QString::fromLocal8Bit(program.readAllStandardError());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    if (output.isEmpty())
        QCOMPARE(standardOutput, QString());
    else
        QVERIFY2(standardOutput.startsWith(output), qPrintable(standardOutput));
    if (error.isEmpty())
        QCOMPARE(standardError, QString());
    else
        QVERIFY2(standardError.startsWith(error), qPrintable(standardError));
}

void CommandLineTest::pathsMakeOneRequest_data() {
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("problem");
    QTest::addColumn<QString>("problemPath");
    QTest::addColumn<int>("problemErrno");
    const int nothing = int(OpenRequest::Kind::Nothing);
    const int folder = int(OpenRequest::Kind::Folder);
    const int files = int(OpenRequest::Kind::Files);
    const int none = int(OpenProblem::None);
    const int missing = int(OpenProblem::Missing);
    const int notOne = int(OpenProblem::NotOneFolder);
    // Paths starting with "/" are taken inside the temporary folder; others from it as the
    // current directory.
    QTest::newRow("nothing") << QStringList{} << nothing << "" << QStringList{} << none << "" << 0;
    QTest::newRow("a folder") << QStringList{"/album"} << folder << "album" << QStringList{} << none
                              << "" << 0;
    QTest::newRow("a folder by a link, relative")
        << QStringList{"link/"} << folder << "album" << QStringList{} << none << "" << 0;
    QTest::newRow("one folder twice") << QStringList{"/album", "link/../album/."} << folder
                                      << "album" << QStringList{} << none << "" << 0;
    QTest::newRow("files of one folder, each once")
        << QStringList{"/album/b.mp3", "album/a.mp3", "./link/b.mp3", "album//c.txt"} << files
        << "album" << QStringList{"b.mp3", "a.mp3", "c.txt"} << none << "" << 0;
    QTest::newRow("a dangling link is a file")
        << QStringList{"album/gone"} << files << "album" << QStringList{"gone"} << none << "" << 0;
    QTest::newRow("files of two folders") << QStringList{"album/a.mp3", "other/c.mp3"} << nothing
                                          << "" << QStringList{} << notOne << "other/c.mp3" << 0;
    QTest::newRow("a folder and its file") << QStringList{"album", "album/a.mp3"} << nothing << ""
                                           << QStringList{} << notOne << "album/a.mp3" << 0;
    QTest::newRow("a file and a folder") << QStringList{"album/a.mp3", "album"} << nothing << ""
                                         << QStringList{} << notOne << "album" << 0;
    QTest::newRow("two folders") << QStringList{"album", "other"} << nothing << "" << QStringList{}
                                 << notOne << "other" << 0;
    QTest::newRow("a missing path wins over the mix")
        << QStringList{"album/a.mp3", "other/c.mp3", "album/x.mp3"} << nothing << ""
        << QStringList{} << missing << "album/x.mp3" << ENOENT;
    QTest::newRow("a file taken for a folder")
        << QStringList{"album/a.mp3/"} << nothing << "" << QStringList{} << missing
        << "album/a.mp3/" << ENOTDIR;
    QTest::newRow("an empty path")
        << QStringList{""} << nothing << "" << QStringList{} << missing << "" << ENOENT;
}

void CommandLineTest::pathsMakeOneRequest() {
    QFETCH(QStringList, paths);
    QFETCH(int, kind);
    QFETCH(QString, folder);
    QFETCH(QStringList, files);
    QFETCH(int, problem);
    QFETCH(QString, problemPath);
    QFETCH(int, problemErrno);
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    std::vector<std::string> arguments;
    for (const QString &path : paths)
        arguments.push_back(
            QFile::encodeName(path.startsWith('/') ? m_dir->path() + path : path).toStdString());
    const OpenRequest request = requestFromPaths(arguments);
    QDir::setCurrent(previous);

    QCOMPARE(int(request.kind), kind);
    QCOMPARE(QString::fromStdString(request.folder),
             folder.isEmpty() ? QString() : m_root + '/' + folder);
    QStringList got;
    for (const std::string &name : request.files)
        got << QString::fromStdString(name);
    QCOMPARE(got, files);
    QCOMPARE(int(request.problem), problem);
    QCOMPARE(QString::fromStdString(request.problemPath), problemPath);
    QCOMPARE(request.problemErrno, problemErrno);
    QCOMPARE(openProblemText(request).isEmpty(), problem == int(OpenProblem::None));
}

// Names are bytes: one that is not UTF-8 reaches the request unchanged, also after "--".
void CommandLineTest::namesAreBytes() {
    const std::string latin1 = bytes(QStringLiteral("album")) + "/\xe9t\xe9.mp3";
    const std::string dashed = bytes(QStringLiteral("album")) + "/-x.mp3";
    for (const std::string &path : {latin1, dashed}) {
        const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_EXCL, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
    }
    // QTemporaryDir cannot remove a name that is not UTF-8.
    const auto removeLatin1 = qScopeGuard([&] { ::unlink(latin1.c_str()); });
    const CommandLineOutcome outcome = parseCommandLine({"filvane", "--", latin1, dashed});
    QVERIFY(!outcome.exitNow);
    QCOMPARE(outcome.standardError, QString());
    QCOMPARE(int(outcome.request.kind), int(OpenRequest::Kind::Files));
    QCOMPARE(outcome.request.files, (std::vector<std::string>{"\xe9t\xe9.mp3", "-x.mp3"}));

    // Files of two folders: the window opens, empty, and the reason is printed.
    const CommandLineOutcome mixed =
        parseCommandLine({"filvane", latin1, bytes(QStringLiteral("other/c.mp3"))});
    QVERIFY(!mixed.exitNow);
    QCOMPARE(int(mixed.request.kind), int(OpenRequest::Kind::Nothing));
    QVERIFY(mixed.standardError.contains(QStringLiteral("same folder")));
}

void CommandLineTest::windowOpensTheRequest() {
    // A folder: listed after the start-up's own first activation, which would otherwise disable
    // what the listing enabled.
    {
        Windows windows = createWindows();
        TMainForm &main = *windows.main;
        OpenRequest request;
        request.kind = OpenRequest::Kind::Folder;
        request.folder = bytes(QStringLiteral("album"));
        runAfterFirstActivation(main, [&] { main.openRequest(request); });
        main.show();
        QTRY_COMPARE(main.lists().fileCount(), 4); // a.mp3, b.mp3, c.txt, gone by "*.*"
        const auto *rename = main.findChild<QToolButton *>(QStringLiteral("RenBtn"));
        QVERIFY(rename);
        QVERIFY(rename->isEnabled());
        QVERIFY(main.nameGrid()->isEnabled());
        QCOMPARE(testsupport::labelText(&main, QStringLiteral("CountPanel")),
                 QStringLiteral("Items: 4"));
    }
    // A problem: said in a box, and the window stays empty.
    {
        Windows windows = createWindows();
        TMainForm &main = *windows.main;
        const OpenRequest request = requestFromPaths(
            {bytes(QStringLiteral("album/a.mp3")), bytes(QStringLiteral("other/c.mp3"))});
        QString shown;
        const auto answered = testsupport::answerNextModal([&](QWidget *modal) {
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                shown = box->text();
                box->accept();
            } else {
                modal->close();
            }
        });
        runAfterFirstActivation(main, [&] { main.openRequest(request); });
        main.show();
        QTRY_VERIFY(*answered);
        QVERIFY2(shown.contains(QStringLiteral("other/c.mp3")), qPrintable(shown));
        QCOMPARE(main.lists().fileCount(), 0);
        const auto *rename = main.findChild<QToolButton *>(QStringLiteral("RenBtn"));
        QVERIFY(rename);
        QVERIFY(!rename->isEnabled());
    }
}

QTEST_MAIN(CommandLineTest)
#include "tst_command_line.moc"
