#include "MainWindowFixture.h"
#include "dialogs/NameTools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using filvane::Language;
using filvane::NumberFormat;
using Names = std::vector<std::string>;

// The dialogs alone, and one tool through the window: its key, its page, Ctrl+Z.
class NameToolsTest : public MainWindowFixture {
    Q_OBJECT

private slots:
    void regexReplaceRoundTrip();
    void badPatternShowsErrorAndDisablesOk_data();
    void badPatternShowsErrorAndDisablesOk();
    void onlyTheSelectedRows();
    void numberingChangesTheFormatAndNoName();
    void cancelHandsBackTheNamesAsGiven();
    void oneRowThatTookTooLongIsSaidInTheSingular();
    void safeNamesArePreviewedWithTheirNumberAndExtension();
    void aResultTooLongForAnyDriveKeepsOkOff();
    void safeNamesFromTheWindowAreOneStepToUndo();

private:
    template <class T> static T *child(QWidget *form, const char *name) {
        return form->findChild<T *>(QString::fromLatin1(name));
    }
    static QString preview(QWidget *form, int row, int column) {
        const QTreeWidgetItem *item = child<QTreeWidget>(form, "PreviewTree")->topLevelItem(row);
        return item ? item->text(column) : QStringLiteral("<no row %1>").arg(row);
    }
};

const Names album = {"Artist A - Song One", "Artist B - Song Two", "Intro"};

// The window composes each shown row as the run would (its own test shows that); here a stand-in
// that numbers `count` rows and adds `extension`.
FinalNamePreview numbered(int count, std::string extension) {
    return [count, extension](int row, const std::string &typed, const NumberFormat *numbers) {
        const NumberFormat format = numbers ? *numbers : NumberFormat{};
        return QString::fromStdString(filvane::formatNumber(format, row, count) + format.separator +
                                      typed + extension);
    };
}

// The whole way a window takes: names in, exec(), the user's regular expression, OK, names out.
void NameToolsTest::regexReplaceRoundTrip() {
    TNameToolsForm form;
    form.setNames(album, {}, NumberFormat{}, true, numbered(3, ".mp3"));
    form.setTool(TNameToolsForm::Tool::Replace);
    const auto answered = testsupport::answerNextModal([](QWidget *modal) {
        QTest::keyClicks(child<QLineEdit>(modal, "FindEdit"), QStringLiteral("^(.+) - (.+)$"));
        QTest::keyClicks(child<QLineEdit>(modal, "ReplaceEdit"), QStringLiteral("$2 - $1"));
        child<QCheckBox>(modal, "RegexCheck")->click();
        // The first rows' final names before OK, and the count once typing pauses.
        QCOMPARE(preview(modal, 0, 0), QStringLiteral("01 - Artist A - Song One.mp3"));
        QCOMPARE(preview(modal, 0, 1), QStringLiteral("01 - Song One - Artist A.mp3"));
        QCOMPARE(preview(modal, 2, 1), QStringLiteral("03 - Intro.mp3"));
        QTRY_COMPARE(child<QLabel>(modal, "CountLabel")->text(),
                     QStringLiteral("2 of 3 rows change"));
        QVERIFY(child<QLabel>(modal, "ErrorLabel")->text().isEmpty());
        child<QPushButton>(modal, "OKBtn")->click();
    });
    QTimer::singleShot(5000, &form, [&] { form.done(42); }); // a failure above ends it
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    QVERIFY(*answered);
    QCOMPARE(form.result(), (Names{"Song One - Artist A", "Song Two - Artist B", "Intro"}));
    QCOMPARE(form.changedRows(), 2);
    QCOMPARE(form.toolName(), QStringLiteral("Replace"));
    QVERIFY(form.numberFormat() == NumberFormat{});
}

void NameToolsTest::badPatternShowsErrorAndDisablesOk_data() {
    QTest::addColumn<bool>("hungarian");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("error");
    QTest::newRow("parenthesis") << false << "(abc"
                                 << "x"
                                 << "Bad pattern at character 5: unbalanced parenthesis";
    QTest::newRow("set") << false << "[a-"
                         << "x"
                         << "Bad pattern at character 4: bad [set]";
    QTest::newRow("group in the replacement") << false << "(a)"
                                              << "$2"
                                              << "Bad replacement at character 1: no such group "
                                                 "in the pattern";
    QTest::newRow("Hungarian") << true << "(abc"
                               << "x"
                               << QStringLiteral(
                                      "Hibás minta a(z) 5. karakternél: páratlan zárójel");
}

void NameToolsTest::badPatternShowsErrorAndDisablesOk() {
    QFETCH(bool, hungarian);
    QFETCH(QString, find);
    QFETCH(QString, replacement);
    QFETCH(QString, error);
    TNameToolsForm form;
    form.setNames(album, {}, NumberFormat{});
    if (hungarian)
        form.setLanguage(Language::Hungarian);
    form.setTool(TNameToolsForm::Tool::Replace);
    form.show();
    child<QCheckBox>(&form, "RegexCheck")->setChecked(true);
    child<QLineEdit>(&form, "ReplaceEdit")->setText(replacement);
    child<QLineEdit>(&form, "FindEdit")->setText(find);
    auto *ok = child<QPushButton>(&form, "OKBtn");
    QCOMPARE(child<QLabel>(&form, "ErrorLabel")->text(), error);
    QVERIFY(!ok->isEnabled());
    QCOMPARE(preview(&form, 0, 1), preview(&form, 0, 0)); // a bad pattern changes nothing
    QTest::keyClick(&form, Qt::Key_Return);
    QVERIFY(form.isVisible()); // Enter does not take a bad pattern

    // Plain text has no syntax: the same characters are fine.
    child<QCheckBox>(&form, "RegexCheck")->setChecked(false);
    QVERIFY(child<QLabel>(&form, "ErrorLabel")->text().isEmpty());
    QVERIFY(ok->isEnabled());
}

void NameToolsTest::onlyTheSelectedRows() {
    TNameToolsForm form;
    form.setNames({"track one", "track two", "track three", "track four"}, {2, 1, 9},
                  NumberFormat{}, false);
    form.setTool(TNameToolsForm::Tool::Case);
    form.show();
    auto *selectedOnly = child<QCheckBox>(&form, "SelectedOnlyCheck");
    QVERIFY(selectedOnly->isChecked()); // two rows selected: they are what the tool is for
    QCOMPARE(selectedOnly->text(), QStringLiteral("Only the selected rows (2)"));
    child<QRadioButton>(&form, "UpperRadio")->click();
    QCOMPARE(preview(&form, 0, 0), QStringLiteral("track two"));
    QCOMPARE(preview(&form, 0, 1), QStringLiteral("TRACK TWO"));
    QCOMPARE(child<QTreeWidget>(&form, "PreviewTree")->topLevelItemCount(), 2);
    QTRY_COMPARE(child<QLabel>(&form, "CountLabel")->text(), QStringLiteral("2 of 2 rows change"));
    child<QPushButton>(&form, "OKBtn")->click();
    QCOMPARE(form.result(), (Names{"track one", "TRACK TWO", "TRACK THREE", "track four"}));
    QCOMPARE(form.toolName(), QStringLiteral("Change case"));

    // Unchecked, every row.
    form.setNames({"track one", "track two"}, {1, 0}, NumberFormat{}, false);
    form.setLanguage(Language::Hungarian);
    form.show();
    selectedOnly->setChecked(false);
    child<QPushButton>(&form, "OKBtn")->click();
    QCOMPARE(form.result(), (Names{"TRACK ONE", "TRACK TWO"}));
    QCOMPARE(form.toolName(), QStringLiteral("Kis- és nagybetűk"));
}

void NameToolsTest::numberingChangesTheFormatAndNoName() {
    TNameToolsForm form;
    Names names(300, "Rain");
    form.setNames(names, {5, 6}, NumberFormat{}, true, numbered(300, ""));
    form.setTool(TNameToolsForm::Tool::Numbering);
    form.show();
    QVERIFY(!child<QCheckBox>(&form, "SelectedOnlyCheck")->isVisible()); // numbers: every row
    QCOMPARE(preview(&form, 0, 1), QStringLiteral("01 - Rain"));
    child<QComboBox>(&form, "DigitsBox")->setCurrentIndex(int(NumberFormat::Digits::Auto));
    child<QLineEdit>(&form, "SeparatorEdit")->setText(QStringLiteral(". "));
    QCOMPARE(preview(&form, 0, 0), QStringLiteral("01 - Rain"));
    QCOMPARE(preview(&form, 0, 1), QStringLiteral("001. Rain"));
    QTRY_COMPARE(child<QLabel>(&form, "CountLabel")->text(),
                 QStringLiteral("300 of 300 rows change"));
    child<QPushButton>(&form, "OKBtn")->click();
    QCOMPARE(form.result(), names);
    QCOMPARE(form.numberFormat().digits, NumberFormat::Digits::Auto);
    QCOMPARE(form.numberFormat().separator, std::string(". "));
    QCOMPARE(form.toolName(), QStringLiteral("Numbering"));
}

void NameToolsTest::cancelHandsBackTheNamesAsGiven() {
    TNameToolsForm form;
    form.setNames(album, {}, NumberFormat{});
    form.setTool(TNameToolsForm::Tool::StripAndTrim);
    form.show();
    child<QLineEdit>(&form, "SeparatorEdit")->setText(QStringLiteral("_"));
    QTest::keyClick(&form, Qt::Key_Escape);
    QVERIFY(!form.isVisible());
    QCOMPARE(form.result(), album);
    QVERIFY(form.numberFormat() == NumberFormat{});
}

void NameToolsTest::oneRowThatTookTooLongIsSaidInTheSingular() {
    TNameToolsForm form;
    form.setNames({std::string(40, 'a') + "!", "aa"}, {}, NumberFormat{});
    form.setTool(TNameToolsForm::Tool::Replace);
    form.show();
    child<QCheckBox>(&form, "RegexCheck")->setChecked(true);
    child<QLineEdit>(&form, "ReplaceEdit")->setText(QStringLiteral("x"));
    child<QLineEdit>(&form, "FindEdit")->setText(QStringLiteral("(a+)+$"));
    QTRY_COMPARE(child<QLabel>(&form, "CountLabel")->text(),
                 QStringLiteral("1 of 2 rows change; 1 row took too long to search and stays as "
                                "it is"));
}

void NameToolsTest::safeNamesArePreviewedWithTheirNumberAndExtension() {
    TNameToolsForm form;
    const Names names = {"Act 1: Rain", "CON", "Őszi szél...", "Fine", std::string(300, 'x')};
    form.setNames(names, {}, NumberFormat{}, true, numbered(5, ".mp3"), Names(5, ".mp3"));
    form.setTool(TNameToolsForm::Tool::SafeNames);
    form.show();
    QCOMPARE(preview(&form, 0, 0), QStringLiteral("01 - Act 1: Rain.mp3"));
    QCOMPARE(preview(&form, 0, 1), QStringLiteral("01 - Act 1 - Rain.mp3"));
    QCOMPARE(preview(&form, 1, 1), QStringLiteral("02 - CON_.mp3"));
    QCOMPARE(preview(&form, 2, 1), QStringLiteral("03 - Őszi szél.mp3"));
    QCOMPARE(preview(&form, 3, 1), QStringLiteral("04 - Fine.mp3"));
    // Cut so that the whole name, number and extension with it, fits in 255.
    QCOMPARE(preview(&form, 4, 1).size(), 255);
    QTRY_COMPARE(child<QLabel>(&form, "CountLabel")->text(), QStringLiteral("4 of 5 rows change"));

    auto *ascii = child<QCheckBox>(&form, "AsciiCheck");
    QCOMPARE(ascii->text(), QStringLiteral("plain ASCII (Őszi szél → Oszi szel)"));
    ascii->click();
    QCOMPARE(preview(&form, 2, 1), QStringLiteral("03 - Oszi szel.mp3"));
    child<QPushButton>(&form, "OKBtn")->click();
    QCOMPARE(form.result(),
             (Names{"Act 1 - Rain", "CON_", "Oszi szel", "Fine", std::string(246, 'x')}));
    QCOMPARE(form.changedRows(), 4);
    QCOMPARE(form.toolName(), QStringLiteral("Make names safe for this drive"));
    form.setLanguage(Language::Hungarian);
    QCOMPARE(form.toolName(), QStringLiteral("Nevek igazítása a meghajtóhoz"));
    QCOMPARE(ascii->text(), QStringLiteral("csak ASCII (Őszi szél → Oszi szel)"));
}

void NameToolsTest::aResultTooLongForAnyDriveKeepsOkOff() {
    TNameToolsForm form;
    form.setNames(album, {}, NumberFormat{});
    form.setTool(TNameToolsForm::Tool::Replace);
    form.show();
    child<QCheckBox>(&form, "RegexCheck")->setChecked(true);
    child<QLineEdit>(&form, "ReplaceEdit")->setText(QString(5000, QLatin1Char('x')));
    child<QLineEdit>(&form, "FindEdit")->setText(QStringLiteral("."));
    auto *ok = child<QPushButton>(&form, "OKBtn");
    QCOMPARE(child<QLabel>(&form, "ErrorLabel")->text(),
             QStringLiteral("This would make the name of row 01 longer than 4096 bytes, more "
                            "than any drive takes: nothing is changed."));
    QVERIFY(!ok->isEnabled());
    QCOMPARE(preview(&form, 0, 1), preview(&form, 0, 0));
    QTest::keyClick(&form, Qt::Key_Return);
    QVERIFY(form.isVisible());
    QCOMPARE(form.result(), album);

    // On the third row: the message names it.
    form.setNames({"a", "b", "a b"}, {}, NumberFormat{});
    form.setLanguage(Language::Hungarian);
    child<QLineEdit>(&form, "FindEdit")->setText(QStringLiteral(" "));
    child<QLineEdit>(&form, "ReplaceEdit")->setText(QString(4100, QLatin1Char('x')));
    QTRY_COMPARE(child<QLabel>(&form, "ErrorLabel")->text(),
                 QStringLiteral("Ettől a(z) 03. sor neve hosszabb lenne 4096 bájtnál, amit egy "
                                "meghajtó sem fogad el: semmi sem változik."));
    QVERIFY(!ok->isEnabled());
    child<QLineEdit>(&form, "ReplaceEdit")->setText(QStringLiteral("_"));
    QVERIFY(ok->isEnabled());
    ok->click();
    QCOMPARE(form.result(), (Names{"a", "b", "a_b"}));
}

// The key on the new-name list opens the tool's page; OK is one step that Ctrl+Z takes back.
void NameToolsTest::safeNamesFromTheWindowAreOneStepToUndo() {
    list({"a.mp3", "b.mp3"});
    type(1, QStringLiteral("Act 1: Rain"));
    type(2, QStringLiteral("Őszi szél"));
    auto answered = testsupport::answerNextModal([](QWidget *modal) {
        auto *form = qobject_cast<TNameToolsForm *>(modal);
        QVERIFY(form);
        QCOMPARE(form->tool(), TNameToolsForm::Tool::SafeNames);
        QCOMPARE(preview(form, 0, 1), QStringLiteral("01 - Act 1 - Rain.mp3"));
        child<QCheckBox>(form, "AsciiCheck")->click();
        child<QPushButton>(form, "OKBtn")->click();
    });
    m_main->nameGrid()->setFocus();
    QTest::keyClick(m_main->nameGrid(), Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_VERIFY(*answered);
    QCOMPARE(newName(1), QStringLiteral("Act 1 - Rain"));
    QCOMPARE(newName(2), QStringLiteral("Oszi szel"));
    QCOMPARE(m_main->edits().stack().undoText(), QStringLiteral("Make names safe for this drive"));
    m_main->undoLast();
    QCOMPARE(newName(1), QStringLiteral("Act 1: Rain"));
    QCOMPARE(newName(2), QStringLiteral("Őszi szél"));
}

QTEST_MAIN(NameToolsTest)
#include "tst_name_tools.moc"
