#include "Filvane.h"
#include "GuiTestSupport.h"
#include "NameGridModel.h"
#include "Option.h"
#include "Windows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <memory>

class RenameTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void yesRenamesAndListsAgain();
    void answersOtherThanYesRenameNothing_data();
    void answersOtherThanYesRenameNothing();
    void cancelledOptionsStillShapeTheRun();
    void numberingOffGivesNamesWithoutNumber();
    void rootIsListedAgainByDoubledSeparator();

private:
    void listSample(const QStringList &names);
    void type(int row, const QString &name);
    // Presses Rename and answers the confirmation with `answer`; checks the box on the way.
    void rename(const std::function<void(QMessageBox *)> &answer);
    void options(const std::function<void(TOptionsForm *)> &act);
    QStringList filesOnDisk() const {
        return QDir(m_dir->path()).entryList(QDir::Files, QDir::Name);
    }
    QStringList listedNames() const;

    Windows m_windows;
    TMainForm *m_main = nullptr;
    std::unique_ptr<QTemporaryDir> m_dir; // fresh for every test
};

void RenameTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_windows = createWindows();
    m_main = m_windows.main.get();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowActive(m_main));
}

void RenameTest::cleanup() {
    m_windows = Windows();
}

void RenameTest::listSample(const QStringList &names) {
    for (const QString &name : names)
        QVERIFY(testsupport::writeFile(m_dir->filePath(name), name.toUtf8()));
    const std::string dir = m_dir->path().toStdString();
    m_main->readDirectory(dir, dir + "/*.*");
    m_main->showItemCount(m_main->lists().fileCount());
}

void RenameTest::type(int row, const QString &name) {
    NameGridModel *model = m_main->nameModel();
    QVERIFY(model->setData(model->index(row - 1, 1), name, Qt::EditRole));
}

QStringList RenameTest::listedNames() const {
    QStringList names;
    for (int row = 1; row <= m_main->lists().fileCount(); ++row)
        names << QString::fromStdString(m_main->lists().readList().cell(1, row));
    return names;
}

void RenameTest::rename(const std::function<void(QMessageBox *)> &answer) {
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString defaultText, escapeText;
    auto answered = testsupport::answerNextModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box) {
            modal->close();
            return;
        }
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        if (box->defaultButton())
            defaultText = box->defaultButton()->text();
        if (box->escapeButton())
            escapeText = qobject_cast<QAbstractButton *>(box->escapeButton())->text();
        answer(box);
        if (box->isVisible())
            box->close();
    });
    m_main->findChild<QToolButton *>("RenBtn")->click();
    QVERIFY(*answered);
    QCOMPARE(caption, QStringLiteral("Warning"));
    QCOMPARE(text, QStringLiteral("Are you sure to rename the files?"));
    QCOMPARE(icon, QMessageBox::Warning);
    QCOMPARE(defaultText, QStringLiteral("&Yes"));
    QCOMPARE(escapeText, QStringLiteral("&No"));
}

void RenameTest::options(const std::function<void(TOptionsForm *)> &act) {
    auto answered = testsupport::answerNextModal([&](QWidget *modal) {
        if (auto *form = qobject_cast<TOptionsForm *>(modal))
            act(form);
        if (modal->isVisible())
            modal->close(); // also after a failed check inside `act`
    });
    m_main->findChild<QToolButton *>("OptionsBtn")->click();
    QVERIFY(*answered);
}

void RenameTest::yesRenamesAndListsAgain() {
    listSample({"b.mp3", "a.mp3", "c.wav"});
    type(1, QStringLiteral("Alpha"));
    type(2, QStringLiteral("Béta"));
    type(3, QStringLiteral("Gamma"));
    const QString countBefore = m_main->findChild<QLabel *>("CountPanel")->text();
    // Enter answers Yes.
    rename([](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Return); });
    const QStringList expected{"01 - Alpha.mp3", "02 - Béta.mp3", "03 - Gamma.wav"};
    QCOMPARE(filesOnDisk(), expected);
    QCOMPARE(QString::fromUtf8(testsupport::readFile(m_dir->filePath("01 - Alpha.mp3"))),
             QStringLiteral("a.mp3"));
    // The options were never opened: the box is empty, so every file is listed again.
    QCOMPARE(m_main->searchPattern(), m_dir->path().toStdString() + "/*");
    QCOMPARE(listedNames(), expected);
    // Typed names stay beside the listed files, and the count is not refreshed.
    QCOMPARE(QString::fromStdString(m_main->lists().nameList().cell(1, 2)), QStringLiteral("Béta"));
    QCOMPARE(m_main->findChild<QLabel *>("CountPanel")->text(), countBefore);
    QVERIFY(m_main->findChild<QToolButton *>("RenBtn")->isEnabled());
}

void RenameTest::answersOtherThanYesRenameNothing_data() {
    QTest::addColumn<int>("how");
    QTest::newRow("No button") << 0;
    QTest::newRow("Escape") << 1;
    QTest::newRow("close box") << 2;
}

void RenameTest::answersOtherThanYesRenameNothing() {
    QFETCH(int, how);
    listSample({"a.mp3", "b.wav", "c.wav"});
    type(1, QStringLiteral("x"));
    // Offer ".wav" in the extension box and leave with Cancel: the list still follows it.
    options([](TOptionsForm *form) {
        form->extBox()->setEditText(QStringLiteral(".wav"));
        form->findChild<QToolButton *>("CancelBtn")->click();
    });
    rename([how](QMessageBox *box) {
        if (how == 0) {
            for (QAbstractButton *button : box->buttons())
                if (button->text() == QStringLiteral("&No"))
                    button->click();
        } else if (how == 1)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->close();
    });
    QCOMPARE(filesOnDisk(), (QStringList{"a.mp3", "b.wav", "c.wav"}));
    QCOMPARE(listedNames(), (QStringList{"b.wav", "c.wav"}));
    QCOMPARE(m_main->searchPattern(), m_dir->path().toStdString() + "/*.wav");
}

void RenameTest::cancelledOptionsStillShapeTheRun() {
    listSample({"a.mp3", "b.mp3", "c.mp3"});
    type(3, QStringLiteral("typed"));
    options([](TOptionsForm *form) {
        form->noOnlyCheck()->click();
        form->findChild<QToolButton *>("CancelBtn")->click();
    });
    // Nothing applied: the list stays editable and the typed name stays.
    QVERIFY(m_main->nameModel()->isEditable());
    QCOMPARE(m_main->lists().nameList().cell(1, 3), std::string("typed"));
    rename(
        [](QMessageBox *box) { qobject_cast<QAbstractButton *>(box->defaultButton())->click(); });
    QCOMPARE(filesOnDisk(), (QStringList{"01.mp3", "02.mp3", "03.mp3"}));
}

void RenameTest::numberingOffGivesNamesWithoutNumber() {
    listSample({"a.doc", "b.doc"});
    options([](TOptionsForm *form) {
        form->noCheck()->click();
        form->keepCheck()->click();
        form->fileCheck()->click();
        form->extBox()->setEditText(QStringLiteral("txt"));
        form->findChild<QToolButton *>("OKBtn")->click();
    });
    type(2, QStringLiteral("bee"));
    rename([](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Enter); });
    // No dot is added to a chosen extension typed without one.
    QCOMPARE(filesOnDisk(), (QStringList{"atxt", "beetxt"}));
    // Listed again by "*txt".
    QCOMPARE(listedNames(), (QStringList{"atxt", "beetxt"}));
}

void RenameTest::rootIsListedAgainByDoubledSeparator() {
    m_main->readDirectory("/", "/*.*");
    options([](TOptionsForm *form) {
        form->extBox()->setEditText(QStringLiteral(".filvane-none"));
        form->findChild<QToolButton *>("CancelBtn")->click();
    });
    rename([](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Escape); });
    QCOMPARE(m_main->searchPattern(), std::string("//*.filvane-none"));
    QCOMPARE(m_main->lists().fileCount(), 0);
    // An extension that matches in the root is found through the doubled separator.
    const QString probe = QStringLiteral("/filvane-root-probe.fvmark");
    if (!testsupport::writeFile(probe))
        QSKIP("cannot write in the root directory");
    options([](TOptionsForm *form) {
        form->extBox()->setEditText(QStringLiteral(".fvmark"));
        form->findChild<QToolButton *>("CancelBtn")->click();
    });
    rename([](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Escape); });
    QFile::remove(probe);
    QCOMPARE(m_main->searchPattern(), std::string("//*.fvmark"));
    QCOMPARE(listedNames(), QStringList{"filvane-root-probe.fvmark"});
}

QTEST_MAIN(RenameTest)
#include "tst_rename.moc"
