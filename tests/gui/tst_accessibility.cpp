#include "MainWindowFixture.h"
#include "controls/BmpCtrls.h"
#include "dialogs/About.h"
#include "dialogs/Read.h"

#include <QAccessible>
#include <QTableView>

// What a screen reader finds in the windows: every control named in the current language,
// the language switch a checkable button it can press.
class AccessibilityTest : public MainWindowFixture {
    Q_OBJECT

private slots:
    void everyControlHasAName_data();
    void everyControlHasAName();
    void languageSwitchIsACheckableButton();

private:
    // Shows the window named `window` ("main" is the main window, shown already), lets `check`
    // look at it, and closes it again.
    void whileShown(const QString &window, const std::function<void(QWidget *)> &check);
};

namespace {

// Walks the accessible tree below `node` as assistive technology does, and lists the controls
// without a name. Rows and cells of lists and tables are named by their text, so the walk
// stops at those controls.
void findUnnamed(QAccessibleInterface *node, const QString &path, QStringList &unnamed,
                 QStringList &seen) {
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface *child = node->child(i);
        if (!child || child->state().invisible)
            continue;
        const QObject *object = child->object();
        const QString id =
            path + QLatin1Char('/') +
            (object && !object->objectName().isEmpty() ? object->objectName()
                                                       : QString::number(child->role(), 16));
        seen << id.section(QLatin1Char('/'), -1);
        if (child->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << id;
        switch (child->role()) {
        case QAccessible::Table:
        case QAccessible::List:
        case QAccessible::Tree:
        case QAccessible::ComboBox:
            break;
        default:
            findUnnamed(child, id, unnamed, seen);
        }
    }
}

} // namespace

void AccessibilityTest::whileShown(const QString &window,
                                   const std::function<void(QWidget *)> &check) {
    if (window == QLatin1String("main")) {
        check(m_main);
        return;
    }
    QDialog *dialog = m_windows.about;
    if (window == QLatin1String("read"))
        dialog = m_windows.read;
    else if (window == QLatin1String("options"))
        dialog = m_windows.options;
    auto answered = testsupport::answerNextModal([&](QWidget *modal) {
        check(modal);
        modal->close();
    });
    dialog->exec();
    QVERIFY(*answered);
}

void AccessibilityTest::everyControlHasAName_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("hungarian");
    QTest::addColumn<QStringList>("names"); // a few of the names a screen reader must find
    QTest::newRow("main window, English")
        << "main" << false
        << QStringList{"Read",      "About",           "Exit", "Language: English", "Files read",
                       "New names", "No folder listed"};
    QTest::newRow("main window, Hungarian")
        << "main" << true
        << QStringList{"Beolvas",       QStringLiteral("Névjegy"), QStringLiteral("Kilépés"),
                       "Nyelv: magyar", "Beolvasott file-ok",      QStringLiteral("Új nevek")};
    QTest::newRow("read dialog, English")
        << "read" << false << QStringList{"Drive", "Folders", "File type", "Mask", "Cancel"};
    QTest::newRow("read dialog, Hungarian")
        << "read" << true
        << QStringList{QStringLiteral("Meghajtó"), QStringLiteral("Mappák"), "Maszk",
                       QStringLiteral("Mégse")};
    QTest::newRow("options, English")
        << "options" << false << QStringList{"Extension", "Numbers only", "Files"};
    QTest::newRow("options, Hungarian")
        << "options" << true << QStringList{QStringLiteral("Kiterjesztés"), "Csak számozás"};
    QTest::newRow("about") << "about" << false << QStringList{"FILVANE"};
}

void AccessibilityTest::everyControlHasAName() {
    QFETCH(QString, window);
    QFETCH(bool, hungarian);
    QFETCH(QStringList, names);
    list({"a.mp3", "b.mp3"});
    button("ClrBtn")->click(); // nothing listed: the folder panel is empty
    if (hungarian) {
        auto *language = m_main->findChild<TepBMPSwitch *>("LngSwitch");
        QVERIFY(language);
        language->toggle();
    }
    whileShown(window, [&](QWidget *shown) {
        QAccessibleInterface *root = QAccessible::queryAccessibleInterface(shown);
        QVERIFY(root);
        QVERIFY(!root->text(QAccessible::Name).isEmpty());
        QStringList unnamed, seen;
        findUnnamed(root, shown->objectName(), unnamed, seen);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1Char(' '))));
        QVERIFY(seen.size() >= 4);
        QStringList found;
        for (QWidget *widget : shown->findChildren<QWidget *>()) {
            if (QAccessibleInterface *node = QAccessible::queryAccessibleInterface(widget))
                found << node->text(QAccessible::Name);
        }
        for (const QString &name : names)
            QVERIFY2(found.contains(name), qPrintable(name));
    });
}

void AccessibilityTest::languageSwitchIsACheckableButton() {
    auto *languageSwitch = m_main->findChild<TepBMPSwitch *>("LngSwitch");
    QAccessibleInterface *node = QAccessible::queryAccessibleInterface(languageSwitch);
    QVERIFY(node);
    QCOMPARE(node->role(), QAccessible::CheckBox); // as Qt shows any checkable button
    QVERIFY(node->state().checkable);
    QVERIFY(node->state().checked);
    QCOMPARE(node->text(QAccessible::Name), QStringLiteral("Language: English"));
    QCOMPARE(node->text(QAccessible::Description), QStringLiteral("Change language (F12)"));
    QAccessibleActionInterface *actions = node->actionInterface();
    QVERIFY(actions);
    QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));

    QAccessibleInterface *readButton = QAccessible::queryAccessibleInterface(button("ReadBtn"));
    QAccessibleInterface *readList = QAccessible::queryAccessibleInterface(m_main->readGrid());
    QCOMPARE(readButton->text(QAccessible::Description),
             QStringLiteral("Read file names (Ctrl+O)"));

    // Pressed by a screen reader: the whole window speaks Hungarian, names included.
    actions->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(button("ReadBtn")->text(), QStringLiteral("Beolvas"));
    QVERIFY(!node->state().checked);
    QCOMPARE(node->text(QAccessible::Name), QStringLiteral("Nyelv: magyar"));
    QCOMPARE(readButton->text(QAccessible::Name), QStringLiteral("Beolvas"));
    QCOMPARE(readButton->text(QAccessible::Description),
             QStringLiteral("File nevek beolvasása (Ctrl+O)"));
    QCOMPARE(readList->text(QAccessible::Name), QStringLiteral("Beolvasott file-ok"));

    actions->doAction(QAccessibleActionInterface::toggleAction());
    QVERIFY(node->state().checked);
    QCOMPARE(readList->text(QAccessible::Name), QStringLiteral("Files read"));
}

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
