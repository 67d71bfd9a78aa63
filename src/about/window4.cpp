#include "about/window4.h"

#include "resources/resourcepictures.h"
#include "widgets/canvas.h"

#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QTimer>

namespace {

// Children of the panel are placed in window coordinates less the panel's
// own position.
constexpr QPoint panelOrigin(20, 83);

QRect inPanel(int left, int top, int width, int height)
{
    return QRect(QPoint(left, top) - panelOrigin, QSize(width, height));
}

} // namespace

Window4* Window4::instance()
{
    static QPointer<Window4> window;
    if (!window)
        window = new Window4();
    return window;
}

const QString& Window4::credits()
{
    static const QString text = QStringLiteral(
        "Thanks to:\n"
        "\n"
        "Alex Example (alex.example@example.org)\n"
        "for the dictionary list that keeps the preferences\n"
        "\n"
        "Jordan Sample and Riley Placeholder\n"
        "for testing the early versions\n"
        "\n"
        "Visit the Brightfold website for updates\n"
        "and other free applications.\n"
        "\n"
        "Lumigrid is free, but copying and distributing it\n"
        "without permission is forbidden.");
    return text;
}

Window4::Window4()
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About Lumigrid"));
    setFixedSize(400, 300);

    Canvas1 = new Canvas(this);
    Canvas1->setObjectName(QStringLiteral("Canvas1"));
    Canvas1->setGeometry(20, 83, 360, 152);

    Canvas2 = new Canvas(Canvas1);
    Canvas2->setObjectName(QStringLiteral("Canvas2"));
    Canvas2->setGeometry(inPanel(142, 95, 122, 119));
    Canvas2->setPicture(ResourcePictures::picture(ResourcePictures::lumiaboutscreenshot));

    StaticText1 = new QLabel(credits(), Canvas1);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    StaticText1->setGeometry(inPanel(42, 226, 316, 235));
    StaticText1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    StaticText1->setWordWrap(true);
    QPalette palette = StaticText1->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    StaticText1->setPalette(palette);

    Canvas3 = new Canvas(this);
    Canvas3->setObjectName(QStringLiteral("Canvas3"));
    Canvas3->setGeometry(0, 236, 400, 64);
    Canvas3->setPicture(ResourcePictures::picture(ResourcePictures::lumiaboutbottom));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(50);
    connect(Timer1, &QTimer::timeout, this, &Window4::timer1Action);

    // Opening: the panel's own picture is larger than the panel; the rows
    // below its 152 are never seen.
    QImage panel(360, 160, QImage::Format_RGB32);
    panel.fill(QColor(0xE3, 0xE3, 0xE3));
    Canvas1->setPicture(panel);
    Timer1->start();
}

void Window4::timer1Action()
{
    Canvas1->scroll(0, -1);
}

void Window4::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, ResourcePictures::picture(ResourcePictures::lumiabout));
}
