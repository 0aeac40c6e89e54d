#include "app/Startup.h"

#include "app/AppSettings.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace {

// Watches for the first activation and queues the step behind the window's own handling of it.
class FirstActivation : public QObject {
public:
    FirstActivation(QWidget &window, std::function<void()> step)
        : QObject(&window), m_step(std::move(step)) {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::WindowActivate) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, watched, [step = std::move(m_step)] { step(); });
            deleteLater();
        }
        return false;
    }

private:
    std::function<void()> m_step;
};

} // namespace

void runAfterFirstActivation(QWidget &window, std::function<void()> step) {
    new FirstActivation(window, std::move(step)); // owned by the window
}

std::optional<QPoint> rememberedPlace(QSize size, std::optional<QPoint> remembered) {
    if (!remembered)
        return std::nullopt;
    QList<QRect> areas;
    for (const QScreen *screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    return placeOnScreens(*remembered, size, areas);
}

void restorePosition(QWidget &window, std::optional<QPoint> remembered) {
    if (const auto placed = rememberedPlace(window.frameGeometry().size(), remembered))
        window.move(*placed);
}
