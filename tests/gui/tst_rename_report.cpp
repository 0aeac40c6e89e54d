#include "Filvane.h"
#include "GuiTestSupport.h"
#include "NameGridModel.h"
#include "TextTable.h"
#include "Windows.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>

namespace {

// What the failure report showed, read while it was up.
struct Report {
    bool shown = false;
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList headers;
    QList<QStringList> rows;
    QStringList listedMeanwhile; // the read list behind the box
    bool scrolls = false;
    QString copied;
};

Report readReport(QMessageBox *box, TMainForm *main) {
    Report report;
    report.shown = true;
    report.caption = box->windowTitle();
    report.text = box->text();
    report.icon = box->icon();
    if (auto *list = box->findChild<QTreeWidget *>(QStringLiteral("FailureList"))) {
        for (int column = 0; column < list->columnCount(); ++column)
            report.headers << list->headerItem()->text(column);
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *item = list->topLevelItem(i);
            report.rows.append({item->text(0), item->text(1), item->text(2)});
        }
        // Rows beyond the visible part are reached by scrolling, and the box fits the screen.
        const int allRows = list->sizeHintForRow(0) * list->topLevelItemCount();
        // Ctrl+C with nothing selected copies the whole list.
        QGuiApplication::clipboard()->clear();
        list->setFocus();
        QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
        report.copied = QGuiApplication::clipboard()->text();
        report.scrolls = list->viewport()->height() < allRows &&
                         list->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff &&
                         box->height() <= box->screen()->availableGeometry().height();
    }
    for (int row = 1; row <= main->lists().fileCount(); ++row)
        report.listedMeanwhile << QString::fromStdString(main->lists().readList().cell(1, row));
    return report;
}

} // namespace

class RenameReportTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void listsExactlyTheFailedRows();
    void speaksTheCurrentLanguage();
    void runWithoutFailuresIsSilent();
    void longListScrolls();

private:
    void listSample(const QStringList &names);
    void type(int row, const QString &name);
    // Presses Rename, answers Yes, and reads (then closes) whatever message box follows.
    Report renameAndReadReport();
    QStringList filesOnDisk() const {
        return QDir(m_dir->path()).entryList(QDir::Files, QDir::Name);
    }

    Windows m_windows;
    TMainForm *m_main = nullptr;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void RenameReportTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_windows = createWindows();
    m_main = m_windows.main.get();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowActive(m_main));
}

void RenameReportTest::cleanup() {
    m_windows = Windows();
}

void RenameReportTest::listSample(const QStringList &names) {
    for (const QString &name : names)
        QVERIFY(testsupport::writeFile(m_dir->filePath(name), name.toUtf8()));
    const std::string dir = m_dir->path().toStdString();
    m_main->readDirectory(dir, dir + "/*.*");
}

void RenameReportTest::type(int row, const QString &name) {
    NameGridModel *model = m_main->nameModel();
    QVERIFY(model->setData(model->index(row - 1, 1), name, Qt::EditRole));
}

Report RenameReportTest::renameAndReadReport() {
    Report report;
    // Every box after the confirmation is read and closed, so a box where none belongs fails
    // the test instead of blocking it.
    QTimer watcher;
    watcher.setInterval(10);
    connect(&watcher, &QTimer::timeout, &watcher, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        report = readReport(box, m_main);
        box->close();
    });
    auto confirmed = testsupport::answerNextModal([&](QWidget *modal) {
        QTest::keyClick(modal, Qt::Key_Return);
        watcher.start();
    });
    m_main->findChild<QToolButton *>("RenBtn")->click();
    // A report is up before the click returns; give a stray one a moment to show.
    QTest::qWait(100);
    watcher.stop();
    if (!*confirmed)
        qWarning("the rename confirmation was not shown");
    return report;
}

void RenameReportTest::listsExactlyTheFailedRows() {
    listSample({"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3"});
    type(1, QStringLiteral("Alpha"));
    type(2, QStringLiteral("Beta"));
    type(3, QStringLiteral("Gamma"));
    type(4, QStringLiteral("AC/DC"));
    type(5, QStringLiteral("Epsilon"));
    // After the listing: another file takes row 2's new name, and row 3's file goes away.
    QVERIFY(testsupport::writeFile(m_dir->filePath("02 - Beta.mp3"), "held"));
    QVERIFY(QFile::remove(m_dir->filePath("c.mp3")));

    const Report report = renameAndReadReport();
    QVERIFY(report.shown);
    QCOMPARE(report.caption, QString::fromUtf8(filvane::ApplicationTitle.data()));
    QCOMPARE(report.icon, QMessageBox::Warning);
    QCOMPARE(report.text, QStringLiteral("3 of 5 files could not be renamed:"));
    QCOMPARE(report.headers, (QStringList{"Old name", "New name", "Reason"}));
    const QList<QStringList> expected{
        {"b.mp3", "02 - Beta.mp3", "A file of that name exists"},
        {"c.mp3", "03 - Gamma.mp3", "The file is gone"},
        {"d.mp3", "04 - AC/DC.mp3", "The name is not allowed"},
    };
    QCOMPARE(report.rows, expected);
    QCOMPARE(report.copied, QStringLiteral("b.mp3\t02 - Beta.mp3\tA file of that name exists\n"
                                           "c.mp3\t03 - Gamma.mp3\tThe file is gone\n"
                                           "d.mp3\t04 - AC/DC.mp3\tThe name is not allowed\n"));
    // The box came after the lists were read again.
    const QStringList after{"01 - Alpha.mp3", "02 - Beta.mp3", "05 - Epsilon.mp3", "b.mp3",
                            "d.mp3"};
    QCOMPARE(report.listedMeanwhile, after);
    QCOMPARE(filesOnDisk(), after);
    QCOMPARE(testsupport::readFile(m_dir->filePath("02 - Beta.mp3")), QByteArray("held"));
    QCOMPARE(testsupport::readFile(m_dir->filePath("b.mp3")), QByteArray("b.mp3"));
}

void RenameReportTest::speaksTheCurrentLanguage() {
    listSample({"a.mp3", "b.mp3"});
    type(1, QStringLiteral("Alfa"));
    type(2, QStringLiteral("Béta"));
    QVERIFY(QFile::remove(m_dir->filePath("a.mp3")));
    m_main->ApplyHungarian(true);
    const Report report = renameAndReadReport();
    QVERIFY(report.shown);
    QCOMPARE(report.text, QStringLiteral("2 file-ból 1 nem lett átnevezve:"));
    QCOMPARE(report.headers, (QStringList{"Régi név", "Új név", "Hiba oka"}));
    QCOMPARE(report.rows, (QList<QStringList>{{"a.mp3", "01 - Alfa.mp3", "A file eltűnt"}}));
    QCOMPARE(filesOnDisk(), QStringList{"02 - Béta.mp3"});
}

void RenameReportTest::runWithoutFailuresIsSilent() {
    // A blank row has nothing to rename and is no failure either: an empty directory listed.
    m_main->readDirectory(m_dir->path().toStdString(), m_dir->path().toStdString() + "/*.*");
    QCOMPARE(m_main->lists().fileCount(), 0);
    QVERIFY(!renameAndReadReport().shown);

    listSample({"a.mp3", "b.mp3"});
    type(1, QStringLiteral("Alpha"));
    type(2, QStringLiteral("Beta"));
    QVERIFY(!renameAndReadReport().shown);
    QCOMPARE(filesOnDisk(), (QStringList{"01 - Alpha.mp3", "02 - Beta.mp3"}));
}

void RenameReportTest::longListScrolls() {
    QStringList names;
    for (int i = 0; i < 200; ++i)
        names << QStringLiteral("track %1.mp3").arg(i, 3, 10, QLatin1Char('0'));
    listSample(names);
    // Every new name is one name already held by a file outside the list: all 200 fail.
    for (int row = 1; row <= 200; ++row)
        type(row, QStringLiteral("same"));
    for (int row = 1; row <= 200; ++row)
        QVERIFY(testsupport::writeFile(
            m_dir->filePath(QStringLiteral("%1 - same.mp3").arg(row, 2, 10, QLatin1Char('0')))));
    const Report report = renameAndReadReport();
    QVERIFY(report.shown);
    QCOMPARE(report.text, QStringLiteral("200 of 200 files could not be renamed:"));
    QCOMPARE(report.rows.size(), 200);
    QCOMPARE(report.rows.last(),
             (QStringList{"track 199.mp3", "200 - same.mp3", "A file of that name exists"}));
    QVERIFY(report.scrolls);
}

QTEST_MAIN(RenameReportTest)
#include "tst_rename_report.moc"
