// What reaches the window from outside it: dropped folders and files, and what the last run of
// the program remembered.
#include "MainWindowFixture.h"
#include "app/AppSettings.h"

#include <QDropEvent>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QTableView>
#include <QUrl>

class OpenFromOutsideTest : public MainWindowFixture {
    Q_OBJECT

private slots:
    void droppedFolderOrFilesAreListed();
    void captionClickSwitchesToNaturalOrder();
    void rememberedSettingsAreRestored();
    void corruptSettingsGiveDefaults();

private:
    void drop(const QStringList &paths);
};

void OpenFromOutsideTest::drop(const QStringList &paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    const QPoint at = m_main->readGrid()->geometry().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_main, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_main, &dropped);
}

void OpenFromOutsideTest::droppedFolderOrFilesAreListed() {
    for (const char *name : {"b.mp3", "a.wav", "c.txt", "noext"})
        QVERIFY(testsupport::writeFile(m_dir->filePath(QString::fromLatin1(name))));
    drop({m_dir->path()});
    QCOMPARE(listed(), (QStringList{"a.wav", "b.mp3", "c.txt", "noext"})); // by "*.*"
    QVERIFY(button("RenBtn")->isEnabled());

    drop({m_dir->filePath("c.txt"), m_dir->filePath("a.wav")});
    QCOMPARE(listed(), (QStringList{"a.wav", "c.txt"}));
    QCOMPARE(testsupport::labelText(m_main, "CountPanel"), QStringLiteral("Items: 2"));

    // Files of two folders: said so, and the lists stay as they were.
    QTemporaryDir other;
    QVERIFY(testsupport::writeFile(other.filePath("x.mp3")));
    QString told;
    auto answered = testsupport::answerNextModal([&](QWidget *modal) {
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            told = box->text();
        modal->close();
    });
    drop({m_dir->filePath("b.mp3"), other.filePath("x.mp3")});
    QVERIFY(*answered);
    QVERIFY(!told.isEmpty());
    QCOMPARE(listed(), (QStringList{"a.wav", "c.txt"}));
}

void OpenFromOutsideTest::captionClickSwitchesToNaturalOrder() {
    list({"Track 1.mp3", "Track 2.mp3", "Track 10.mp3", "Track 12.mp3"});
    QCOMPARE(listed(), (QStringList{"Track 1.mp3", "Track 10.mp3", "Track 12.mp3", "Track 2.mp3"}));
    type(4, QStringLiteral("Two"));
    QHeaderView *header = m_main->readGrid()->horizontalHeader();
    emit header->sectionClicked(1);
    QCOMPARE(listed(), (QStringList{"Track 1.mp3", "Track 2.mp3", "Track 10.mp3", "Track 12.mp3"}));
    QCOMPARE(newName(2), QStringLiteral("Two")); // went with its file
    QVERIFY(header->isSortIndicatorShown());
    QVERIFY(header->toolTip().startsWith(QStringLiteral("Sorted in natural order")));
    QCOMPARE(AppSettings().load().sortOrder, filvane::SortOrder::Natural);
    emit header->sectionClicked(1);
    QCOMPARE(listed(), (QStringList{"Track 1.mp3", "Track 10.mp3", "Track 12.mp3", "Track 2.mp3"}));
    QVERIFY(!header->isSortIndicatorShown());
}

void OpenFromOutsideTest::rememberedSettingsAreRestored() {
    {
        AppSettings settings;
        QVERIFY(settings.saveLanguage(filvane::Language::Hungarian));
        QVERIFY(settings.saveOptions(
            {.keepExtension = false, .numbersOnly = true, .chosenExtension = ".ogg"}));
        QVERIFY(settings.saveSortOrder(filvane::SortOrder::Natural));
        QVERIFY(settings.saveWindowPosition(RememberedWindow::Options, QPoint(40, 30)));
    }
    m_main->restoreSettings();
    QPoint optionsAt;
    options([&](TOptionsForm *form) {
        optionsAt = form->pos();
        cancel(form);
    });
    QCOMPARE(optionsAt, QPoint(40, 30));
    QCOMPARE(button("ReadBtn")->text(), QStringLiteral("Beolvas"));
    QCOMPARE(m_main->session().options().numbersOnly, true);
    QCOMPARE(m_main->session().options().chosenExtension, std::string(".ogg"));
    QCOMPARE(m_main->session().sortOrder(), filvane::SortOrder::Natural);
    QVERIFY(!m_main->nameModel()->isEditable());
    list({"x10.mp3", "x9.mp3"});
    rename();
    QCOMPARE(onDisk(), (QStringList{"01.ogg", "02.ogg"})); // x9 first, in natural order
    QCOMPARE(testsupport::readFile(m_dir->filePath("01.ogg")), QByteArray("x9.mp3"));
    // Switching back is remembered too.
    m_main->ApplyEnglish(true);
    QCOMPARE(AppSettings().load().language, filvane::Language::English);
    AppSettings().save(Remembered());
}

void OpenFromOutsideTest::corruptSettingsGiveDefaults() {
    QFile file(AppSettings::defaultPath());
    QDir().mkpath(QFileInfo(file).absolutePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("\x00\xff[language]\nlanguage=\x01\x02", 24));
    file.close();
    m_main->restoreSettings();
    QCOMPARE(button("ReadBtn")->text(), QStringLiteral("Read"));
    QCOMPARE(m_main->session().options().numbering, true);
    list({"a.mp3"});
    type(1, QStringLiteral("A"));
    rename();
    QCOMPARE(onDisk(), QStringList{"01 - A.mp3"});
    QFile::remove(AppSettings::defaultPath());
}

QTEST_MAIN(OpenFromOutsideTest)
#include "tst_open_from_outside.moc"
