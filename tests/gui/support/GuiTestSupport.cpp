#include "GuiTestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace testsupport {

std::shared_ptr<bool> answerNextModal(std::function<void(QWidget *)> answer, int timeoutMs) {
    auto done = std::make_shared<bool>(false);
    auto timer = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            answer(modal);
            *done = true;
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
    return done;
}

bool writeFile(const QString &path, const QByteArray &content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(content) == content.size();
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString labelText(const QObject *parent, const QString &name) {
    const auto *label = parent ? parent->findChild<QLabel *>(name) : nullptr;
    return label ? label->text() : QStringLiteral("(no label %1)").arg(name);
}

} // namespace testsupport
