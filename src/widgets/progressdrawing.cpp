#include "widgets/progressdrawing.h"

#include "common/rounding.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

QImage newPicture(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    // A new picture starts white rather than with whatever memory held.
    picture.fill(ProgressDrawing::erased);
    return picture;
}

QImage erasedCopy(QImage picture)
{
    picture.fill(ProgressDrawing::erased);
    return picture;
}

// One line along the growth axis at cross position p.
void longLine(QPainter& painter, const QImage& pic, int direction, int p, QRgb colour)
{
    if (ProgressDrawing::isVertical(direction))
        painter.fillRect(p, 0, 1, pic.height(), QColor(colour));
    else
        painter.fillRect(0, p, pic.width(), 1, QColor(colour));
}

// One line across the bar at growth position p.
void shortLine(QPainter& painter, const QImage& pic, int direction, int p, QRgb colour)
{
    if (ProgressDrawing::isVertical(direction))
        painter.fillRect(0, p, pic.width(), 1, QColor(colour));
    else
        painter.fillRect(p, 0, 1, pic.height(), QColor(colour));
}

int crossExtent(const QImage& pic, int direction)
{
    return ProgressDrawing::isVertical(direction) ? pic.width() : pic.height();
}

int growthExtent(const QImage& pic, int direction)
{
    return ProgressDrawing::isVertical(direction) ? pic.height() : pic.width();
}

// Index i of a run of n lines counted from the edge the bar grows from.
int fromStartEdge(int direction, int i, int n)
{
    return direction == 1 || direction == 2 ? n - 1 - i : i;
}

} // namespace

ProgressDrawing::ProgressDrawing(ProgressSettings& settings, QSize size, QImage borderp, QImage valuep)
    : borderp(std::move(borderp))
    , valuep(std::move(valuep))
    , m_settings(settings)
    , m_width(size.width())
    , m_height(size.height())
{
}

bool ProgressDrawing::checksettings()
{
    ProgressSettings& s = m_settings;
    if (m_width < 4 && s.hasborder)
        return false;
    if (m_height < 4 && s.hasborder)
        return false;
    if (s.sinlen <= 0) {
        if (s.mode == 4)
            s.sinlen = 2 * (isVertical(s.direction) ? m_height : m_width);
        else
            s.sinlen = 1;
    }
    s.sininitphase = getmod(s.sininitphase, 2 * s.pi);
    return true;
}

void ProgressDrawing::drawvalue(float fraction)
{
    const ProgressSettings& s = m_settings;
    const int b = s.hasborder ? 4 : 0;
    int width = m_width - b;
    int height = m_height - b;
    if (isVertical(s.direction))
        height = static_cast<int>(height * double(fraction));
    else
        width = static_cast<int>(width * double(fraction));
    if (width <= 0 || height <= 0) {
        valuep = QImage();
        return;
    }
    QImage pic = newPicture(width, height);
    valuep = QImage();
    switch (s.mode) {
    case 4:
        valuep = drawmode4(std::move(pic), s.direction, s.sininitphase);
        break;
    case 3:
        valuep = drawmode3(std::move(pic), s.direction, s.sininitphase);
        break;
    case 2:
        valuep = drawmode2(std::move(pic), s.direction);
        break;
    case 1:
        valuep = drawmode1(std::move(pic), s.direction);
        break;
    default:
        valuep = drawmode0(std::move(pic), s.direction);
        break;
    }
}

void ProgressDrawing::drawborder()
{
    const QRgb base = m_settings.bordercolor;
    const QColor light(modcolorv(qRed(base), 1.5f), modcolorv(qGreen(base), 1.5f), modcolorv(qBlue(base), 1.5f));
    const QColor dark(modcolorv(qRed(base), 0.5f), modcolorv(qGreen(base), 0.5f), modcolorv(qBlue(base), 0.5f));
    const QColor middle(base);
    const int w = m_width;
    const int h = m_height;
    if (w <= 0 || h <= 0) {
        borderp = QImage();
        return;
    }
    borderp = newPicture(w, h);
    QPainter painter(&borderp);
    // In this order: later lines win at the corners, so the bottom-left outer
    // corner ends light and the top-right one dark.
    painter.fillRect(0, 0, w, 1, light);
    painter.fillRect(1, 1, w - 2, 1, middle);
    painter.fillRect(0, h - 1, w, 1, dark);
    painter.fillRect(1, h - 2, w - 2, 1, middle);
    painter.fillRect(0, 0, 1, h, light);
    painter.fillRect(1, 1, 1, h - 2, middle);
    painter.fillRect(w - 1, 0, 1, h, dark);
    painter.fillRect(w - 2, 1, 1, h - 2, middle);
}

void ProgressDrawing::drawwaiting()
{
    const ProgressSettings& s = m_settings;
    const int b = s.hasborder ? 4 : 0;
    const int w = m_width - b;
    const int h = m_height - b;
    if (w < 1 || h < 1) {
        valuep = QImage();
        return;
    }
    valuep = newPicture(w, h);
    // Columns from the left for direction 0; the other directions show the
    // same pattern turned so that index 0 lies at the edge the bar grows from.
    QPainter painter(&valuep);
    const int direction = s.direction == 1 || s.direction == 2 || s.direction == 3 ? s.direction : 0;
    const int n = growthExtent(valuep, direction);
    for (int i = 0; i < n; ++i)
        shortLine(painter, valuep, direction, fromStartEdge(direction, i, n), sinecolour(i, s.sininitphase));
}

QImage ProgressDrawing::compose()
{
    const ProgressSettings& s = m_settings;
    const int w = m_width;
    const int h = m_height;
    if (w <= 0 || h <= 0)
        return QImage();
    QImage composed(w, h, QImage::Format_RGB32);
    QPainter painter(&composed);
    int o = 0;
    if (s.hasborder) {
        drawborder();
        if (!borderp.isNull()) {
            painter.drawImage(0, 0, borderp);
            o = 2;
        }
    }
    painter.fillRect(o, o, w - 2 * o, h - 2 * o, QColor(s.backcolor));
    if (!valuep.isNull()) {
        QPoint at(o, o);
        if (s.direction == 1)
            at.setX(w - valuep.width() - o);
        else if (s.direction == 2)
            at.setY(h - valuep.height() - o);
        painter.drawImage(at, valuep);
    }
    return composed;
}

QImage ProgressDrawing::drawmode0(QImage pic, int direction) const
{
    if (pic.isNull())
        return pic;
    pic = erasedCopy(std::move(pic));
    const QRgb sec = m_settings.seccolor;
    const QRgb main = m_settings.maincolor;
    const float differenceRed = float(qRed(main) - qRed(sec));
    const float differenceGreen = float(qGreen(main) - qGreen(sec));
    const float differenceBlue = float(qBlue(main) - qBlue(sec));
    const int e = crossExtent(pic, direction);
    const int half = e / 2;
    QPainter painter(&pic);
    for (int i = 0; i <= half - 1; ++i) {
        const float t = float(double(i) / half);
        const QRgb colour = qRgb(static_cast<int>(qRed(sec) + double(t * differenceRed)),
            static_cast<int>(qGreen(sec) + double(t * differenceGreen)),
            static_cast<int>(qBlue(sec) + double(t * differenceBlue)));
        longLine(painter, pic, direction, i, colour);
        longLine(painter, pic, direction, e - 1 - i, colour);
    }
    if (e % 2 == 1)
        longLine(painter, pic, direction, (e - 1) / 2, main);
    return pic;
}

QImage ProgressDrawing::drawmode1(QImage pic, int direction) const
{
    if (pic.isNull())
        return pic;
    pic = erasedCopy(std::move(pic));
    const QRgb sec = m_settings.seccolor;
    const QRgb main = m_settings.maincolor;
    const float kRed = getmaxmod(qRed(sec), qRed(main));
    const float kGreen = getmaxmod(qGreen(sec), qGreen(main));
    const float kBlue = getmaxmod(qBlue(sec), qBlue(main));
    const int e = crossExtent(pic, direction);
    const int half = e / 2;
    const auto channel = [](int c, float t, float k) { return modcolorv(c, float(1 + double(t) * (double(k) - 1))); };
    QPainter painter(&pic);
    for (int i = 0; i <= half - 1; ++i) {
        const float t = float(double(i + 1) / (half + 1));
        const QRgb colour
            = qRgb(channel(qRed(sec), t, kRed), channel(qGreen(sec), t, kGreen), channel(qBlue(sec), t, kBlue));
        longLine(painter, pic, direction, i, colour);
        longLine(painter, pic, direction, e - 1 - i, colour);
    }
    if (e % 2 == 1)
        longLine(painter, pic, direction, (e - 1) / 2, main);
    return pic;
}

QImage ProgressDrawing::drawmode2(QImage pic, int direction) const
{
    if (pic.isNull())
        return pic;
    pic = erasedCopy(std::move(pic));
    const QImage& tile = m_settings.fillpic;
    if (tile.isNull())
        return pic;
    const int w = pic.width();
    const int h = pic.height();
    const int fw = tile.width();
    const int fh = tile.height();
    QPainter painter(&pic);
    if (direction == 3) {
        for (int y = 0; y < h; y += fh)
            painter.drawImage(0, y, tile);
    } else if (direction == 1) {
        // Anchored at the right edge: the pattern stays put while the bar grows leftwards.
        const int r = w % fw;
        if (r > 0)
            painter.drawImage(QRect(0, 0, r, fh), tile, QRect(fw - r, 0, r, fh));
        for (int k = 1; k <= (w - r) / fw; ++k)
            painter.drawImage(r + (k - 1) * fw, 0, tile);
    } else if (direction == 2) {
        const int r = h % fh;
        if (r > 0)
            painter.drawImage(QRect(0, 0, fw, r), tile, QRect(0, fh - r, fw, r));
        for (int k = 1; k <= (h - r) / fh; ++k)
            painter.drawImage(0, r + (k - 1) * fh, tile);
    } else {
        for (int x = 0; x < w; x += fw)
            painter.drawImage(x, 0, tile);
    }
    return pic;
}

QImage ProgressDrawing::drawmode3(QImage pic, int direction, double phase) const
{
    if (pic.isNull())
        return pic;
    pic = erasedCopy(std::move(pic));
    const int n = growthExtent(pic, direction);
    QPainter painter(&pic);
    for (int i = 0; i < n; ++i)
        shortLine(painter, pic, direction, fromStartEdge(direction, i, n), sinecolour(i, phase));
    return pic;
}

QImage ProgressDrawing::drawmode4(QImage pic, int direction, double phase) const
{
    if (pic.isNull())
        return pic;
    pic = erasedCopy(std::move(pic));
    const int e = crossExtent(pic, direction);
    QPainter painter(&pic);
    for (int i = 0; i < e; ++i)
        longLine(painter, pic, direction, i, sinecolour(i, phase));
    return pic;
}

QRgb ProgressDrawing::sinecolour(int index, double phase) const
{
    const ProgressSettings& s = m_settings;
    const double a = getmod((2 * index) * s.pi / s.sinlen, 2 * s.pi);
    const float sine = float(std::sin(phase + a));
    const float d = float(s.sinamplitude * double(sine));
    const auto channel = [d](int c) {
        double moved = c + double(d);
        if (std::isnan(moved))
            moved = c;
        // Held within a unit of the channel range so that rounding cannot
        // overflow however large the amplitude; the clamp below decides.
        moved = std::clamp(moved, -1.0, 256.0);
        return static_cast<int>(fitvalue(float(roundHalfAway(moved)), 0, 255));
    };
    return qRgb(channel(qRed(s.maincolor)), channel(qGreen(s.maincolor)), channel(qBlue(s.maincolor)));
}

int ProgressDrawing::modcolorv(int c, float k)
{
    if (k > 1)
        return roundHalfAway(255 - (255 - c) / double(k));
    return static_cast<int>(c * double(k));
}

float ProgressDrawing::getmaxmod(int from, int to)
{
    if (from < to) {
        if (to < 255)
            return float(double(from - 255) / (to - 255));
        // Large enough that the lightened channel rounds to 255.
        return float((255 - from) * 2 + 1);
    }
    if (from > 0)
        return float(double(to) / from);
    return 1;
}

float ProgressDrawing::fitvalue(float v, float low, float high)
{
    if (v < low)
        return low;
    if (v > high)
        return high;
    return v;
}

double ProgressDrawing::getmod(double a, double b)
{
    if (b == 0)
        return 0;
    if (a == 0)
        return b;
    if (!(a >= b))
        return a;
    // The phases depend on the step-by-step subtraction bit for bit. A value
    // that would never get below b that way (not finite, a negative b, or
    // more steps than any phase needs) is reduced in one go instead of
    // hanging the interface.
    if (b < 0 || !std::isfinite(a) || a / b > 1e6)
        return std::fmod(a, b);
    while (a >= b)
        a -= b;
    return a;
}
