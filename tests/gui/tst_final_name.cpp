#include "MainWindowFixture.h"

#include <QTableView>

// The tool tip of a new-name row shows the exact name the Rename command would give it now, or
// that it would keep its name and why.
class FinalNameTest : public MainWindowFixture {
    Q_OBJECT

private slots:
    void followsEveryCompositionRule_data();
    void followsEveryCompositionRule();
};

void FinalNameTest::followsEveryCompositionRule_data() {
    QTest::addColumn<bool>("numbering");
    QTest::addColumn<bool>("keepExtension");
    QTest::addColumn<bool>("numbersOnly");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<bool>("accept"); // OK, else Cancel
    QTest::addColumn<int>("row");     // of a.mp3, b.doc, c
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("tip");
    QTest::newRow("numbered") << true << true << false << "" << true << 1 << "Alpha"
                              << "01 - Alpha.mp3";
    QTest::newRow("nothing typed, no extension") << true << true << false << "" << true << 3 << ""
                                                 << "03 - ";
    QTest::newRow("numbered, chosen extension")
        << true << false << false << ".txt" << true << 1 << "Alpha"
        << "01 - Alpha.txt";
    QTest::newRow("unnumbered") << false << true << false << "" << true << 1 << "Alpha"
                                << "Alpha.mp3";
    QTest::newRow("chosen extension gets its dot")
        << false << false << false << "mp3" << true << 2 << "Song"
        << "Song.mp3";
    QTest::newRow("refused name keeps the old one, and says why")
        << false << false << false << "mp3" << true << 2 << "a/b"
        << "b.doc  (The name is not allowed: a/b.mp3)";
    // As the run refuses it: a hidden file no one typed.
    QTest::newRow("nothing before the extension is refused")
        << false << true << false << "" << true << 1 << ""
        << "a.mp3  (nothing before the extension: .mp3)";
    QTest::newRow("numbers only") << true << false << true << "mp3" << true << 3 << ""
                                  << "03.mp3";
    // Cancel applies nothing: the options as last accepted still shape the name.
    QTest::newRow("numbers only, left with Cancel")
        << true << false << true << "mp3" << false << 1 << "Alpha"
        << "01 - Alpha.mp3";
}

void FinalNameTest::followsEveryCompositionRule() {
    QFETCH(bool, numbering);
    QFETCH(bool, keepExtension);
    QFETCH(bool, numbersOnly);
    QFETCH(QString, extension);
    QFETCH(bool, accept);
    QFETCH(int, row);
    QFETCH(QString, typed);
    QFETCH(QString, tip);
    list({"a.mp3", "b.doc", "c"});
    options([&](TOptionsForm *form) {
        if (form->noCheck()->isChecked() != numbering)
            form->noCheck()->click();
        if (form->keepCheck()->isChecked() != keepExtension)
            form->keepCheck()->click();
        if (numbersOnly)
            form->noOnlyCheck()->click();
        form->extBox()->setEditText(extension);
        accept ? ok(form) : cancel(form);
    });
    if (!typed.isEmpty()) // after the options: OK clears typed names
        m_main->session().setNewName(row, typed.toStdString());
    const QAbstractItemModel *model = m_main->nameGrid()->model();
    QCOMPARE(model->data(model->index(row - 1, 1), Qt::ToolTipRole).toString(), tip);
}

QTEST_MAIN(FinalNameTest)
#include "tst_final_name.moc"
