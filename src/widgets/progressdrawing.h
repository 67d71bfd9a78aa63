#pragma once

#include "widgets/progresssettings.h"

#include <QImage>
#include <QSize>

// The drawing of a progress bar into pictures, without a window: the border,
// the fill styles, the waiting fill and the composed look of the whole bar.
// Works on the settings it is given (checksettings writes sinlen and
// sininitphase back into them) for a bar of the given size. Every picture is
// 24-bit (QImage::Format_RGB32) and painted one line per row or column.
//
// Number handling follows the bar's original arithmetic, which its colours
// depend on to the last unit: ratios and factors are single precision, an
// integer meeting a single is worked out in double precision, and a value
// becomes a colour channel by dropping its fraction unless it is rounded.
class ProgressDrawing {
public:
    ProgressDrawing(ProgressSettings& settings, QSize size, QImage borderp = {}, QImage valuep = {});

    // The colour a style routine erases its picture to before painting; only
    // style 2 leaves any of it visible.
    static constexpr QRgb erased = 0xFFFFFF;

    QImage borderp; // rebuilt by drawborder
    QImage valuep;  // rebuilt by drawvalue and drawwaiting; null when there is no fill

    // False when the bar is bordered and narrower or lower than 4 pixels.
    // Otherwise chooses sinlen once if it is 0 or less (twice the growth size
    // for style 4, else 1) and reduces sininitphase below 2 pi.
    bool checksettings();

    // valuep for a fraction (0 to 1) of the fill area, in the style of mode.
    void drawvalue(float fraction);
    // borderp: the two-pixel bevel in light, base and dark tones of bordercolor.
    void drawborder();
    // valuep for the waiting fill across the whole fill area.
    void drawwaiting();
    // The whole bar: border (rebuilt), background, and valuep anchored at the
    // edge the bar grows from.
    QImage compose();

    // The fill styles. Each erases pic, paints it for the direction and
    // returns it; a null pic comes back null.
    QImage drawmode0(QImage pic, int direction) const;
    QImage drawmode1(QImage pic, int direction) const;
    QImage drawmode2(QImage pic, int direction) const;
    QImage drawmode3(QImage pic, int direction, double phase) const;
    QImage drawmode4(QImage pic, int direction, double phase) const;

    // maincolor moved along the sine wave for line index, clamped per channel.
    QRgb sinecolour(int index, double phase) const;

    // Channel c lightened towards 255 for k > 1, darkened towards 0 otherwise.
    static int modcolorv(int c, float k);
    // The factor k with modcolorv(from, k) close to to.
    static float getmaxmod(int from, int to);
    static float fitvalue(float v, float low, float high);
    // a reduced below b by whole steps of b; 0 becomes b, and b becomes 0 at
    // the next reduction. A negative a comes back unchanged.
    static double getmod(double a, double b);

    static bool isVertical(int direction) { return direction == 2 || direction == 3; }

private:
    ProgressSettings& m_settings;
    int m_width;
    int m_height;
};
