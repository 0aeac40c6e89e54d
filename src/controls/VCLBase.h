#pragma once

// The visual-control base: what every control this program draws itself stands on. BmpCtrls
// ("bitmap controls") builds the language switch on it, drawn from its two flag bitmaps.

#include <QImage>
#include <QString>
#include <QWidget>

#include <optional>

class QPainter;

// A control without a native window that composes its look in an off-screen image at every
// paint and can be transparent: then it shows what its parent paints beneath it (the parent's own
// painting and the non-native siblings below it) wherever a descendant draws nothing.
// Descendants draw in DrawOnBuffer.
class TEffectGControl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Hint READ hint WRITE setHint)
    Q_PROPERTY(bool Transparent READ transparent WRITE setTransparent)
public:
    explicit TEffectGControl(QWidget *parent = nullptr);

    bool transparent() const { return m_transparent; }
    void setTransparent(bool transparent);

    // A hint that travels with the control but is not shown as a tool tip.
    const QString &hint() const { return m_hint; }
    void setHint(const QString &hint) { m_hint = hint; }

    // Repaints at once, in place, without erasing what is under the control first.
    void RepaintNow();

protected:
    void paintEvent(QPaintEvent *event) override;

    // Draws the content on Buffer(), in the control's coordinates. Runs inside a paint only.
    virtual void DrawOnBuffer() {}

    // The image of the paint in progress; null outside a paint.
    QImage *Buffer() { return m_buffer ? &*m_buffer : nullptr; }

    // Paints what the parent shows under the control into `painter`, in the control's
    // coordinates: the parent's own painting, then every visible non-native sibling below the
    // control that overlaps it. Nothing above the control is painted.
    void PaintBeneath(QPainter &painter);

private:
    bool m_transparent = false;
    QString m_hint;
    std::optional<QImage> m_buffer;
};
