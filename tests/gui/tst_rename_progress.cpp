#include "Filvane.h"
#include "GuiTestSupport.h"
#include "Windows.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

constexpr int FileCount = 300;

QString fileName(int i) {
    return QStringLiteral("f%1.txt").arg(i, 3, 10, QLatin1Char('0'));
}
QString newName(int i) {
    return QStringLiteral("%1 - n%2.txt").arg(i + 1, 2, 10, QLatin1Char('0')).arg(i);
}

// Counts progress dialogs being shown anywhere in the program.
class ProgressSpy : public QObject {
public:
    ProgressSpy() { qApp->installEventFilter(this); }
    ~ProgressSpy() override { qApp->removeEventFilter(this); }
    int shown = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Show && qobject_cast<QProgressDialog *>(watched))
            ++shown;
        return false;
    }
};

} // namespace

class RenameProgressTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void shortRunShowsNothing();
    void longRunShowsFilesDoneOfTotal();
    void stopLeavesEveryFileRenamedOrUntouched_data();
    void stopLeavesEveryFileRenamedOrUntouched();

private:
    void listFiles(int count);
    // Presses Rename and answers Yes; then `duringRun` sees every modal widget that opens
    // (polled at every turn of the event loop) until the command returns.
    void rename(const std::function<void(QWidget *)> &duringRun);
    QStringList filesOnDisk() const {
        return QDir(m_dir->path()).entryList(QDir::Files, QDir::Name);
    }
    QStringList listedNames() const;

    Windows m_windows;
    TMainForm *m_main = nullptr;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void RenameProgressTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_windows = createWindows();
    m_main = m_windows.main.get();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowActive(m_main));
}

void RenameProgressTest::cleanup() {
    m_windows = Windows();
}

void RenameProgressTest::listFiles(int count) {
    for (int i = 0; i < count; ++i)
        QVERIFY(testsupport::writeFile(m_dir->filePath(fileName(i)), fileName(i).toUtf8()));
    const std::string dir = m_dir->path().toStdString();
    m_main->readDirectory(dir, dir + "/*.*");
    for (int row = 1; row <= count; ++row)
        m_main->lists().nameList().setCell(1, row, "n" + std::to_string(row - 1));
}

QStringList RenameProgressTest::listedNames() const {
    QStringList names;
    for (int row = 1; row <= m_main->lists().fileCount(); ++row)
        names << QString::fromStdString(m_main->lists().readList().cell(1, row));
    return names;
}

void RenameProgressTest::rename(const std::function<void(QWidget *)> &duringRun) {
    QTimer watcher;
    watcher.setInterval(0);
    connect(&watcher, &QTimer::timeout, &watcher, [&] {
        if (QWidget *modal = QApplication::activeModalWidget())
            duringRun(modal);
    });
    auto confirmed = testsupport::answerNextModal([&](QWidget *modal) {
        QTest::keyClick(modal, Qt::Key_Return);
        watcher.start();
    });
    m_main->findChild<QToolButton *>("RenBtn")->click();
    watcher.stop();
    QVERIFY(*confirmed);
}

void RenameProgressTest::shortRunShowsNothing() {
    QCOMPARE(m_main->progressDelay(), 500);
    listFiles(5);
    ProgressSpy spy;
    rename([](QWidget *modal) { modal->close(); });
    QCOMPARE(spy.shown, 0);
    QCOMPARE(filesOnDisk().size(), 5);
    QCOMPARE(filesOnDisk().first(), QStringLiteral("01 - n0.txt"));
}

void RenameProgressTest::longRunShowsFilesDoneOfTotal() {
    listFiles(FileCount);
    m_main->setProgressDelay(0); // every run counts as long
    ProgressSpy spy;
    QString firstLabel;
    Qt::WindowModality modality = Qt::NonModal;
    rename([&](QWidget *modal) {
        auto *dialog = qobject_cast<QProgressDialog *>(modal);
        if (!dialog) {
            modal->close(); // a report where none belongs
            return;
        }
        if (firstLabel.isEmpty())
            firstLabel = dialog->findChild<QLabel *>()->text();
        modality = dialog->windowModality();
    });
    QCOMPARE(spy.shown, 1);
    QCOMPARE(firstLabel, QStringLiteral("Renaming files: 1 of %1").arg(FileCount));
    QCOMPARE(modality, Qt::WindowModal);
    // Not stopped: every file renamed, and the dialog gone with the run.
    QStringList expected;
    for (int i = 0; i < FileCount; ++i)
        expected << newName(i);
    expected.sort();
    QCOMPARE(filesOnDisk(), expected);
    QStringList listed = listedNames();
    listed.sort();
    QCOMPARE(listed, expected);
    QVERIFY(m_main->findChildren<QProgressDialog *>().isEmpty());
}

void RenameProgressTest::stopLeavesEveryFileRenamedOrUntouched_data() {
    QTest::addColumn<bool>("hungarian");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("stop");
    QTest::newRow("English") << false << QStringLiteral("Renaming files: 1 of %1").arg(FileCount)
                             << QStringLiteral("Stop");
    QTest::newRow("Hungarian") << true
                               << QStringLiteral("File-ok átnevezése: 1 / %1").arg(FileCount)
                               << QStringLiteral("Leállít");
}

void RenameProgressTest::stopLeavesEveryFileRenamedOrUntouched() {
    QFETCH(bool, hungarian);
    QFETCH(QString, label);
    QFETCH(QString, stop);
    if (hungarian)
        m_main->ApplyHungarian(true);
    listFiles(FileCount);
    m_main->setProgressDelay(0);
    QString seenLabel, seenStop;
    bool otherBox = false;
    rename([&](QWidget *modal) {
        auto *dialog = qobject_cast<QProgressDialog *>(modal);
        if (!dialog) {
            otherBox = true; // a stopped run reports no failures
            modal->close();
            return;
        }
        if (!seenStop.isEmpty())
            return;
        seenLabel = dialog->findChild<QLabel *>()->text();
        auto *button = dialog->findChild<QPushButton *>();
        seenStop = button->text();
        button->click();
    });
    QCOMPARE(seenLabel, label);
    QCOMPARE(seenStop, stop);
    QVERIFY(!otherBox);

    // Each file under exactly one name: its new one with its own content, or its old one.
    const QStringList onDisk = filesOnDisk();
    QCOMPARE(onDisk.size(), FileCount);
    int renamed = 0;
    for (int i = 0; i < FileCount; ++i) {
        const bool isNew = onDisk.contains(newName(i));
        const bool isOld = onDisk.contains(fileName(i));
        QVERIFY2(isNew != isOld, qPrintable(fileName(i)));
        const QString now = isNew ? newName(i) : fileName(i);
        QCOMPARE(testsupport::readFile(m_dir->filePath(now)), fileName(i).toUtf8());
        renamed += isNew;
    }
    QVERIFY(renamed >= 1);
    QVERIFY2(renamed < FileCount / 2, qPrintable(QString::number(renamed)));
    // Listed again as after any run.
    QStringList listed = listedNames();
    listed.sort();
    QCOMPARE(listed, onDisk);
    QVERIFY(m_main->findChildren<QProgressDialog *>().isEmpty());
}

QTEST_MAIN(RenameProgressTest)
#include "tst_rename_progress.moc"
