#include "viewer/window2.h"

#include "catalogue/module1.h"
#include "viewer/changepicture.h"
#include "widgets/canvas.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QWheelEvent>

#include <array>
#include <cstdlib>

namespace {

// One notch of a common mouse wheel, in QWheelEvent::angleDelta units.
constexpr int wheelNotch = 120;

bool isArrow(int key)
{
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Down || key == Qt::Key_Up;
}

} // namespace

QPointer<Window2> Window2::s_open;

Window2* Window2::instance()
{
    if (!s_open)
        s_open = new Window2;
    return s_open;
}

Window2::Window2()
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Untitled"));
    resize(300, 300);

    Canvas1 = new Canvas(this);
    Canvas1->setObjectName(QStringLiteral("Canvas1"));
    Canvas1->setGeometry(0, 0, 260, 266);
    connect(Canvas1, &Canvas::mouseDown, this, &QWidget::close);

    StaticText1 = new QLabel(Canvas1);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    StaticText1->setGeometry(20, 14, 222, 20);
    StaticText1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette palette = StaticText1->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    StaticText1->setPalette(palette);

    // Full screen covers the whole main screen, so the window's coordinates
    // are the screen's, on which changepicture centres the picture.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        setScreen(screen);
        setGeometry(screen->geometry());
    }
    setWindowState(Qt::WindowFullScreen);
}

void Window2::present()
{
    // The arrow keys are the viewer's: it takes the keyboard, also where no
    // window manager hands it over.
    if (!isVisible()) {
        show();
        if (!m_closed)
            activateWindow();
        return;
    }
    raise();
    activateWindow();
}

void Window2::setVisible(bool visible)
{
    if (visible && !m_opened) {
        m_opened = true;
        Module1::changepicture();
        if (m_closed)
            return;
    }
    QWidget::setVisible(visible);
}

void Window2::stepBack()
{
    Catalogue& catalogue = Module1::catalogue();
    if (catalogue.clickedpic > 1) {
        --catalogue.clickedpic;
        Module1::changepicture();
    }
}

void Window2::stepForward()
{
    Catalogue& catalogue = Module1::catalogue();
    if (catalogue.clickedpic < catalogue.x()) {
        ++catalogue.clickedpic;
        Module1::changepicture();
    }
}

void Window2::keyPressEvent(QKeyEvent* event)
{
    if (isArrow(event->key()))
        m_heldArrows.insert(event->key());
    event->ignore();

    // Whatever key arrived, every arrow held now steps, in this order and
    // each on its own: Left and Right held together step back, then forward.
    struct Test {
        int key;
        void (Window2::*step)();
    };
    static constexpr std::array<Test, 4> tests{{
        {Qt::Key_Left, &Window2::stepBack},
        {Qt::Key_Right, &Window2::stepForward},
        {Qt::Key_Down, &Window2::stepForward},
        {Qt::Key_Up, &Window2::stepBack},
    }};
    for (const Test& test : tests) {
        // A step that closed the viewer (its entry has no path) ends the test:
        // the closed viewer is not to be stepped or reopened.
        if (m_closed)
            return;
        if (m_heldArrows.contains(test.key))
            (this->*test.step)();
    }
}

void Window2::keyReleaseEvent(QKeyEvent* event)
{
    // An auto-repeating key sends releases while it is still held down.
    if (!event->isAutoRepeat())
        m_heldArrows.remove(event->key());
    event->ignore();
}

void Window2::wheelEvent(QWheelEvent* event)
{
    event->ignore();
    // Qt's angleDelta().y() is positive when the wheel turns away from the
    // user, which scrolls up; here positive is scrolling down, towards later
    // pictures, as the grid pages forward.
    const int deltaY = -event->angleDelta().y();
    if (deltaY == 0)
        return;
    if ((deltaY > 0) != (m_wheelPending > 0))
        m_wheelPending = 0;
    m_wheelPending += deltaY;
    if (std::abs(m_wheelPending) < wheelNotch)
        return;
    // One event steps at most once, however far the wheel turned.
    const bool forward = m_wheelPending > 0;
    m_wheelPending %= wheelNotch;
    if (forward)
        stepForward();
    else
        stepBack();
}

void Window2::mousePressEvent(QMouseEvent* event)
{
    event->ignore();
    close();
}

void Window2::closeEvent(QCloseEvent* event)
{
    m_closed = true;
    if (s_open == this)
        s_open = nullptr;
    QWidget::closeEvent(event);
}

void Window2::changeEvent(QEvent* event)
{
    // Keys released while another window had the keyboard never reach the
    // viewer; forget them rather than step on by themselves.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        m_heldArrows.clear();
    QWidget::changeEvent(event);
}
