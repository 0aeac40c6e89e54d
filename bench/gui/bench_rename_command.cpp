// The whole Rename command over 65,535 listed files (confirmation answered Yes, the renames,
// the listing again and the sort, the grids reset) beside the core rename plus the core listing
// and sort, measured in the same run over the same folder, on disk and on tmpfs.
// Every run renames each file to a name of a new generation ("01 - g3-00000.mp3"), so no run
// finds the folder as it found it the time before.
//   QT_QPA_PLATFORM=offscreen bench_rename_command
#include "Filvane.h"
#include "Rename.h"
#include "SearchPattern.h"
#include "Windows.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int FileCount = 65535;
constexpr int Runs = 5;

class Folder {
public:
    explicit Folder(const std::string &base) {
        std::string pattern = base + "/filvane-bench-command-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        m_path = pattern;
        for (int i = 0; i < FileCount; ++i) {
            const std::string name = m_path + "/Track " + std::to_string(i) + ".mp3";
            const int fd = open(name.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            if (fd < 0) {
                std::perror("open");
                std::exit(1);
            }
            close(fd);
        }
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::string &path() const { return m_path; }

private:
    std::string m_path;
};

// What the user would have typed: a new name of this generation in every row.
void typeGeneration(filvane::NameLists &lists, int generation) {
    const std::string prefix = "g" + std::to_string(generation) + "-";
    for (int row = 1; row <= lists.fileCount(); ++row)
        lists.nameList().setCell(1, row, prefix + std::to_string(row));
}

int countRenamed(const std::vector<filvane::RowOutcome> &rows) {
    return static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const auto &row) {
        return row.outcome == filvane::RenameOutcome::Renamed;
    }));
}

double elapsedMs(const QElapsedTimer &clock) {
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

// Answers the confirmation with Enter (Yes) as soon as it is up, without a polling delay.
void answerYesWhenAsked() {
    auto *timer = new QTimer(qApp);
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer] {
        if (QWidget *box = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(box, &enter);
        }
    });
    timer->start();
}

void measure(const char *place, TMainForm *main) {
    const Folder folder(place);
    const std::string pattern = folder.path() + "/*";
    int generation = 0;
    std::vector<double> core, command;
    int coreRenamed = 0, commandRenamed = 0;

    filvane::NameLists lists;
    for (int run = 0; run < Runs; ++run) {
        // The core: rename, list again, sort. Its lists first catch up with what the
        // command renamed last time, untimed.
        lists.listDirectory(pattern, true);
        lists.sortByName();
        typeGeneration(lists, ++generation);
        QElapsedTimer clock;
        clock.start();
        coreRenamed += countRenamed(filvane::renameRows(
            {folder.path(), lists.readList(), lists.nameList(), {true, true, false, ""}}));
        lists.listDirectory(filvane::relistPattern(folder.path(), ""), true);
        lists.sortByName();
        core.push_back(elapsedMs(clock));

        // The command, from the button press to the reset grids.
        main->readDirectory(folder.path(), pattern);
        typeGeneration(main->lists(), ++generation);
        answerYesWhenAsked();
        clock.restart();
        main->findChild<QToolButton *>("RenBtn")->click();
        command.push_back(elapsedMs(clock));
        const std::string first = main->lists().readList().cell(1, 1);
        commandRenamed += first.find("g" + std::to_string(generation) + "-") != std::string::npos;
    }
    std::sort(core.begin(), core.end());
    std::sort(command.begin(), command.end());
    const double coreMs = core[Runs / 2], commandMs = command[Runs / 2];
    std::printf("%s: %d files, median of %d runs\n", place, FileCount, Runs);
    std::printf("  core rename + list + sort (baseline): %8.1f ms  (%d of %d rows renamed)\n",
                coreMs, coreRenamed, Runs * FileCount);
    std::printf("  Rename command:                       %8.1f ms  (%.2fx the baseline, target "
                "1.5x; %d of %d runs renamed)\n",
                commandMs, commandMs / coreMs, commandRenamed, Runs);
}

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Windows windows = createWindows();
    TMainForm *main = windows.main.get();
    main->show();
    main->activateWindow();
    QElapsedTimer wait;
    wait.start();
    while (!main->isActiveWindow() && wait.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    for (const char *place : {"/var/tmp", "/dev/shm"})
        measure(place, main);
    return 0;
}
