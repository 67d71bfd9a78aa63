#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QtEndian>
#include <vips/vips8>

#include <fcntl.h>
#include <unistd.h>

// Picture files for tests, written by their path bytes (names need not be
// valid UTF-8).
namespace Fixtures {

inline bool writeBytes(const QByteArray& path, const QByteArray& data)
{
    const int descriptor = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (descriptor < 0)
        return false;
    const bool written = ::write(descriptor, data.constData(), size_t(data.size())) == data.size();
    ::close(descriptor);
    return written;
}

inline QByteArray encode(const QImage& picture, const char* format, int quality = -1)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, format, quality);
    return data;
}

// Formats Qt cannot write, through libvips: ".gif", or ".psd" through
// ImageMagick.
inline QByteArray encodeWithVips(const QImage& picture, const char* suffix)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    const vips::VImage image = vips::VImage::new_from_memory(const_cast<uchar*>(rgb.constBits()),
        size_t(rgb.sizeInBytes()), rgb.width(), rgb.height(), 3, VIPS_FORMAT_UCHAR);
    void* buffer = nullptr;
    size_t length = 0;
    if (qstrcmp(suffix, ".psd") == 0) {
        VipsBlob* blob = image.copy_memory().magicksave_buffer(vips::VImage::option()->set("format", "psd"));
        const QByteArray data(static_cast<const char*>(VIPS_AREA(blob)->data), qsizetype(VIPS_AREA(blob)->length));
        vips_area_unref(VIPS_AREA(blob));
        return data;
    }
    image.copy_memory().write_to_buffer(suffix, &buffer, &length);
    const QByteArray data(static_cast<const char*>(buffer), qsizetype(length));
    g_free(buffer);
    return data;
}

inline QImage solid(int width, int height, QColor colour)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

// Noise compresses badly, so a picture of a given size class is easy to make.
inline QImage noise(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    quint32 state = 12345;
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            line[x] = 0xff000000u | (state >> 8);
        }
    }
    return picture;
}

inline quint32 crc32(const QByteArray& data)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : data) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A real PNG whose header then declares another size: a small file that
// claims an enormous picture.
inline QByteArray pngDeclaring(quint32 width, quint32 height)
{
    QByteArray png = encode(solid(8, 8, Qt::gray), "png");
    // Signature (8), chunk length (4), "IHDR" (4), then width and height.
    qToBigEndian(width, png.data() + 16);
    qToBigEndian(height, png.data() + 20);
    qToBigEndian(crc32(png.mid(12, 17)), png.data() + 29);
    return png;
}

// A real JPEG whose frame header then declares another size.
inline QByteArray jpegDeclaring(quint16 width, quint16 height)
{
    QByteArray jpeg = encode(solid(16, 16, Qt::gray), "jpeg");
    for (int i = 2; i + 9 < jpeg.size(); ++i) {
        if (quint8(jpeg[i]) == 0xff && (quint8(jpeg[i + 1]) == 0xc0 || quint8(jpeg[i + 1]) == 0xc2)) {
            qToBigEndian(height, jpeg.data() + i + 5);
            qToBigEndian(width, jpeg.data() + i + 7);
            break;
        }
    }
    return jpeg;
}

// A one-page PDF, pageWidth x pageHeight points, filled with one colour.
inline QByteArray pdf(int pageWidth, int pageHeight, QColor colour)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(72);
        writer.setPageSize(QPageSize(QSizeF(pageWidth, pageHeight), QPageSize::Point));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&writer);
        painter.fillRect(QRect(0, 0, pageWidth, pageHeight), colour);
    }
    return data;
}

} // namespace Fixtures
