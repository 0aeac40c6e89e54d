#include "MainWindowFixture.h"
#include "core/texts/TextTable.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QScreen>
#include <QTreeView>

namespace {

// What the failure report showed, read while it was up.
struct Report {
    bool shown = false;
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList headers;
    QList<QStringList> rows;
    QString copied;
    bool scrolls = false;
    QStringList listedMeanwhile; // the read list behind the box
};

} // namespace

class RenameReportTest : public MainWindowFixture {
    Q_OBJECT

private slots:
    void listsExactlyTheFailedRows_data();
    void listsExactlyTheFailedRows();
    void runWithoutFailuresIsSilent();
    void longListScrolls();

private:
    // Renames (answering Yes) and reads the box that follows, if any, while it is up.
    Report renameAndReadReport();
};

Report RenameReportTest::renameAndReadReport() {
    Report report;
    rename({}, [&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box)
            return;
        report = {true, box->windowTitle(), box->text(), box->icon(), {}, {}, {}, false, listed()};
        if (auto *list = box->findChild<QTreeView *>(QStringLiteral("FailureList"))) {
            const QAbstractItemModel *model = list->model();
            for (int column = 0; column < model->columnCount(); ++column)
                report.headers << model->headerData(column, Qt::Horizontal).toString();
            for (int i = 0; i < model->rowCount(); ++i)
                report.rows.append({model->index(i, 0).data().toString(),
                                    model->index(i, 1).data().toString(),
                                    model->index(i, 2).data().toString()});
            // Ctrl+C with nothing selected copies the whole list (a shortcut: wait for focus).
            QGuiApplication::clipboard()->clear();
            if (QTest::qWaitForWindowActive(box)) {
                list->setFocus();
                QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
                report.copied = QGuiApplication::clipboard()->text();
            }
            // Rows beyond the visible part are reached by scrolling, and the box fits the screen.
            report.scrolls =
                list->viewport()->height() < list->sizeHintForRow(0) * list->model()->rowCount() &&
                list->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff &&
                box->height() <= box->screen()->availableGeometry().height();
        }
    });
    return report;
}

void RenameReportTest::listsExactlyTheFailedRows_data() {
    QTest::addColumn<bool>("hungarian");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QStringList>("reasons");
    QTest::newRow("English") << false << "3 of 5 files could not be renamed:"
                             << QStringList{"Old name", "New name", "Reason"}
                             << QStringList{"A file of that name exists", "The file is gone",
                                            "The name is not allowed"};
    QTest::newRow("Hungarian") << true << QStringLiteral("5 file-ból 3 nem lett átnevezve:")
                               << QStringList{QStringLiteral("Régi név"), QStringLiteral("Új név"),
                                              "Hiba oka"}
                               << QStringList{QStringLiteral("Már van ilyen nevű file"),
                                              QStringLiteral("A file eltűnt"),
                                              QStringLiteral("A név nem megengedett")};
}

void RenameReportTest::listsExactlyTheFailedRows() {
    QFETCH(bool, hungarian);
    QFETCH(QString, text);
    QFETCH(QStringList, headers);
    QFETCH(QStringList, reasons);
    if (hungarian)
        m_main->ApplyHungarian(true);
    list({"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3"});
    const QStringList names{"Alpha", "Beta", "Gamma", "AC/DC", "Epsilon"};
    for (int row = 1; row <= 5; ++row)
        type(row, names[row - 1]);
    // After the listing: another file takes row 2's new name, and row 3's file goes away.
    QVERIFY(testsupport::writeFile(m_dir->filePath("02 - Beta.mp3"), "held"));
    QVERIFY(QFile::remove(m_dir->filePath("c.mp3")));
    const Report report = renameAndReadReport();
    QVERIFY(report.shown);
    QCOMPARE(report.caption, QString::fromUtf8(filvane::ApplicationTitle.data()));
    QCOMPARE(report.icon, QMessageBox::Warning);
    QCOMPARE(report.text, text);
    QCOMPARE(report.headers, headers);
    const QList<QStringList> expected{{"b.mp3", "02 - Beta.mp3", reasons[0]},
                                      {"c.mp3", "03 - Gamma.mp3", reasons[1]},
                                      {"d.mp3", "04 - AC/DC.mp3", reasons[2]}};
    QCOMPARE(report.rows, expected);
    QString copied;
    for (const QStringList &row : expected)
        copied += row.join('\t') + '\n';
    QCOMPARE(report.copied, copied);
    // The box came after the lists were read again.
    const QStringList after{"01 - Alpha.mp3", "02 - Beta.mp3", "05 - Epsilon.mp3", "b.mp3",
                            "d.mp3"};
    QCOMPARE(report.listedMeanwhile, after);
    QCOMPARE(onDisk(), after);
    QCOMPARE(testsupport::readFile(m_dir->filePath("02 - Beta.mp3")), QByteArray("held"));
    QCOMPARE(testsupport::readFile(m_dir->filePath("b.mp3")), QByteArray("b.mp3"));
}

void RenameReportTest::runWithoutFailuresIsSilent() {
    // An empty listing: blank rows are no failures.
    list({});
    QVERIFY(!renameAndReadReport().shown);
    list({"a.mp3", "b.mp3"});
    type(1, QStringLiteral("Alpha"));
    type(2, QStringLiteral("Beta"));
    QVERIFY(!renameAndReadReport().shown);
    QCOMPARE(onDisk(), (QStringList{"01 - Alpha.mp3", "02 - Beta.mp3"}));
}

void RenameReportTest::longListScrolls() {
    QStringList names;
    for (int i = 0; i < 200; ++i)
        names << QStringLiteral("track %1.mp3").arg(i, 3, 10, QLatin1Char('0'));
    list(names);
    // Every new name is already held by a file outside the list: all 200 fail.
    for (int row = 1; row <= 200; ++row) {
        type(row, QStringLiteral("same"));
        QVERIFY(testsupport::writeFile(
            m_dir->filePath(QStringLiteral("%1 - same.mp3").arg(row, 2, 10, QLatin1Char('0')))));
    }
    const Report report = renameAndReadReport();
    QCOMPARE(report.text, QStringLiteral("200 of 200 files could not be renamed:"));
    QCOMPARE(report.rows.size(), 200);
    QCOMPARE(report.rows.last(),
             (QStringList{"track 199.mp3", "200 - same.mp3", "A file of that name exists"}));
    QVERIFY(report.scrolls);
}

QTEST_MAIN(RenameReportTest)
#include "tst_rename_report.moc"
