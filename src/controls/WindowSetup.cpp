#include "controls/WindowSetup.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QWidget>

void setFixedWindowFlags(QWidget *window, Qt::WindowType kind) {
    window->setWindowFlags(kind | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint);
}

void centreOnScreen(QWidget *window) {
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

bool isEnterKey(const QKeyEvent *event) {
    return (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
           (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

bool acceptOrCancelKey(const QKeyEvent *event, const std::function<void()> &ok,
                       const std::function<void()> &cancel) {
    if (isEnterKey(event)) {
        ok();
        return true;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cancel();
        return true;
    }
    return false;
}
