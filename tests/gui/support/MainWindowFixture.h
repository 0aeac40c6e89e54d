#pragma once

// Also brings the tests what they use: the windows, the grid model and Qt Test.
#include "GuiTestSupport.h"
#include "app/Filvane.h"
#include "app/NameGridModel.h"
#include "app/Windows.h"
#include "dialogs/Option.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <memory>

class QMessageBox;
class QWidget;

// Base of the main-window tests: before each test the program's windows, the main one shown and
// active, and a fresh temporary directory; after it the windows go.
class MainWindowFixture : public QObject {
    Q_OBJECT

protected slots:
    void init();
    void cleanup() {
        m_windows = Windows();
        m_home.reset();
    }

protected:
    // Writes the files (each holding its own name) and lists the directory as Read would.
    void list(const QStringList &names);
    // Sets a new name (rows count from 1) through the grid's model, as a finished edit does.
    void type(int row, const QString &name);
    QString newName(int row) const {
        return QString::fromStdString(m_main->lists().nameList().cell(1, row));
    }
    QStringList listed() const; // the read list, top to bottom
    QStringList onDisk() const { return QDir(m_dir->path()).entryList(QDir::Files, QDir::Name); }
    QToolButton *button(const char *name) const { return m_main->findChild<QToolButton *>(name); }

    // Presses Options and lets `act` work the dialog; closes it if `act` left it open (as after a
    // failed check) so the test does not wait on it for ever.
    void options(const std::function<void(TOptionsForm *)> &act);
    static void ok(TOptionsForm *form) { form->findChild<QToolButton *>("OKBtn")->click(); }
    static void cancel(TOptionsForm *form) { form->findChild<QToolButton *>("CancelBtn")->click(); }

    // Presses Rename and answers the confirmation with `answer` (Enter when empty). Until the
    // command returns, `during` sees every modal widget that is up after the confirmation; a
    // message box still open then is closed, so a stray one fails the test instead of blocking it.
    void rename(const std::function<void(QMessageBox *)> &answer = {},
                const std::function<void(QWidget *)> &during = {});

    Windows m_windows;
    TMainForm *m_main = nullptr;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTemporaryDir> m_home;
};
