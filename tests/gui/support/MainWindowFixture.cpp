#include "MainWindowFixture.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTimer>

void MainWindowFixture::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    // Journals and settings of this test alone: none left by an earlier test or run counts.
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("XDG_STATE_HOME", QFile::encodeName(m_home->filePath(QStringLiteral("state"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->filePath(QStringLiteral("config"))));
    m_windows = createWindows();
    m_main = m_windows.main.get();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowActive(m_main));
}

void MainWindowFixture::list(const QStringList &names) {
    for (const QString &name : names)
        QVERIFY(testsupport::writeFile(m_dir->filePath(name), name.toUtf8()));
    const std::string dir = m_dir->path().toStdString();
    m_main->readDirectory(dir, dir + "/*.*");
    m_main->showItemCount(m_main->lists().fileCount());
}

void MainWindowFixture::type(int row, const QString &name) {
    NameGridModel *model = m_main->nameModel();
    QVERIFY(model->setData(model->index(row - 1, 1), name, Qt::EditRole));
}

QStringList MainWindowFixture::listed() const {
    QStringList names;
    for (int row = 1; row <= m_main->lists().fileCount(); ++row)
        names << QString::fromStdString(m_main->lists().readList().cell(1, row));
    return names;
}

void MainWindowFixture::options(const std::function<void(TOptionsForm *)> &act) {
    auto answered = testsupport::answerNextModal([&](QWidget *modal) {
        if (auto *form = qobject_cast<TOptionsForm *>(modal))
            act(form);
        if (modal->isVisible())
            modal->close();
    });
    button("OptionsBtn")->click();
    QVERIFY(*answered);
}

void MainWindowFixture::rename(const std::function<void(QMessageBox *)> &answer,
                               const std::function<void(QWidget *)> &during) {
    // Interval 0: fires at every turn of the event loop, also inside the run's own processEvents.
    QTimer watcher;
    watcher.setInterval(0);
    connect(&watcher, &QTimer::timeout, &watcher, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (during)
            during(modal);
        if (qobject_cast<QMessageBox *>(modal) && modal->isVisible())
            modal->close();
    });
    auto confirmed = testsupport::answerNextModal([&](QWidget *modal) {
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            answer ? answer(box) : QTest::keyClick(box, Qt::Key_Return);
        if (modal->isVisible())
            modal->close();
        watcher.start();
    });
    button("RenBtn")->click();
    watcher.stop();
    QVERIFY(*confirmed);
}
