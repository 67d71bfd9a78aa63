#include "resources/resourcepictures.h"

#include <QHash>
#include <QString>

namespace ResourcePictures {

QImage& picture(Number number)
{
    static QHash<int, QImage> loaded;
    auto it = loaded.find(number);
    if (it == loaded.end()) {
        QImage image(QStringLiteral(":/pictures/%1.png").arg(int(number)));
        it = loaded.insert(number, image.convertToFormat(QImage::Format_ARGB32));
    }
    return *it;
}

void copyMask(QImage& target, const QImage& mask)
{
    if (target.format() != QImage::Format_ARGB32)
        target = target.convertToFormat(QImage::Format_ARGB32);
    const int w = std::min(target.width(), mask.width());
    const int h = std::min(target.height(), mask.height());
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(target.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgba(qRed(line[x]), qGreen(line[x]), qBlue(line[x]), qGray(mask.pixel(x, y)));
    }
}

} // namespace ResourcePictures
