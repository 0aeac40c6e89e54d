#include "GuiTestSupport.h"
#include "app/Filvane.h"
#include "app/Windows.h"
#include "core/texts/TextTable.h"
#include "dialogs/Read.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

// The dialog on a real directory tree: TREE/{music/{rock,Jazz,.hidden},photos}, files in music.
class ReadDialogTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void firstOkListsTheStartupDirectory();
    void opensRowsByDoubleClickAndEnterButNotBySingleClick();
    void okListsTheHighlightedFolder_data();
    void okListsTheHighlightedFolder();
    void cancelAndCloseBoxKeepWhatWasLeft();
    void searchPattern_data();
    void searchPattern();
    void directoryThatCannotBeEntered_data();
    void directoryThatCannotBeEntered();
    void volumesOpenTheirLastDirectory();

private:
    QString path(const QString &relative) const { return m_root + QLatin1Char('/') + relative; }
    static std::string str(const QString &text) { return text.toStdString(); }
    void makeDialog(bool show = true);
    QListView *dirBox() const { return m_dialog->findChild<QListView *>("DirBox"); }
    QComboBox *combo(const char *name) const { return m_dialog->findChild<QComboBox *>(name); }
    QLineEdit *typeEdit() const { return m_dialog->findChild<QLineEdit *>("TypeEdit"); }
    QStringList rows() const;
    QModelIndex rowNamed(const QString &name) const {
        return dirBox()->model()->index(static_cast<int>(rows().indexOf(name)), 0);
    }
    void doubleClick(const QModelIndex &index);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root; // the tree, links resolved as the dialog reports directories
    QString m_startCwd;
    filvane::StoredTexts m_texts;
    std::unique_ptr<TReadForm> m_dialog;
};

void ReadDialogTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_root = QFileInfo(m_dir->path()).canonicalFilePath();
    QDir tree(m_root);
    for (const char *sub : {"music/rock", "music/Jazz", "music/.hidden", "photos"})
        QVERIFY(tree.mkpath(QString::fromLatin1(sub)));
    for (const char *file : {"music/a.mp3", "music/b.MP3", "music/notes.txt"})
        QVERIFY(testsupport::writeFile(path(QString::fromLatin1(file))));
    m_startCwd = QDir::currentPath();
    m_texts.apply(filvane::Language::English);
}

void ReadDialogTest::cleanup() {
    m_dialog.reset();
    QDir::setCurrent(m_startCwd);
}

void ReadDialogTest::makeDialog(bool show) {
    QVERIFY(QDir::setCurrent(path("music")));
    m_dialog = std::make_unique<TReadForm>();
    m_dialog->setTexts(m_texts);
    if (show)
        m_dialog->show();
}

QStringList ReadDialogTest::rows() const {
    QStringList names;
    const QAbstractItemModel *model = dirBox()->model();
    for (int row = 0; row < model->rowCount(); ++row)
        names << model->index(row, 0).data().toString();
    return names;
}

void ReadDialogTest::doubleClick(const QModelIndex &index) {
    QVERIFY(index.isValid());
    dirBox()->scrollTo(index);
    const QPoint centre = dirBox()->visualRect(index).center();
    // QTest::mouseDClick does not reach an item view's double-click handler in Qt 6.4, so
    // the events a person's double click delivers are sent directly.
    QWidget *viewport = dirBox()->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, centre);
    const QPointF local(centre);
    QMouseEvent doubleClickEvent(QEvent::MouseButtonDblClick, local, viewport->mapToGlobal(local),
                                 Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &doubleClickEvent);
}

void ReadDialogTest::firstOkListsTheStartupDirectory() {
    QVERIFY(QDir::setCurrent(path("music")));
    Windows windows = createWindows();
    const auto answered = testsupport::answerNextModal([](QWidget *modal) {
        QTest::mouseClick(modal->findChild<QToolButton *>("OKBtn"), Qt::LeftButton);
    });
    windows.main->ReadBtnClick();
    QVERIFY(*answered);
    QVERIFY(windows.read->isAccepted());
    QCOMPARE(QString::fromStdString(windows.main->listingDirectory()), path("music"));
    QCOMPARE(QString::fromStdString(windows.main->searchPattern()), path("music/*.*"));
    QCOMPARE(windows.main->lists().fileCount(), 3);
}

void ReadDialogTest::opensRowsByDoubleClickAndEnterButNotBySingleClick() {
    makeDialog();
    // Root, the path down to the open directory, then its visible subdirectories sorted.
    QStringList expected{QStringLiteral("/")};
    expected << m_root.split(QLatin1Char('/'), Qt::SkipEmptyParts) << QStringLiteral("music")
             << QStringLiteral("Jazz") << QStringLiteral("rock");
    QCOMPARE(rows(), expected);
    QCOMPARE(dirBox()->currentIndex(), rowNamed(QStringLiteral("music")));

    const QModelIndex rock = rowNamed(QStringLiteral("rock"));
    QTest::mouseClick(dirBox()->viewport(), Qt::LeftButton, {},
                      dirBox()->visualRect(rock).center());
    QCOMPARE(dirBox()->currentIndex(), rock);
    QCOMPARE(m_dialog->openDirectory(), str(path("music"))); // highlighted, not opened

    doubleClick(rock);
    QCOMPARE(m_dialog->openDirectory(), str(path("music/rock")));
    QCOMPARE(rows().last(), QStringLiteral("rock"));
    doubleClick(rowNamed(QStringLiteral("music"))); // a path row above
    QCOMPARE(m_dialog->openDirectory(), str(path("music")));

    dirBox()->setFocus();
    dirBox()->setCurrentIndex(rowNamed(QStringLiteral("Jazz")));
    QTest::keyClick(dirBox(), Qt::Key_Return);
    QCOMPARE(m_dialog->openDirectory(), str(path("music/Jazz")));
    QVERIFY(m_dialog->isVisible()); // Enter opens the row, it does not end the dialog

    // The open directory's own row changes nothing; the process's directory never moved.
    doubleClick(rowNamed(QStringLiteral("Jazz")));
    QCOMPARE(m_dialog->openDirectory(), str(path("music/Jazz")));
    QCOMPARE(QDir::currentPath(), path("music"));
    doubleClick(dirBox()->model()->index(0, 0));
    QCOMPARE(m_dialog->openDirectory(), std::string("/"));
}

void ReadDialogTest::okListsTheHighlightedFolder_data() {
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<QString>("listed");
    QTest::newRow("a subfolder") << "rock"
                                 << "music/rock";
    QTest::newRow("a folder on the path") << ""
                                          << ""; // the tree's own folder, above music
    QTest::newRow("the open folder") << "music"
                                     << "music";
}

void ReadDialogTest::okListsTheHighlightedFolder() {
    QFETCH(QString, clicked);
    QFETCH(QString, listed);
    if (clicked.isEmpty())
        clicked = QFileInfo(m_root).fileName();
    QVERIFY(QDir(path("music")).mkpath(QStringLiteral("gone")));
    makeDialog(false);
    auto answered = testsupport::answerNextModal([&](QWidget *) {
        const QModelIndex row = rowNamed(clicked);
        QTest::mouseClick(dirBox()->viewport(), Qt::LeftButton, {},
                          dirBox()->visualRect(row).center());
        QCOMPARE(dirBox()->currentIndex(), row);
        QTest::mouseClick(m_dialog->findChild<QToolButton *>("OKBtn"), Qt::LeftButton);
    });
    m_dialog->exec();
    QVERIFY(*answered);
    QVERIFY(m_dialog->isAccepted());
    const QString expected = listed.isEmpty() ? m_root : path(listed);
    QCOMPARE(m_dialog->openDirectory(), str(expected));
    QCOMPARE(m_dialog->searchPattern(), str(expected + QStringLiteral("/*.*")));

    // A highlighted folder that has gone meanwhile: OK shows why and the dialog stays open.
    QVERIFY(m_dialog->changeDirectory(str(path("music"))));
    answered = testsupport::answerNextModal([&](QWidget *) {
        const QModelIndex gone = rowNamed(QStringLiteral("gone"));
        QVERIFY(gone.isValid());
        dirBox()->setCurrentIndex(gone);
        QVERIFY(QDir(path("music")).rmdir(QStringLiteral("gone")));
        const auto error = testsupport::answerNextModal([](QWidget *box) {
            QCOMPARE(qobject_cast<QMessageBox *>(box)->text(), QStringLiteral("File not found."));
            box->close();
        });
        m_dialog->OKBtnClick();
        QVERIFY(*error);
        QVERIFY(m_dialog->isVisible());
        QVERIFY(!m_dialog->isAccepted());
        m_dialog->CancelBtnClick();
    });
    m_dialog->exec();
    QVERIFY(*answered);
    QCOMPARE(m_dialog->openDirectory(), str(path("music")));
}

void ReadDialogTest::cancelAndCloseBoxKeepWhatWasLeft() {
    makeDialog(false);
    auto answered = testsupport::answerNextModal([this](QWidget *) {
        doubleClick(rowNamed(QStringLiteral("rock")));
        combo("FilterBox")->setCurrentIndex(1); // MP3 files
        typeEdit()->setText(QStringLiteral("live*.mp3"));
        QTest::mouseClick(m_dialog->findChild<QToolButton *>("CancelBtn"), Qt::LeftButton);
    });
    m_dialog->exec();
    QVERIFY(*answered);
    QVERIFY(!m_dialog->isAccepted());
    const QPoint leftAt(37, 41);
    m_dialog->move(leftAt);

    answered = testsupport::answerNextModal([this](QWidget *) { m_dialog->OKBtnClick(); });
    m_dialog->exec();
    QVERIFY(*answered);
    QVERIFY(m_dialog->isAccepted());

    // The close box gives what Cancel gives: the activation cleared the flag of the last OK.
    answered = testsupport::answerNextModal([this](QWidget *) { m_dialog->close(); });
    m_dialog->exec();
    QVERIFY(*answered);
    QVERIFY(!m_dialog->isAccepted());

    QCOMPARE(m_dialog->openDirectory(), str(path("music/rock")));
    QCOMPARE(combo("FilterBox")->currentIndex(), 1);
    QCOMPARE(typeEdit()->text(), QStringLiteral("live*.mp3"));
    QCOMPARE(m_dialog->pos(), leftAt);
    QCOMPARE(m_dialog->searchPattern(), str(path("music/rock/live*.mp3")));
}

void ReadDialogTest::searchPattern_data() {
    QTest::addColumn<bool>("atRoot");
    QTest::addColumn<QString>("typed"); // after the filter choice; none: its mask stays
    QTest::addColumn<QString>("expected");
    QTest::newRow("root, filter mask") << true << QString() << QStringLiteral("/*.mp3");
    QTest::newRow("root ignores typed")
        << true << QStringLiteral("*.gif") << QStringLiteral("/*.mp3");
    QTest::newRow("directory, filter mask") << false << QString() << QStringLiteral("@/*.mp3");
    QTest::newRow("directory, typed")
        << false << QStringLiteral("a*.*") << QStringLiteral("@/a*.*");
    QTest::newRow("typed as is") << false << QStringLiteral(" a*.* ") << QStringLiteral("@/ a*.* ");
}

void ReadDialogTest::searchPattern() {
    QFETCH(bool, atRoot);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    makeDialog();
    typeEdit()->setText(QStringLiteral("earlier*"));
    combo("FilterBox")->setCurrentIndex(1); // MP3 files: its mask replaces what was typed
    if (!typed.isNull())
        typeEdit()->setText(typed);
    if (atRoot)
        doubleClick(dirBox()->model()->index(0, 0));
    expected.replace(QLatin1Char('@'), path("music"));
    QCOMPARE(QString::fromStdString(m_dialog->searchPattern()), expected);
}

void ReadDialogTest::directoryThatCannotBeEntered_data() {
    QTest::addColumn<bool>("replaceByFile");
    QTest::addColumn<QString>("message");
    QTest::newRow("removed") << false << QStringLiteral("File not found.");
    QTest::newRow("now a file") << true << QStringLiteral("Invalid filename.");
}

void ReadDialogTest::directoryThatCannotBeEntered() {
    QFETCH(bool, replaceByFile);
    QFETCH(QString, message);
    makeDialog();
    const QStringList before = rows();
    QVERIFY(QDir(path("music")).rmdir(QStringLiteral("rock")));
    if (replaceByFile)
        QVERIFY(testsupport::writeFile(path("music/rock")));

    const auto answered = testsupport::answerNextModal([&](QWidget *modal) {
        const auto *box = qobject_cast<QMessageBox *>(modal);
        modal->close(); // the box stays until its exec() returns, after this answer
        QVERIFY(box);
        QCOMPARE(box->text(), message);
        QCOMPARE(box->windowTitle(), QStringLiteral("Orvessa - MP3 Filvane"));
        QCOMPARE(box->icon(), QMessageBox::Critical);
        QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    });
    doubleClick(rowNamed(QStringLiteral("rock")));
    QVERIFY(*answered);
    // The dialog stays open on the old directory with its old rows.
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(m_dialog->openDirectory(), str(path("music")));
    QCOMPARE(rows(), before);
}

void ReadDialogTest::volumesOpenTheirLastDirectory() {
    QVERIFY(QDir(m_root).mkpath(QStringLiteral("second/deep")));
    QVERIFY(QDir(m_root).mkpath(QStringLiteral("third")));
    makeDialog(false);
    using filvane::VolumeKind;
    const std::vector<filvane::Volume> volumes = {
        {"/", VolumeKind::Fixed, "/ [system]"},
        {str(m_root), VolumeKind::Fixed, str(m_root) + " []"},
        {str(path("second")), VolumeKind::Remote, str(path("second")) + " //server/share"},
        {str(path("third")), VolumeKind::RamDisk, str(path("third")) + " []"},
    };
    m_dialog->setVolumeSource([volumes] { return volumes; });
    m_dialog->show();
    QComboBox *drives = combo("DriveCombo");
    QCOMPARE(drives->currentIndex(), 1); // the volume holding the start-up directory

    drives->setCurrentIndex(2);
    QCOMPARE(m_dialog->openDirectory(), str(path("second")));
    doubleClick(rowNamed(QStringLiteral("deep")));
    QCOMPARE(m_dialog->openDirectory(), str(path("second/deep")));
    drives->setCurrentIndex(1);
    QCOMPARE(m_dialog->openDirectory(), str(path("music")));
    drives->setCurrentIndex(2);
    QCOMPARE(m_dialog->openDirectory(), str(path("second/deep")));

    // Walking up the path rows onto another volume brings the drive list along.
    doubleClick(rowNamed(QFileInfo(m_root).fileName()));
    QCOMPARE(m_dialog->openDirectory(), str(m_root));
    QCOMPARE(drives->currentIndex(), 1);

    // A volume that cannot be entered: the drive list shows it, the directory list stays.
    QVERIFY(QDir(path("third")).removeRecursively());
    const auto answered = testsupport::answerNextModal([](QWidget *modal) {
        QCOMPARE(qobject_cast<QMessageBox *>(modal)->text(), QStringLiteral("File not found."));
        qobject_cast<QMessageBox *>(modal)->button(QMessageBox::Ok)->click();
    });
    drives->setCurrentIndex(3);
    QVERIFY(*answered);
    QCOMPARE(drives->currentIndex(), 3);
    QCOMPARE(m_dialog->openDirectory(), str(m_root));
    drives->setCurrentIndex(1); // back in line without navigating
    QCOMPARE(m_dialog->openDirectory(), str(m_root));
}

QTEST_MAIN(ReadDialogTest)
#include "tst_read_dialog.moc"
