#pragma once

#include <QPointer>
#include <QSet>
#include <QWidget>

class Canvas;
class QLabel;

// The full-screen viewer: one picture of the catalogue, the one whose index
// is clickedpic, shrunk to the main screen and centred on it. The arrow keys
// and the wheel step through the catalogue; any click closes the viewer.
// One shared instance; closing it destroys it.
class Window2 : public QWidget {
    Q_OBJECT
public:
    // The open viewer, or a new one (not yet shown) when none is open.
    static Window2* instance();

    // What the grid's plain click calls, after setting clickedpic: the viewer
    // is shown full screen on the main screen and its opening shows picture
    // clickedpic; an open viewer is only brought to the front.
    void present();

    // Step back: to picture clickedpic - 1 if there is one.
    void stepBack();
    // Step forward: to picture clickedpic + 1 if the catalogue holds it by now.
    void stepForward();

    // The first showing is the viewer's opening: it shows picture clickedpic
    // (changepicture), and stays hidden if that closed the viewer.
    void setVisible(bool visible) override;

    Canvas* Canvas1 = nullptr;
    QLabel* StaticText1 = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    Window2();

    static QPointer<Window2> s_open;

    // Qt cannot ask the keyboard whether a key is down now, so the arrow keys
    // held are kept from the key presses and releases that reach the viewer.
    QSet<int> m_heldArrows;
    // Wheel movement not yet worth a whole notch, in Qt's angle units,
    // positive towards later pictures.
    int m_wheelPending = 0;
    bool m_opened = false;
    bool m_closed = false;
};
