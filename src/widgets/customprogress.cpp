#include "widgets/customprogress.h"

#include <QPainter>

CustomProgress::CustomProgress(QWidget* parent)
    : QWidget(parent)
{
}

void CustomProgress::open()
{
    pi = 3.141592653589793;
    setvalue(value);
    Q_EMIT opened();
}

void CustomProgress::setvalue(float v)
{
    if (!checksettings()) {
        // The pictures still follow the update before this one.
        composePending();
        m_composed = QImage();
        update();
        return;
    }
    // NaN compares false both ways and would be stored; it counts as 0.
    if (!(v >= 0))
        v = 0;
    else if (v > double(maximum))
        v = float(maximum);
    if (maximum > 0)
        value = v;
    Look look { *this, size(), maximum <= 0, maximum > 0 ? float(double(v) / maximum) : 0.0f };
    m_pending = std::move(look);
    update();
}

bool CustomProgress::checksettings()
{
    return drawing().checksettings();
}

QImage CustomProgress::composed()
{
    composePending();
    return m_composed;
}

const QImage& CustomProgress::borderp()
{
    composePending();
    return m_borderp;
}

const QImage& CustomProgress::valuep()
{
    composePending();
    return m_valuep;
}

void CustomProgress::drawvalue(float fraction)
{
    composePending();
    ProgressDrawing d = drawing();
    d.drawvalue(fraction);
    m_valuep = d.valuep;
}

void CustomProgress::drawborder()
{
    composePending();
    ProgressDrawing d = drawing();
    d.drawborder();
    m_borderp = d.borderp;
}

void CustomProgress::drawwaiting()
{
    composePending();
    ProgressDrawing d = drawing();
    d.drawwaiting();
    m_valuep = d.valuep;
}

void CustomProgress::composePending()
{
    if (!m_pending)
        return;
    Look look = std::move(*m_pending);
    m_pending.reset();
    ProgressDrawing d(look.settings, look.size, std::move(m_borderp), std::move(m_valuep));
    if (look.waiting)
        d.drawwaiting();
    else
        d.drawvalue(look.fraction);
    m_composed = d.compose();
    m_borderp = std::move(d.borderp);
    m_valuep = std::move(d.valuep);
}

void CustomProgress::paintEvent(QPaintEvent*)
{
    composePending();
    if (m_composed.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, m_composed);
}
