#include "app/thumbnailgrid.h"

#include "app/scrollrange.h"
#include "app/window1.h"
#include "catalogue/module1.h"
#include "widgets/canvas.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

namespace {

constexpr int notch = 120;
constexpr int rowsPerNotch = 2;

bool isContextClick(const QMouseEvent& event)
{
#ifdef Q_OS_MACOS
    // Control-click, which Qt reports with the Meta modifier there.
    if (event.button() == Qt::LeftButton && event.modifiers().testFlag(Qt::MetaModifier))
        return true;
#endif
    return event.button() == Qt::RightButton;
}

} // namespace

ThumbnailGrid::ThumbnailGrid(Window1& window)
    : QObject(&window)
    , m_window(window)
{
    connect(window.ScrollBar1, &QScrollBar::valueChanged, this, &ThumbnailGrid::pageRefresh);
    for (int k = 1; k <= Window1::cellCount; ++k) {
        Canvas* cell = window.cell(k);
        connect(cell, &Canvas::mouseDown, this, [this, k](QMouseEvent* event) { cellPressed(k, *event); });
        connect(cell, &Canvas::mouseEnter, this, [this, k] { cellEntered(k); });
        connect(cell, &Canvas::mouseExit, this, [this, k] { cellExited(k); });
    }
    // The wheel pages the grid wherever the pointer is in the window, the
    // scroll bar included, so its own wheel handling is replaced.
    window.installEventFilter(this);
    window.ScrollBar1->installEventFilter(this);
}

int ThumbnailGrid::indexOf(int k) const
{
    return 6 * m_window.ScrollBar1->value() + k;
}

void ThumbnailGrid::pageRefresh()
{
    const Catalogue& catalogue = Module1::catalogue();
    for (int k = 1; k <= Window1::cellCount; ++k)
        m_window.cell(k)->setPicture(catalogue.bildscaled(indexOf(k)));
}

void ThumbnailGrid::applyScrollRange()
{
    const ScrollRange range = scrollRange(Module1::catalogue().x(), m_window.issmaller);
    m_window.ScrollBar1->setEnabled(range.enabled);
    m_window.ScrollBar1->setMaximum(range.maximum);
}

void ThumbnailGrid::wheel(int angleDeltaY)
{
    if (angleDeltaY == 0)
        return;
    // Turning the wheel back drops what was gathered the other way.
    if (m_wheelPending != 0 && (angleDeltaY > 0) != (m_wheelPending > 0))
        m_wheelPending = 0;
    m_wheelPending += angleDeltaY;
    int rows = 0;
    while (m_wheelPending >= notch) {
        rows -= rowsPerNotch;
        m_wheelPending -= notch;
    }
    while (m_wheelPending <= -notch) {
        rows += rowsPerNotch;
        m_wheelPending += notch;
    }
    if (rows != 0)
        m_window.ScrollBar1->setValue(m_window.ScrollBar1->value() + rows);
}

void ThumbnailGrid::cellPressed(int k, const QMouseEvent& event)
{
    Catalogue& catalogue = Module1::catalogue();
    catalogue.clickedpic = indexOf(k);
    if (!m_window.cell(k)->hasPicture())
        return;
    if (isContextClick(event)) {
        if (reveal)
            reveal(catalogue.bildfile(catalogue.clickedpic));
    } else if (openViewer) {
        openViewer();
    }
}

void ThumbnailGrid::cellEntered(int k)
{
    Catalogue& catalogue = Module1::catalogue();
    catalogue.clickedpic = indexOf(k);
    Canvas* cell = m_window.cell(k);
    if (!cell->hasPicture())
        return;
    const QString size = catalogue.bildsize(catalogue.clickedpic);
    const QString name = catalogue.bildname(catalogue.clickedpic);
    cell->setOverlay([size, name](QPainter& painter) {
        painter.fillRect(0, 0, 100, 13, Qt::black);
        painter.fillRect(0, 87, 100, 13, Qt::black);
        painter.setPen(Qt::white);
        painter.drawText(QPoint(2, 10), size);
        painter.drawText(QPoint(2, 98), QFontMetrics(painter.font()).elidedText(name, Qt::ElideRight, 96));
    });
}

void ThumbnailGrid::cellExited(int k)
{
    Catalogue& catalogue = Module1::catalogue();
    catalogue.clickedpic = indexOf(k);
    if (catalogue.clickedpic <= catalogue.x())
        m_window.cell(k)->setPicture(catalogue.bildscaled(catalogue.clickedpic));
}

bool ThumbnailGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel && (watched == &m_window || watched == m_window.ScrollBar1)) {
        wheel(static_cast<QWheelEvent*>(event)->angleDelta().y());
        return true;
    }
    return QObject::eventFilter(watched, event);
}
