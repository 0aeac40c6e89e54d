#include "controls/VCLBase.h"

#include <QPaintEvent>
#include <QPainter>

TEffectGControl::TEffectGControl(QWidget *parent) : QWidget(parent) {
    // An opaque control paints every pixel itself, so Qt need not paint the parent under it.
    setAttribute(Qt::WA_OpaquePaintEvent, true);
}

void TEffectGControl::setTransparent(bool transparent) {
    m_transparent = transparent;
    setAttribute(Qt::WA_OpaquePaintEvent, !transparent);
    repaint();
}

void TEffectGControl::RepaintNow() {
    // The paint composes its own background in either mode, so the repaint can always take the
    // opaque path and skip painting the parent first.
    if (testAttribute(Qt::WA_OpaquePaintEvent)) {
        repaint();
        return;
    }
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    repaint();
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TEffectGControl::paintEvent(QPaintEvent *) {
    m_buffer.emplace(size(), QImage::Format_RGB32);
    {
        QPainter painter(&*m_buffer);
        painter.setFont(font());
        if (m_transparent) {
            const QWidget *parent = parentWidget();
            const QColor parentColour = parent ? parent->palette().color(parent->backgroundRole())
                                               : palette().color(backgroundRole());
            painter.fillRect(rect(), parentColour);
            PaintBeneath(painter);
        } else {
            painter.fillRect(rect(), palette().color(backgroundRole()));
        }
    }
    DrawOnBuffer();
    QPainter(this).drawImage(0, 0, *m_buffer);
    m_buffer.reset();
}

void TEffectGControl::PaintBeneath(QPainter &painter) {
    QWidget *parent = parentWidget();
    if (!parent)
        return;
    const QRect bounds = geometry();

    // The parent's own painting only: its children are painted below, one by one, so that the
    // walk can stop at this control. render() puts the region's top-left corner at the offset.
    const QRect parentArea = bounds & parent->rect();
    if (!parentArea.isEmpty())
        parent->render(&painter, parentArea.topLeft() - bounds.topLeft(), QRegion(parentArea),
                       QWidget::DrawWindowBackground);

    for (QObject *child : parent->children()) {
        if (child == this)
            break;
        auto *sibling = qobject_cast<QWidget *>(child);
        // A native sibling has a window of its own, which the parent's painting never holds.
        if (!sibling || sibling->isWindow() || sibling->testAttribute(Qt::WA_NativeWindow) ||
            !sibling->isVisible())
            continue;
        const QRect overlap = sibling->geometry() & bounds;
        if (overlap.isEmpty())
            continue;
        sibling->render(&painter, overlap.topLeft() - bounds.topLeft(),
                        QRegion(overlap.translated(-sibling->pos())), QWidget::DrawChildren);
    }
}
