#include "app/QtTranslations.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class QtTranslationsTest : public QObject {
    Q_OBJECT

private slots:
    void followsTheLanguage();
    void missingFilesLeaveEnglish();

private:
    static QString cancel() { return QCoreApplication::translate("QPlatformTheme", "Cancel"); }
    // The texts of a text field's context menu, as the cell editor shows it.
    static QStringList contextMenu() {
        QLineEdit edit;
        const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        QStringList texts;
        for (const QAction *action : menu->actions())
            if (!action->isSeparator())
                texts << action->text().section(QLatin1Char('\t'), 0, 0); // without the shortcut
        return texts;
    }
};

void QtTranslationsTest::followsTheLanguage() {
    const QStringList englishMenu = contextMenu();
    QVERIFY(englishMenu.contains(QStringLiteral("&Undo")));
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancel"));

    QtTranslations translations;
    QVERIFY(translations.apply(filvane::Language::Hungarian));
    QCOMPARE(cancel(), QStringLiteral("Mégse"));
    const QStringList hungarianMenu = contextMenu();
    QCOMPARE(hungarianMenu.size(), englishMenu.size());
    QVERIFY2(hungarianMenu.contains(QStringLiteral("&Visszavonás")),
             qPrintable(hungarianMenu.join('|')));
    // A window that is already open follows.
    QTRY_COMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Mégse"));
    // Applying it twice installs one file, so one switch back is enough.
    QVERIFY(translations.apply(filvane::Language::Hungarian));

    QVERIFY(translations.apply(filvane::Language::English));
    QCOMPARE(cancel(), QStringLiteral("Cancel"));
    QCOMPARE(contextMenu(), englishMenu);
    QTRY_COMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancel"));

    // Gone with the object.
    {
        QtTranslations scoped;
        QVERIFY(scoped.apply(filvane::Language::Hungarian));
        QCOMPARE(cancel(), QStringLiteral("Mégse"));
    }
    QCOMPARE(cancel(), QStringLiteral("Cancel"));
}

void QtTranslationsTest::missingFilesLeaveEnglish() {
    QTemporaryDir empty;
    QtTranslations translations;
    translations.setDirectory(empty.path());
    QVERIFY(!translations.apply(filvane::Language::Hungarian));
    QCOMPARE(cancel(), QStringLiteral("Cancel"));
    QVERIFY(translations.apply(filvane::Language::English));
}

QTEST_MAIN(QtTranslationsTest)
#include "tst_qt_translations.moc"
