#include "viewer/picturefit.h"

#include "common/rounding.h"

#include <algorithm>

namespace {

// A picture far wider than high (or the reverse) would round to a side of
// zero, which is no picture at all.
int atLeastOne(int side)
{
    return std::max(side, 1);
}

} // namespace

PictureFit fitPicture(QSize screen, QSize picture)
{
    const int sw = screen.width();
    const int sh = screen.height();
    PictureFit fit;
    fit.size = picture;

    if (sw > 0 && fit.size.width() > sw) {
        const double r = double(fit.size.width()) / sw;
        fit.size = QSize(sw, atLeastOne(roundHalfAway(fit.size.height() / r)));
        fit.fitted = true;
    }
    if (sh > 0 && fit.size.height() > sh) {
        const double r2 = double(fit.size.height()) / sh;
        fit.size = QSize(atLeastOne(roundHalfAway(fit.size.width() / r2)), sh);
        fit.fitted = true;
    }

    fit.position = centredPosition(screen, fit.size);
    return fit;
}

QPoint centredPosition(QSize screen, QSize shown)
{
    return QPoint(roundHalfAway((screen.width() - shown.width()) / 2.0),
                  roundHalfAway((screen.height() - shown.height()) / 2.0));
}
