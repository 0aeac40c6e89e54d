// Taking runs back from the window: Ctrl+Z, and a run cut off by a crash at the next start.
#include "MainWindowFixture.h"
#include "core/RenameSession.h"
#include "core/journal/RunJournal.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTableView>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

class UndoTest : public MainWindowFixture {
    Q_OBJECT

private slots:
    void ctrlZTakesBackRunsOneAfterAnother();
    void interruptedRunIsRestoredAtStart();
};

void UndoTest::ctrlZTakesBackRunsOneAfterAnother() {
    list({"a.mp3", "b.mp3"});
    type(1, QStringLiteral("Alpha"));
    type(2, QStringLiteral("Beta"));
    rename();
    QCOMPARE(onDisk(), (QStringList{"01 - Alpha.mp3", "02 - Beta.mp3"}));
    QString question;
    auto answered = testsupport::answerNextModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        question = box->text();
        box->button(QMessageBox::Yes)->click();
    });
    m_main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_main));
    m_main->nameGrid()->setFocus();
    QTest::keyClick(m_main->nameGrid(), Qt::Key_Z, Qt::ControlModifier);
    QTRY_VERIFY(*answered);
    QVERIFY2(question.startsWith(QStringLiteral("Undo the last rename: give 2 files in ")),
             qPrintable(question));
    QCOMPARE(onDisk(), (QStringList{"a.mp3", "b.mp3"}));
    QCOMPARE(listed(), (QStringList{"a.mp3", "b.mp3"})); // listed again
    // Nothing more to undo: Ctrl+Z asks nothing and changes nothing.
    QVERIFY(!m_main->session().undoableRun());
    m_main->undoAction()->trigger();
    QCOMPARE(onDisk(), (QStringList{"a.mp3", "b.mp3"}));
}

void UndoTest::interruptedRunIsRestoredAtStart() {
    QStringList names;
    for (int i = 0; i < 40; ++i)
        names << QStringLiteral("f%1.txt").arg(i, 2, 10, QLatin1Char('0'));
    for (const QString &name : names)
        QVERIFY(testsupport::writeFile(m_dir->filePath(name), name.toUtf8()));
    const std::string dir = m_dir->path().toStdString();
    // A run in another process dies after ten files, as in a crash.
    const pid_t child = fork();
    if (child == 0) {
        filvane::RenameSession session(filvane::defaultJournalDirectory());
        session.setNumbering(true);
        session.setKeepExtension(true);
        session.read(dir, dir + "/*.*");
        session.applyOptions({.numbersOnly = true});
        session.run([](int done, int) {
            if (done == 10)
                ::kill(::getpid(), SIGKILL);
            return true;
        });
        ::_exit(0);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFSIGNALED(status));
    QVERIFY(onDisk() != names);

    QString told;
    auto answered = testsupport::answerNextModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        told = box->text();
        QCOMPARE(box->defaultButton()->text(), QStringLiteral("Restore the names"));
        QTest::keyClick(box, Qt::Key_Return);
    });
    m_main->recoverInterruptedRuns();
    QVERIFY(*answered);
    QVERIFY2(told.contains(QStringLiteral("was cut off: 10 of 40 files had been renamed")),
             qPrintable(told));
    QCOMPARE(onDisk(), names);
    for (const QString &name : names)
        QCOMPARE(testsupport::readFile(m_dir->filePath(name)), name.toUtf8());
    // Dealt with: not offered again.
    m_main->recoverInterruptedRuns();
}

QTEST_MAIN(UndoTest)
#include "tst_undo.moc"
