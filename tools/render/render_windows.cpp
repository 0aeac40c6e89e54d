// Renders every window of the program to PNG files without a display, so anyone can look at
// the program on a headless machine:  QT_QPA_PLATFORM=offscreen filvane_render OUTPUT_FOLDER
#include "Filvane.h"
#include "Windows.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWidget>

#include <cstdio>

namespace {

void settle(int ms = 50) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

bool save(QWidget *window, const QDir &out, const QString &name) {
    settle();
    const QString path = out.filePath(name + QStringLiteral(".png"));
    const bool ok = window->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

// A folder of music tracks as people keep them: unnumbered, mixed case, one other file.
bool makeSampleFolder(const QString &dir) {
    const char *names[] = {"intro.mp3",         "Blue Monday.mp3",   "cover.jpg",
                           "Őszi dal.mp3",      "track 05.mp3",      "Zebra crossing.mp3",
                           "apple tree.mp3",    "Night drive.mp3",   "outro.mp3",
                           "bonus.wav",         "Long way home.mp3", "readme.txt",
                           "Sunrise (live).mp3"};
    for (const char *name : names) {
        QFile file(QDir(dir).filePath(QString::fromUtf8(name)));
        if (!file.open(QIODevice::WriteOnly))
            return false;
    }
    return true;
}

bool renderMainWindow(const Windows &windows, const QDir &out) {
    TMainForm *main = windows.main.get();
    main->show();
    main->activateWindow();
    settle(200);
    bool ok = save(main, out, QStringLiteral("main_empty"));

    QTemporaryDir sample;
    if (!sample.isValid() || !makeSampleFolder(sample.path()))
        return false;
    const std::string dir = sample.path().toStdString();
    main->readDirectory(dir, dir + "/*.*");
    main->showItemCount(main->lists().fileCount());
    ok = save(main, out, QStringLiteral("main_listed")) && ok;

    main->ApplyHungarian(true);
    main->showItemCount(main->lists().fileCount());
    ok = save(main, out, QStringLiteral("main_hungarian")) && ok;
    main->ApplyEnglish(true);
    return ok;
}

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    Windows windows = createWindows();
    bool ok = renderMainWindow(windows, out);
    return ok ? 0 : 1;
}
