// Renders every window of the program to PNG files without a display, so anyone can look at
// the program on a headless machine:  QT_QPA_PLATFORM=offscreen filvane_render OUTPUT_FOLDER
#include "app/Filvane.h"
#include "app/RenameReport.h"
#include "app/Windows.h"
#include "controls/BmpCtrls.h"
#include "dialogs/About.h"
#include "dialogs/Option.h"
#include "dialogs/Read.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWidget>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

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

// The read dialog at its first showing, in Hungarian, opened on a folder with subfolders.
bool renderReadDialog(const Windows &windows, const QDir &out) {
    QTemporaryDir sample;
    if (!sample.isValid())
        return false;
    for (const char *name : {"Albums", "bootlegs", "Élő felvételek", "Singles", ".cache"})
        QDir(sample.path()).mkpath(QString::fromUtf8(name));
    windows.main->ApplyHungarian(true);
    windows.read->show();
    windows.read->changeDirectory(sample.path().toStdString());
    const bool ok = save(windows.read, out, QStringLiteral("read_dialog_hungarian"));
    windows.read->hide();
    windows.main->ApplyEnglish(true);
    return ok;
}

// A left click where a user would press, so the switch runs its own press handling.
void clickAt(QWidget *widget, QPoint at) {
    const QPointF local(at);
    const QPointF global(widget->mapToGlobal(at));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

// The toolbar around the language switch, eight times enlarged, so the flag's pixels show.
bool saveSwitchZoom(QWidget *lngSwitch, const QDir &out, const QString &name) {
    settle();
    QWidget *toolbar = lngSwitch->parentWidget();
    const QRect around = lngSwitch->geometry().adjusted(-6, -5, 6, 5) & toolbar->rect();
    const QImage zoomed = toolbar->grab(around).toImage().scaled(around.size() * 8);
    const QString path = out.filePath(name + QStringLiteral(".png"));
    const bool ok = zoomed.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

// The language switch in both states: a click on the British flag turns the window Hungarian.
bool renderLanguageSwitch(const Windows &windows, const QDir &out) {
    TMainForm *main = windows.main.get();
    auto *lngSwitch = main->findChild<TepBMPSwitch *>(QStringLiteral("LngSwitch"));
    if (!lngSwitch)
        return false;
    main->show();
    bool ok = saveSwitchZoom(lngSwitch, out, QStringLiteral("switch_on_zoom"));
    clickAt(lngSwitch, QPoint(10, 10));
    ok = save(main, out, QStringLiteral("main_switch_off")) && ok;
    ok = saveSwitchZoom(lngSwitch, out, QStringLiteral("switch_off_zoom")) && ok;
    clickAt(lngSwitch, QPoint(10, 10));
    return ok && lngSwitch->state() == TepBMPSwitch::TState::sOn;
}

bool renderAboutWindow(const Windows &windows, const QDir &out) {
    windows.about->show();
    const bool ok = save(windows.about, out, QStringLiteral("about"));
    windows.about->hide();
    return ok;
}

// The options dialog in both languages; the second time with the extension box in use.
bool renderOptionsDialog(const Windows &windows, const QDir &out) {
    windows.options->show();
    bool ok = save(windows.options, out, QStringLiteral("options_english"));
    windows.options->hide();
    windows.main->ApplyHungarian(true);
    windows.options->show();
    windows.options->keepCheck()->click();
    windows.options->noOnlyCheck()->click();
    windows.options->extBox()->setEditText(QStringLiteral(".mp3"));
    ok = save(windows.options, out, QStringLiteral("options_hungarian")) && ok;
    windows.options->keepCheck()->click();
    windows.options->noOnlyCheck()->click();
    windows.options->hide();
    windows.main->ApplyEnglish(true);
    return ok;
}

// The warning after a run in which a few files kept their names, one of every reason.
bool renderRenameReport(const Windows &windows, const QDir &out) {
    using filvane::RenameOutcome;
    const std::vector<filvane::RowOutcome> rows{
        {1, RenameOutcome::Renamed, 0, "intro.mp3", "01 - Intro.mp3"},
        {2, RenameOutcome::Failed, EEXIST, "Blue Monday.mp3", "02 - Blue Monday.mp3"},
        {3, RenameOutcome::Failed, ENOENT, "track 05.mp3", "03 - Night drive.mp3"},
        {4, RenameOutcome::RefusedName, 0, "Őszi dal.mp3", "04 - AC/DC.mp3"},
        {5, RenameOutcome::Failed, EACCES, "apple tree.mp3", "05 - Apple tree.mp3"},
        {6, RenameOutcome::Failed, ENOSPC, "caf\xE9 live.mp3", "06 - Café.mp3"},
        {7, RenameOutcome::Renamed, 0, "outro.mp3", "07 - Outro.mp3"},
    };
    const std::unique_ptr<QMessageBox> box =
        makeRenameReport(rows, windows.main->texts(), windows.main.get());
    if (!box)
        return false;
    box->show();
    const bool ok = save(box.get(), out, QStringLiteral("rename_report"));
    box->hide();
    return ok;
}

// The progress dialog of a long run, as it stands a while into the run.
bool renderRenameProgress(const Windows &windows, const QDir &out) {
    RunProgress progress(windows.main.get(), windows.main->texts(), 0);
    progress.update(1, 200);
    settle(); // the dialog refreshes a few times a second, not at every file
    progress.update(87, 200);
    auto *dialog = windows.main->findChild<QProgressDialog *>();
    return dialog && save(dialog, out, QStringLiteral("rename_progress"));
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
    ok = renderLanguageSwitch(windows, out) && ok;
    ok = renderAboutWindow(windows, out) && ok;
    ok = renderReadDialog(windows, out) && ok;
    ok = renderOptionsDialog(windows, out) && ok;
    ok = renderRenameReport(windows, out) && ok;
    ok = renderRenameProgress(windows, out) && ok;
    return ok ? 0 : 1;
}
