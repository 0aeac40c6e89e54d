#pragma once

#include <Qt>

#include <functional>

class QKeyEvent;
class QWidget;

// A window that cannot be resized: title bar with system menu and close box, no minimise or
// maximise button. `kind` is Qt::Window for the main window, Qt::Dialog for a dialog.
void setFixedWindowFlags(QWidget *window, Qt::WindowType kind);

// Places the window, frame included, in the middle of the primary screen's free area.
void centreOnScreen(QWidget *window);

// Return or the keypad's Enter, without Ctrl, Alt or Shift: the key that accepts a dialog.
bool isEnterKey(const QKeyEvent *event);

// A key that no control of a dialog used: Enter runs `ok`, Escape runs `cancel`. Returns
// whether it was one of them.
bool acceptOrCancelKey(const QKeyEvent *event, const std::function<void()> &ok,
                       const std::function<void()> &cancel);
