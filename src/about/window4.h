#pragma once

#include <QWidget>

class Canvas;
class QLabel;
class QTimer;

// The about box: a fixed backdrop and a grey panel in which a screenshot and
// the credits creep upwards one pixel every 50 ms for as long as the window
// is open. One instance at a time; closing destroys it, so the next one
// starts from the top again.
class Window4 : public QWidget {
    Q_OBJECT
public:
    // The open about window, or a new one when none is open. Showing it and
    // bringing it to the front is the caller's.
    static Window4* instance();

    static const QString& credits();

    // Controls, by their names. Canvas2 and StaticText1 are children of the
    // panel Canvas1 and move with it.
    Canvas* Canvas1 = nullptr;
    Canvas* Canvas2 = nullptr;
    QLabel* StaticText1 = nullptr;
    Canvas* Canvas3 = nullptr;
    QTimer* Timer1 = nullptr;

    // One tick of Timer1: the panel's content and its children move up one
    // pixel; the uncovered row shows the panel's grey backdrop.
    void timer1Action();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Window4();
};
