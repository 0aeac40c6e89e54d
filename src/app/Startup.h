#pragma once

// What start-up does around the main window once the command line is read: the steps that
// must come after the window's own first activation, so that they build on its start state.

#include <QPoint>
#include <QSize>

#include <functional>
#include <optional>

class QWidget;

// Runs `step` once, after `window` has handled its first activation (the event is queued
// behind it). `window` must not be active yet.
void runAfterFirstActivation(QWidget &window, std::function<void()> step);

// Moves a top-level window to where its frame was remembered, when enough of it would be on
// one of today's screens; otherwise leaves it where it is (centred at start).
void restorePosition(QWidget &window, std::optional<QPoint> remembered);
// Where a window of `size` may go back to: the remembered place when enough of it is on one of
// today's screens, else none.
std::optional<QPoint> rememberedPlace(QSize size, std::optional<QPoint> remembered);
