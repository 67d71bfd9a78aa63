#pragma once

#include <QByteArray>
#include <QObject>
#include <functional>

class QMouseEvent;
class QWheelEvent;
class Window1;

// The grid of the main window: cell k (1 to 30, six to a row) at scroll
// value v shows catalogue entry 6 v + k. Paging by the scroll bar or the
// wheel (two rows a notch), the size and name strips while the pointer is
// over a cell, and the press that opens the viewer or, on a context click,
// reveals the file. Every cell event sets clickedpic. Interface thread only.
class ThumbnailGrid : public QObject {
    Q_OBJECT
public:
    explicit ThumbnailGrid(Window1& window);

    // Hands the page's thumbnails to the cells; nothing is decoded.
    void pageRefresh();
    // The scroll bar's range for the catalogue's current count.
    void applyScrollRange();

    // One notch is 120 units of Qt's angle delta; finer wheels and touchpads
    // add up to notches. Positive is away from the user: towards earlier rows.
    void wheel(int angleDeltaY);

    void cellPressed(int k, const QMouseEvent& event);
    void cellEntered(int k);
    void cellExited(int k);

    // What a plain click and a context click do; Window1 sets them.
    std::function<void()> openViewer;
    std::function<void(const QByteArray& path)> reveal;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int indexOf(int k) const;

    Window1& m_window;
    int m_wheelPending = 0;
};
