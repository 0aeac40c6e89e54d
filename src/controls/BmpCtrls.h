#pragma once

#include "controls/VCLBase.h"

#include <QImage>

#include <cstdint>

class QMouseEvent;

// A two-state switch that shows one of two pictures: OnGlyph in state sOn, OffGlyph in sOff,
// with the bottom-left pixel's colour see-through. A left press on a visible pixel of the shown
// picture flips the state, shows the other picture at once, then emits OnOn or OnOff.
class TepBMPSwitch : public TEffectGControl {
    Q_OBJECT
    Q_PROPERTY(QImage OnGlyph READ onGlyph WRITE setOnGlyph)
    Q_PROPERTY(QImage OffGlyph READ offGlyph WRITE setOffGlyph)
    Q_PROPERTY(TState State READ state WRITE setState)
public:
    enum class TState : std::uint8_t { sOn = 0, sOff = 1 };
    Q_ENUM(TState)

    explicit TepBMPSwitch(QWidget *parent = nullptr);

    // Writing copies the picture and repaints; the caller keeps its own image.
    void setOnGlyph(const QImage &glyph);
    void setOffGlyph(const QImage &glyph);
    // The owned pictures; a change made through the reference shows at the next paint.
    QImage &onGlyph() { return m_onGlyph; }
    QImage &offGlyph() { return m_offGlyph; }
    const QImage &onGlyph() const { return m_onGlyph; }
    const QImage &offGlyph() const { return m_offGlyph; }

    TState state() const { return m_state; }
    // Always repaints and emits the signal of the written state, even when it is unchanged.
    void setState(TState state);
    // Flips the state as a counted click does: the other picture at once, then its signal.
    // Screen readers and keyboard shortcuts switch through this; for them the control is a
    // checkable button, checked in state sOn.
    void toggle();

    // The see-through colour of the picture drawn last (plain RGB, no alpha); black until a
    // picture has been drawn. Presses on pixels of this colour do not count.
    QRgb glyphTransparentColor() const { return m_glyphTransparentColor; }

signals:
    void OnOn(TepBMPSwitch *sender);
    void OnOff(TepBMPSwitch *sender);

protected:
    void DrawOnBuffer() override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void MouseDown(Qt::MouseButton button, int x, int y);
    bool pressCounts(int x, int y) const;
    void fireStateEvent();
    void announceState();

    QImage m_onGlyph;
    QImage m_offGlyph;
    QRgb m_glyphTransparentColor = 0;
    TState m_state = TState::sOn;
};
