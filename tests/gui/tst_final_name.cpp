#include "Filvane.h"
#include "GuiTestSupport.h"
#include "NameGridModel.h"
#include "Option.h"
#include "Windows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

// The tool tip of a new-name row shows the exact name the Rename command would give it now.
class FinalNameTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_windows = Windows(); }
    void followsEveryCompositionRule();

private:
    QString tip(int row) {
        const QAbstractItemModel *model = m_main->nameGrid()->model();
        return model->data(model->index(row - 1, 1), Qt::ToolTipRole).toString();
    }
    void setOptions(bool numbering, bool keepExtension, const QString &extension);
    void type(int row, const char *name) { m_main->lists().nameList().setCell(1, row, name); }

    Windows m_windows;
    TMainForm *m_main = nullptr;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void FinalNameTest::init() {
    m_windows = createWindows();
    m_main = m_windows.main.get();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowActive(m_main));
    m_dir = std::make_unique<QTemporaryDir>();
    for (const char *file : {"a.mp3", "b.doc", "c"})
        QVERIFY(testsupport::writeFile(m_dir->filePath(file)));
    const std::string dir = m_dir->path().toStdString();
    m_main->readDirectory(dir, dir + "/*.*");
}

void FinalNameTest::setOptions(bool numbering, bool keepExtension, const QString &extension) {
    const auto answered = testsupport::answerNextModal([&](QWidget *modal) {
        auto *form = qobject_cast<TOptionsForm *>(modal);
        QVERIFY(form);
        if (form->noCheck()->isChecked() != numbering)
            form->noCheck()->click();
        if (form->keepCheck()->isChecked() != keepExtension)
            form->keepCheck()->click();
        form->extBox()->setEditText(extension);
        form->findChild<QToolButton *>("OKBtn")->click();
    });
    m_main->OptionsBtnClick();
    QVERIFY(*answered);
}

void FinalNameTest::followsEveryCompositionRule() {
    type(1, "Alpha");
    type(2, "Beta");
    QCOMPARE(tip(1), QStringLiteral("01 - Alpha.mp3"));
    QCOMPARE(tip(2), QStringLiteral("02 - Beta.doc"));
    QCOMPARE(tip(3), QStringLiteral("03 - ")); // "c" has no extension, nothing typed

    setOptions(true, false, ".txt"); // OK clears typed names: type again afterwards
    type(1, "Alpha");
    QCOMPARE(tip(1), QStringLiteral("01 - Alpha.txt"));

    setOptions(false, true, QString());
    type(1, "Alpha");
    QCOMPARE(tip(1), QStringLiteral("Alpha.mp3"));

    setOptions(false, false, "mp3"); // joined as it stands, no dot added
    type(2, "Song");
    QCOMPARE(tip(2), QStringLiteral("Songmp3"));

    // A name the run would refuse keeps the file's old name.
    type(2, "a/b");
    QCOMPARE(tip(2), QStringLiteral("b.doc"));

    // Numbers only, read from the dialog's box even after Cancel.
    const auto answered = testsupport::answerNextModal([](QWidget *modal) {
        auto *form = qobject_cast<TOptionsForm *>(modal);
        form->keepCheck()->click(); // keep extension back on, then numbers only
        form->noOnlyCheck()->click();
        form->extBox()->setEditText("mp3");
        form->findChild<QToolButton *>("CancelBtn")->click();
    });
    m_main->OptionsBtnClick();
    QVERIFY(*answered);
    QCOMPARE(tip(1), QStringLiteral("01mp3")); // flags unchanged by Cancel: keep extension off
    QCOMPARE(tip(3), QStringLiteral("03mp3"));
}

QTEST_MAIN(FinalNameTest)
#include "tst_final_name.moc"
