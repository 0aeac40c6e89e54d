#include "MainWindowFixture.h"

#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

namespace {

QString oldName(int i) {
    return QStringLiteral("f%1.txt").arg(i, 3, 10, QLatin1Char('0'));
}
QString targetName(int i) {
    return QStringLiteral("%1 - n%2.txt").arg(i + 1, 2, 10, QLatin1Char('0')).arg(i);
}

} // namespace

class RenameProgressTest : public MainWindowFixture {
    Q_OBJECT

private slots:
    void everyFileRenamedOrUntouched_data();
    void everyFileRenamedOrUntouched();
};

void RenameProgressTest::everyFileRenamedOrUntouched_data() {
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("delay"); // ms before the progress dialog shows; 0: every run is long
    QTest::addColumn<bool>("hungarian");
    QTest::addColumn<bool>("stop");     // press Stop as soon as the dialog is up
    QTest::addColumn<QString>("label"); // the dialog's first label; empty: no dialog
    QTest::addColumn<QString>("stopText");
    QTest::newRow("short run") << 5 << 500 << false << false << QString() << QString();
    QTest::newRow("long run") << 300 << 0 << false << false << "Renaming files: 1 of 300"
                              << "Stop";
    QTest::newRow("stopped") << 300 << 0 << false << true << "Renaming files: 1 of 300"
                             << "Stop";
    QTest::newRow("stopped, Hungarian")
        << 300 << 0 << true << true << QStringLiteral("File-ok átnevezése: 1 / 300")
        << QStringLiteral("Leállít");
}

void RenameProgressTest::everyFileRenamedOrUntouched() {
    QFETCH(int, files);
    QFETCH(int, delay);
    QFETCH(bool, hungarian);
    QFETCH(bool, stop);
    QFETCH(QString, label);
    QFETCH(QString, stopText);
    if (hungarian)
        m_main->ApplyHungarian(true);
    QStringList names;
    for (int i = 0; i < files; ++i)
        names << oldName(i);
    list(names);
    for (int row = 1; row <= files; ++row)
        m_main->session().setNewName(row, "n" + std::to_string(row - 1));
    m_main->setProgressDelay(delay);

    QList<QProgressDialog *> dialogs;
    QString seenLabel, seenStop;
    Qt::WindowModality modality = Qt::NonModal;
    bool otherBox = false; // neither a finished nor a stopped run reports failures
    QString stoppedText;
    rename({}, [&](QWidget *modal) {
        auto *dialog = qobject_cast<QProgressDialog *>(modal);
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (box && stop && stoppedText.isEmpty()) {
            // One box after Stop: how many were renamed, and Undo (taken in English).
            stoppedText = box->text();
            QAbstractButton *undo = box->buttons().size() > 1 ? box->buttons().last() : nullptr;
            if (!hungarian && undo && undo->text() == QStringLiteral("Undo"))
                undo->click();
            else
                box->button(QMessageBox::Ok)->click();
            return;
        }
        otherBox |= !dialog;
        if (!dialog || dialogs.contains(dialog))
            return;
        dialogs << dialog;
        const auto *label = dialog->findChild<QLabel *>();
        QVERIFY(label);
        seenLabel = label->text();
        modality = dialog->windowModality();
        auto *button = dialog->findChild<QPushButton *>();
        seenStop = button->text();
        if (stop)
            button->click();
    });
    QVERIFY(!otherBox);
    QCOMPARE(dialogs.size(), label.isEmpty() ? 0 : 1);
    QCOMPARE(seenLabel, label);
    QCOMPARE(seenStop, stopText);
    if (!label.isEmpty())
        QCOMPARE(modality, Qt::WindowModal);
    QVERIFY(m_main->findChildren<QProgressDialog *>().isEmpty()); // gone with the run

    // Each file under exactly one name: its new one with its own content, or its old one.
    const QStringList after = onDisk();
    QCOMPARE(after.size(), files);
    int renamed = 0;
    for (int i = 0; i < files; ++i) {
        const bool isNew = after.contains(targetName(i));
        QVERIFY2(isNew != after.contains(oldName(i)), qPrintable(oldName(i)));
        QCOMPARE(testsupport::readFile(m_dir->filePath(isNew ? targetName(i) : oldName(i))),
                 oldName(i).toUtf8());
        renamed += isNew;
    }
    if (stop && hungarian) {
        QVERIFY2(renamed >= 1 && renamed < files / 2, qPrintable(QString::number(renamed)));
        QVERIFY2(
            stoppedText.startsWith(QStringLiteral("Az átnevezés leállt: %1 fájl").arg(renamed)),
            qPrintable(stoppedText));
    } else if (stop) {
        QVERIFY2(stoppedText.startsWith(QStringLiteral("The run was stopped: ")),
                 qPrintable(stoppedText));
        QCOMPARE(renamed, 0); // taken back by Undo
    } else
        QCOMPARE(renamed, files);
    // Listed again as after any run.
    QStringList relisted = listed();
    relisted.sort();
    QCOMPARE(relisted, after);
}

QTEST_MAIN(RenameProgressTest)
#include "tst_rename_progress.moc"
