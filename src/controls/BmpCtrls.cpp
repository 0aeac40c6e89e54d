#include "controls/BmpCtrls.h"

#include "controls/BmpUtils.h"

#include <QAccessibleWidget>
#include <QMetaMethod>
#include <QMouseEvent>

#include <cmath>

namespace {

// What assistive technology sees of a switch: a checkable button that can be pressed or
// toggled and says whether it is checked (state sOn). Qt gives a checkable button the role of a
// check box, so screen readers announce its state; the switch does the same. The name and
// description are the widget's, which its window sets in the current language.
class SwitchAccessible : public QAccessibleWidget {
public:
    explicit SwitchAccessible(TepBMPSwitch *control)
        : QAccessibleWidget(control, QAccessible::CheckBox) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = control()->state() == TepBMPSwitch::TState::sOn;
        return state;
    }

    QStringList actionNames() const override {
        return QAccessibleWidget::actionNames() << pressAction() << toggleAction();
    }

    void doAction(const QString &name) override {
        if (name == pressAction() || name == toggleAction())
            control()->toggle();
        else
            QAccessibleWidget::doAction(name);
    }

private:
    TepBMPSwitch *control() const { return static_cast<TepBMPSwitch *>(widget()); }
};

QAccessibleInterface *switchAccessible(const QString &className, QObject *object) {
    if (className == QLatin1String(TepBMPSwitch::staticMetaObject.className()))
        if (auto *control = qobject_cast<TepBMPSwitch *>(object))
            return new SwitchAccessible(control);
    return nullptr;
}

} // namespace

TepBMPSwitch::TepBMPSwitch(QWidget *parent) : TEffectGControl(parent) {
    static const bool accessibleInstalled = [] {
        QAccessible::installFactory(switchAccessible);
        return true;
    }();
    Q_UNUSED(accessibleInstalled);
    resize(100, 100);
}

void TepBMPSwitch::setOnGlyph(const QImage &glyph) {
    m_onGlyph = glyph.copy();
    RepaintNow();
}

void TepBMPSwitch::setOffGlyph(const QImage &glyph) {
    m_offGlyph = glyph.copy();
    RepaintNow();
}

void TepBMPSwitch::setState(TState state) {
    const bool changed = state != m_state;
    m_state = state;
    RepaintNow();
    if (changed)
        announceState();
    fireStateEvent();
}

void TepBMPSwitch::toggle() {
    m_state = m_state == TState::sOn ? TState::sOff : TState::sOn;
    RepaintNow();
    announceState();
    fireStateEvent();
}

void TepBMPSwitch::announceState() {
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

void TepBMPSwitch::fireStateEvent() {
    // The state's signal is emitted only when something listens, so an unconnected switch
    // costs nothing.
    if (m_state == TState::sOn) {
        if (isSignalConnected(QMetaMethod::fromSignal(&TepBMPSwitch::OnOn)))
            emit OnOn(this);
    } else if (isSignalConnected(QMetaMethod::fromSignal(&TepBMPSwitch::OnOff))) {
        emit OnOff(this);
    }
}

void TepBMPSwitch::DrawOnBuffer() {
    // An empty On picture falls back to the Off one, so a switch with one picture still shows it.
    const QImage &glyph = m_state == TState::sOn && !m_onGlyph.isNull() ? m_onGlyph : m_offGlyph;
    if (glyph.isNull())
        return;
    m_glyphTransparentColor = BitmapTransparentColor(glyph);
    DrawBitmapTransparent(*Buffer(), 0, 0, glyph, m_glyphTransparentColor);
}

void TepBMPSwitch::mousePressEvent(QMouseEvent *event) {
    const QPointF position = event->position();
    MouseDown(event->button(), static_cast<int>(std::floor(position.x())),
              static_cast<int>(std::floor(position.y())));
}

void TepBMPSwitch::mouseDoubleClickEvent(QMouseEvent *event) {
    // The second press of a double click arrives as this event only; it flips like any press.
    mousePressEvent(event);
}

void TepBMPSwitch::MouseDown(Qt::MouseButton button, int x, int y) {
    if (button != Qt::LeftButton || !pressCounts(x, y))
        return;
    toggle();
}

bool TepBMPSwitch::pressCounts(int x, int y) const {
    // The picture of the current state, without the drawing's fallback: a press on an empty
    // picture never counts. The first column and row do not count either, the last ones do.
    const QImage &glyph = m_state == TState::sOn ? m_onGlyph : m_offGlyph;
    return x > 0 && x < glyph.width() && y > 0 && y < glyph.height() &&
           (glyph.pixel(x, y) & RGB_MASK) != m_glyphTransparentColor;
}
