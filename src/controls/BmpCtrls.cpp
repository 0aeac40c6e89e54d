#include "BmpCtrls.h"

#include "BmpUtils.h"

#include <QMetaMethod>
#include <QMouseEvent>

#include <cmath>

TepBMPSwitch::TepBMPSwitch(QWidget *parent) : TEffectGControl(parent) {
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
    m_state = state;
    RepaintNow();
    fireStateEvent();
}

void TepBMPSwitch::fireStateEvent() {
    // Only a connected handler is called, as with an assigned event.
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
    m_state = m_state == TState::sOn ? TState::sOff : TState::sOn;
    RepaintNow();
    fireStateEvent();
}

bool TepBMPSwitch::pressCounts(int x, int y) const {
    // The picture of the current state, without the drawing's fallback: a press on an empty
    // picture never counts. The first column and row do not count either, the last ones do.
    const QImage &glyph = m_state == TState::sOn ? m_onGlyph : m_offGlyph;
    return x > 0 && x < glyph.width() && y > 0 && y < glyph.height() &&
           (glyph.pixel(x, y) & RGB_MASK) != m_glyphTransparentColor;
}
