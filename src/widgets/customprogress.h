#pragma once

#include "widgets/progressdrawing.h"
#include "widgets/progresssettings.h"

#include <QImage>
#include <QWidget>
#include <optional>

// A progress bar drawn entirely by the program: a value between 0 and
// maximum shown as a filled part of a bar growing in one of four directions,
// in one of five fill styles, optionally inside a two-pixel bevel; maximum 0
// or less shows the waiting fill. The look of the bar is composed into one
// picture that the control shows at (0, 0).
//
// Owners write the properties (ProgressSettings) directly, which draws
// nothing by itself, call setvalue for every update and read value.
// Interface thread only.
//
// setvalue is meant to be called for every item of a long scan: it stores
// what the update decides (value, sinlen, sininitphase) and remembers the
// look it asks for, but the picture is composed only when it is painted or
// asked for (composed(), borderp(), valuep()), at most once however many
// updates came before. What is shown is always the look of the last update,
// drawn from the properties as they were at that update.
class CustomProgress : public QWidget, public ProgressSettings {
    Q_OBJECT
public:
    explicit CustomProgress(QWidget* parent = nullptr);

    // The opening handler: stores pi, draws the first look with
    // setvalue(value) and then emits opened(). The owner calls it once the
    // properties are set.
    void open();

    // Clamps v to 0 ... maximum and stores it (unless the waiting fill is
    // shown, which leaves value as it was), then shows the new look. A bar
    // too small for its border shows nothing and stores nothing.
    void setvalue(float v);
    bool checksettings();

    // The picture the control shows; null when it shows nothing.
    QImage composed();
    const QImage& borderp();
    const QImage& valuep();

    // The drawing operations, on the control's current properties and size.
    void drawvalue(float fraction);
    void drawborder();
    void drawwaiting();
    QImage drawmode0(QImage pic, int direction) { return drawing().drawmode0(std::move(pic), direction); }
    QImage drawmode1(QImage pic, int direction) { return drawing().drawmode1(std::move(pic), direction); }
    QImage drawmode2(QImage pic, int direction) { return drawing().drawmode2(std::move(pic), direction); }
    QImage drawmode3(QImage pic, int direction, double phase)
    {
        return drawing().drawmode3(std::move(pic), direction, phase);
    }
    QImage drawmode4(QImage pic, int direction, double phase)
    {
        return drawing().drawmode4(std::move(pic), direction, phase);
    }
    static int modcolorv(int c, float k) { return ProgressDrawing::modcolorv(c, k); }
    static float getmaxmod(int from, int to) { return ProgressDrawing::getmaxmod(from, to); }
    static float fitvalue(float v, float low, float high) { return ProgressDrawing::fitvalue(v, low, high); }
    static double getmod(double a, double b) { return ProgressDrawing::getmod(a, b); }

Q_SIGNALS:
    void opened();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The look one update asked for, kept until it is composed.
    struct Look {
        ProgressSettings settings;
        QSize size;
        bool waiting = false;
        float fraction = 0;
    };

    ProgressDrawing drawing() { return ProgressDrawing(*this, size(), m_borderp, m_valuep); }
    void composePending();

    std::optional<Look> m_pending;
    QImage m_composed;
    QImage m_borderp;
    QImage m_valuep;
};
