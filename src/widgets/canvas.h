#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

class QMouseEvent;
class QPainter;

// A control that shows a picture as its backdrop, drawn at (0, 0) at the
// picture's own size, and reports presses and the pointer entering and
// leaving. Used by the grid cells, the logo cell, the viewer and the about
// panel. The picture is shared (QImage), never copied.
class Canvas : public QWidget {
    Q_OBJECT
public:
    explicit Canvas(QWidget* parent = nullptr);

    // A null picture leaves the canvas blank. Setting the picture repaints
    // the canvas and removes any overlay.
    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }
    bool hasPicture() const { return !m_picture.isNull(); }

    // Drawn over the picture until the next setPicture or clearOverlay.
    void setOverlay(std::function<void(QPainter&)> overlay);
    void clearOverlay();
    bool hasOverlay() const { return bool(m_overlay); }

Q_SIGNALS:
    void mouseDown(QMouseEvent* event);
    void mouseEnter();
    void mouseExit();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QImage m_picture;
    std::function<void(QPainter&)> m_overlay;
};
