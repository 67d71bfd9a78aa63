#include "widgets/canvas.h"

#include <QMouseEvent>
#include <QPainter>

Canvas::Canvas(QWidget* parent)
    : QWidget(parent)
{
}

void Canvas::setPicture(const QImage& picture)
{
    m_picture = picture;
    m_overlay = nullptr;
    update();
}

void Canvas::setOverlay(std::function<void(QPainter&)> overlay)
{
    m_overlay = std::move(overlay);
    update();
}

void Canvas::clearOverlay()
{
    if (!m_overlay)
        return;
    m_overlay = nullptr;
    update();
}

void Canvas::paintEvent(QPaintEvent*)
{
    if (m_picture.isNull() && !m_overlay)
        return;
    QPainter painter(this);
    if (!m_picture.isNull())
        painter.drawImage(0, 0, m_picture);
    if (m_overlay)
        m_overlay(painter);
}

void Canvas::mousePressEvent(QMouseEvent* event)
{
    // The press belongs to this canvas alone; it does not travel on to the
    // window below.
    event->accept();
    Q_EMIT mouseDown(event);
}

void Canvas::enterEvent(QEnterEvent* event)
{
    Q_EMIT mouseEnter();
    QWidget::enterEvent(event);
}

void Canvas::leaveEvent(QEvent* event)
{
    Q_EMIT mouseExit();
    QWidget::leaveEvent(event);
}
