// The new-name list's tools as a user reaches them: a Replace taken back by Ctrl+Z, a numbering
// shown in both number columns and taken back, a file moved to its row before the run, and an
// album from three rippers named from its tags in track order.
#include "MainWindowFixture.h"
#include "TaggedFiles.h"
#include "dialogs/FillFromTags.h"
#include "dialogs/NameTools.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTreeWidget>

namespace {
void answerYes(QMessageBox *box) {
    for (QAbstractButton *button : box->buttons())
        if (button->text() == QStringLiteral("&Yes"))
            button->click();
}
} // namespace

class ListEditsTest : public MainWindowFixture {
    Q_OBJECT

private slots:
    void ctrlZTakesBackAReplaceThenTheRename();
    void aCellsKeystrokesAreOneStep();
    void numberingShowsInBothNumberColumnsAsOneStep();
    void aFileMovedToItsRowIsRenamedByTheOrderShown();
    void anAlbumIsNamedFromItsTagsInTrackOrder();
    void photosFromTwoCamerasAreNumberedInTheOrderTaken();

private:
    // With FILVANE_SHOTS set, the window as it stands is kept there as a picture (the README's).
    void shoot(const QString &name) {
        const QString folder = qEnvironmentVariable("FILVANE_SHOTS");
        if (!folder.isEmpty())
            QVERIFY(m_main->grab().save(folder + QLatin1Char('/') + name));
    }
};

void ListEditsTest::ctrlZTakesBackAReplaceThenTheRename() {
    list({"a.mp3", "b.mp3", "c.mp3"});
    type(1, QStringLiteral("Track One"));
    type(2, QStringLiteral("Track Two"));
    auto answered = testsupport::answerNextModal([](QWidget *modal) {
        auto *form = qobject_cast<TNameToolsForm *>(modal);
        QVERIFY(form);
        form->findChild<QLineEdit *>(QStringLiteral("FindEdit"))->setText(QStringLiteral("Track "));
        form->findChild<QLineEdit *>(QStringLiteral("ReplaceEdit"))->setText(QString());
        form->findChild<QPushButton *>(QStringLiteral("OKBtn"))->click();
    });
    m_main->showNameTools(TMainForm::NameTool::Replace);
    QTRY_VERIFY(*answered);
    QCOMPARE(newName(1), QStringLiteral("One"));
    QCOMPARE(newName(2), QStringLiteral("Two"));
    QCOMPARE(m_main->edits().stack().undoText(), QStringLiteral("Replace"));

    // Ctrl+Z takes back the Replace, then the typing, one step each; Ctrl+Y does it again.
    m_main->undoLast();
    QCOMPARE(newName(1), QStringLiteral("Track One"));
    QCOMPARE(newName(2), QStringLiteral("Track Two"));
    m_main->undoLast();
    QCOMPARE(newName(2), QString());
    m_main->edits().stack().redo();
    m_main->edits().stack().redo();
    QCOMPARE(newName(2), QStringLiteral("Two"));

    // A run lists the folder again: no list edit is left, so Ctrl+Z offers the rename.
    rename(answerYes);
    QVERIFY(!m_main->edits().stack().canUndo());
    QCOMPARE(onDisk(), (QStringList{"01 - One.mp3", "02 - Two.mp3", "03 - .mp3"}));
}

void ListEditsTest::aCellsKeystrokesAreOneStep() {
    list({"a.mp3", "b.mp3"});
    // The editor writes each keystroke as it comes: one cell's are one step.
    type(1, QStringLiteral("R"));
    type(1, QStringLiteral("Ra"));
    type(1, QStringLiteral("Rain"));
    type(2, QStringLiteral("Snow"));
    QCOMPARE(m_main->edits().stack().count(), 2);
    QCOMPARE(m_main->edits().stack().undoText(), QStringLiteral("Typing"));
    m_main->undoLast();
    QCOMPARE(newName(2), QString());
    QCOMPARE(newName(1), QStringLiteral("Rain"));
    m_main->undoLast();
    QCOMPARE(newName(1), QString());
    m_main->edits().stack().redo();
    QCOMPARE(newName(1), QStringLiteral("Rain"));
    // Typed back to what it was, a cell leaves no step behind.
    m_main->edits().stack().redo();
    type(1, QStringLiteral("Rain!"));
    QCOMPARE(m_main->edits().stack().count(), 3);
    type(1, QStringLiteral("Rain"));
    QCOMPARE(m_main->edits().stack().count(), 2);
    QCOMPARE(newName(1), QStringLiteral("Rain"));
    QCOMPARE(newName(2), QStringLiteral("Snow"));
}

void ListEditsTest::numberingShowsInBothNumberColumnsAsOneStep() {
    list({"a.mp3", "b.mp3", "c.mp3"});
    const auto numbers = [this](NameGridModel *model) {
        QStringList shown;
        for (int row = 0; row < model->rowCount(); ++row)
            shown << model->index(row, 0).data().toString();
        return shown;
    };
    auto answered = testsupport::answerNextModal([](QWidget *modal) {
        auto *form = qobject_cast<TNameToolsForm *>(modal);
        QVERIFY(form);
        form->findChild<QSpinBox *>(QStringLiteral("StartSpin"))->setValue(10);
        form->findChild<QPushButton *>(QStringLiteral("OKBtn"))->click();
    });
    m_main->showNameTools(TMainForm::NameTool::Numbering);
    QTRY_VERIFY(*answered);
    const QStringList fromTen{"10", "11", "12"}, fromOne{"01", "02", "03"};
    QCOMPARE(numbers(m_main->readModel()), fromTen);
    QCOMPARE(numbers(m_main->nameModel()), fromTen);
    // The names a run gives carry the numbers shown.
    QCOMPARE(QString::fromStdString(m_main->session().finalName(3)), QStringLiteral("12 - .mp3"));

    m_main->undoLast();
    QCOMPARE(numbers(m_main->readModel()), fromOne);
    QCOMPARE(numbers(m_main->nameModel()), fromOne);
    QCOMPARE(m_main->session().options().numbers.start, 1);
    m_main->edits().stack().redo();
    QCOMPARE(numbers(m_main->nameModel()), fromTen);
}

void ListEditsTest::aFileMovedToItsRowIsRenamedByTheOrderShown() {
    list({"a.mp3", "b.mp3", "c.mp3"});
    type(1, QStringLiteral("Alpha"));
    type(2, QStringLiteral("Gamma")); // meant for c.mp3
    type(3, QStringLiteral("Beta"));
    QTableView *read = m_main->readGrid();
    read->setFocus();
    read->setCurrentIndex(read->model()->index(2, 1));
    read->selectRow(2);
    QTest::keyClick(read, Qt::Key_Up, Qt::AltModifier); // c.mp3 up beside "Gamma"
    QCOMPARE(listed(), (QStringList{"a.mp3", "c.mp3", "b.mp3"}));
    QCOMPARE(newName(2), QStringLiteral("Gamma")); // the typed names stay in their rows
    QCOMPARE(m_main->readModel()->data(m_main->readModel()->index(1, 0), Qt::DisplayRole),
             QVariant(QStringLiteral("02"))); // numbers follow the rows
    // A move at the edge moves nothing; the move is one step back.
    read->selectRow(0);
    QTest::keyClick(read, Qt::Key_Up, Qt::AltModifier);
    QCOMPARE(listed(), (QStringList{"a.mp3", "c.mp3", "b.mp3"}));
    m_main->undoLast();
    QCOMPARE(listed(), (QStringList{"a.mp3", "b.mp3", "c.mp3"}));
    m_main->edits().stack().redo();

    rename(answerYes);
    QCOMPARE(testsupport::readFile(m_dir->filePath(QStringLiteral("02 - Gamma.mp3"))),
             QByteArray("c.mp3"));
    QCOMPARE(testsupport::readFile(m_dir->filePath(QStringLiteral("03 - Beta.mp3"))),
             QByteArray("b.mp3"));
}

void ListEditsTest::anAlbumIsNamedFromItsTagsInTrackOrder() {
    // Three rippers' names: neither byte nor natural order is the track order.
    const std::vector<std::pair<std::string, tagged::AudioTags>> album = {
        {"track01.mp3", {"\xC5\x90szi \xC3\xA9j", "A", "Album", 3, "", 0}}, // Őszi éj
        {"Track 10.mp3", {"Intro", "A", "Album", 1, "", 0}},
        {"1 intro.mp3", {"\xCE\x86\xCE\xBB\xCF\x86\xCE\xB1", "A", "Album", 2, "", 0}}, // Άλφα
        {"cover.mp3", {"", "", "", 0, "", 0}}, // no tags: last, and left blank
    };
    for (const auto &[name, tags] : album)
        tagged::writeMp3(m_dir->filePath(QString::fromStdString(name)).toStdString(), tags);
    list({});
    m_main->orderBy(filvane::SortOrder::Track);
    QCOMPARE(listed(), (QStringList{"Track 10.mp3", "1 intro.mp3", "track01.mp3", "cover.mp3"}));
    QCOMPARE(m_main->readGrid()->horizontalHeader()->toolTip().left(10),
             QStringLiteral("Sorted by "));

    auto answered = testsupport::answerNextModal([](QWidget *modal) {
        auto *form = qobject_cast<TFillFromTagsForm *>(modal);
        QVERIFY(form);
        QCOMPARE(form->missingCount(), 1);
        // The preview shows the final names, as the run gives them.
        const QTreeWidgetItem *first =
            form->findChild<QTreeWidget *>(QStringLiteral("PreviewList"))->topLevelItem(0);
        QVERIFY(first);
        QCOMPARE(first->text(1), QStringLiteral("01 - Intro.mp3"));
        form->accept(); // the first template: the title
    });
    m_main->fillFromTags();
    QTRY_VERIFY(*answered);
    QCOMPARE(newName(1), QStringLiteral("Intro"));
    QCOMPARE(newName(4), QString());
    shoot(QStringLiteral("album-by-track.png"));

    // Enter on the confirmation renames the named rows only: the cover keeps its name.
    rename();
    QCOMPARE(onDisk(), (QStringList{"01 - Intro.mp3", "02 - \u0386\u03BB\u03C6\u03B1.mp3",
                                    "03 - \u0150szi \u00E9j.mp3", "cover.mp3"}));
    // Listed again in track order, each typed name is still beside its file: a second Rename
    // would change nothing.
    QCOMPARE(listed(), (QStringList{"01 - Intro.mp3", "02 - \u0386\u03BB\u03C6\u03B1.mp3",
                                    "03 - \u0150szi \u00E9j.mp3", "cover.mp3"}));
    QCOMPARE(newName(1), QStringLiteral("Intro"));
    QCOMPARE(newName(3), QStringLiteral("\u0150szi \u00E9j"));
    QCOMPARE(newName(4), QString());
    const filvane::RenamePlan again = m_main->session().plan();
    for (const filvane::RowOutcome &row : again.rows)
        if (!row.unnamed)
            QCOMPARE(QString::fromStdString(std::string(row.newName)),
                     QString::fromStdString(std::string(row.oldName)));
}

void ListEditsTest::photosFromTwoCamerasAreNumberedInTheOrderTaken() {
    // Each camera counts on its own; only the date taken interleaves them.
    tagged::writeJpeg(m_dir->filePath(QStringLiteral("DSC_0001.jpg")).toStdString(),
                      "2024:05:17 09:00:00", "Camera A");
    tagged::writeJpeg(m_dir->filePath(QStringLiteral("DSC_0002.jpg")).toStdString(),
                      "2024:05:17 11:00:00", "Camera A");
    tagged::writeJpeg(m_dir->filePath(QStringLiteral("IMG_0100.jpg")).toStdString(),
                      "2024:05:17 10:00:00", "Camera B");
    tagged::writeJpeg(m_dir->filePath(QStringLiteral("IMG_0099.jpg")).toStdString(),
                      "2024:05:17 08:00:00", "Camera B");
    list({});
    m_main->orderBy(filvane::SortOrder::Taken);
    QCOMPARE(listed(),
             (QStringList{"IMG_0099.jpg", "DSC_0001.jpg", "IMG_0100.jpg", "DSC_0002.jpg"}));
    shoot(QStringLiteral("photos-by-date.png"));
    options([](TOptionsForm *form) {
        form->noOnlyCheck()->click();
        ok(form);
    });
    rename(answerYes);
    QCOMPARE(onDisk(), (QStringList{"01.jpg", "02.jpg", "03.jpg", "04.jpg"}));
    QCOMPARE(testsupport::readFile(m_dir->filePath(QStringLiteral("02.jpg"))).size(),
             testsupport::readFile(m_dir->filePath(QStringLiteral("03.jpg"))).size());
    // The order is remembered and used by the listing after the run.
    QCOMPARE(m_main->session().sortOrder(), filvane::SortOrder::Taken);
}

QTEST_MAIN(ListEditsTest)
#include "tst_list_edits.moc"
