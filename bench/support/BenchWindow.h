#pragma once

// The main window as a benchmark drives it: made and shown as the program does, and the modal
// boxes a command opens answered by a key as soon as they are up.
#include "BenchTimer.h"
#include "app/Filvane.h"
#include "app/Windows.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

namespace bench {

// The program's windows, the main one shown and active (waiting for that at most 2 s).
inline Windows showMainWindow() {
    Windows windows = createWindows();
    TMainForm *main = windows.main.get();
    main->show();
    main->activateWindow();
    const Stopwatch wait;
    while (!main->isActiveWindow() && wait.ms() < 2000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    return windows;
}

// Answers the next modal box with `key` (Enter for its default button) once it is up, without
// a polling delay. Only that one box: later ones are left to the caller.
inline void answerNextBox(Qt::Key key = Qt::Key_Return) {
    auto *timer = new QTimer(qApp);
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, key] {
        if (QWidget *box = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(box, &press);
        }
    });
    timer->start();
}

} // namespace bench
