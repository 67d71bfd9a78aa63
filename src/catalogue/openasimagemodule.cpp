#include "catalogue/openasimagemodule.h"

#include "catalogue/jpegscaled.h"
#include "catalogue/pngreduced.h"
#include "catalogue/psdcomposite.h"
#include "catalogue/tiffstrips.h"
#include "catalogue/rawpath.h"

#include <QFile>
#include <vips/vips8>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace OpenAsImageModule {

namespace {

void startVips()
{
    static std::once_flag once;
    std::call_once(once, [] {
        vips_init("lumigrid");
        // A damaged file is skipped or shown as far as it decodes; the
        // program keeps no log, so libvips's warnings are not printed.
        g_log_set_handler("VIPS", G_LOG_LEVEL_WARNING, [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
        // Each file is opened once per scan; cached operations would only
        // hold its descriptor and pixels open.
        vips_cache_set_max(0);
    });
}

vips::VOption* sequential()
{
    return vips::VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL);
}

QSize uprightSize(const vips::VImage& header)
{
    int orientation = 1;
    if (header.get_typeof(VIPS_META_ORIENTATION) != 0)
        orientation = header.get_int(VIPS_META_ORIENTATION);
    const QSize stored(header.width(), header.height());
    return orientation >= 5 && orientation <= 8 ? stored.transposed() : stored;
}

QImage toImage(vips::VImage image)
{
    if (image.interpretation() != VIPS_INTERPRETATION_sRGB)
        image = image.colourspace(VIPS_INTERPRETATION_sRGB);
    if (image.format() != VIPS_FORMAT_UCHAR)
        image = image.cast(VIPS_FORMAT_UCHAR);
    if (image.bands() > 4)
        image = image.extract_band(0, vips::VImage::option()->set("n", 4));
    if (image.bands() != 3 && image.bands() != 4)
        return {};
    size_t length = 0;
    void* pixels = image.write_to_memory(&length);
    const int width = image.width();
    const int height = image.height();
    const int bands = image.bands();
    QImage result;
    if (length == size_t(width) * height * bands) {
        const QImage view(static_cast<const uchar*>(pixels), width, height, width * bands,
            bands == 4 ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
        result = view.convertToFormat(bands == 4 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    }
    g_free(pixels);
    return result;
}

constexpr qint64 mostPixelsReadWhole = qint64(1) << 30;

// The name of the libvips loader that read the header ("ppmload", ...).
QByteArray loaderOf(const vips::VImage& header)
{
    const char* loader = nullptr;
    if (vips_image_get_string(header.get_image(), "vips-loader", &loader) != 0 || !loader)
        return {};
    return QByteArray(loader);
}

// Whether the loader decodes a reduced picture itself (JPEG's DCT scaling,
// WebP's and HEIF's scaled decoding, PDF and SVG drawn at the size asked)
// rather than reading every pixel and shrinking afterwards.
bool reducesWhileLoading(const QByteArray& loader)
{
    const char* reducing[] = {"jpegload", "webpload", "heifload", "pdfload", "pdfiumload", "svgload", "jp2kload"};
    for (const char* name : reducing) {
        if (loader.startsWith(name))
            return true;
    }
    return false;
}

} // namespace

ImportedPicture importWithVips(const QByteArray& path, int side)
{
    startVips();
    // libvips reads "name[options]" as options for its loader; no accepted
    // picture name ends in "]", and such a file is left to the general decoder.
    QFile file;
    if (path.endsWith(']') || !RawPath::openRegularFile(file, path))
        return {};
    const qint64 length = file.size();
    file.close();
    QSize full;
    QByteArray loader;
    try {
        const vips::VImage header = vips::VImage::new_from_file(path.constData(), sequential());
        full = uprightSize(header);
        loader = loaderOf(header);
    } catch (const std::exception&) {
        return {};
    }
    if (full.isEmpty())
        return {true, {}};
    // Beyond a gigapixel, a loader that goes through every pixel takes
    // minutes (a few bytes of PBM header can declare 40 gigapixels of
    // blank): such a picture gives no picture rather than holding the scan.
    const qint64 pixels = qint64(full.width()) * full.height();
    if (!reducesWhileLoading(loader) && pixels > mostPixelsReadWhole)
        return {true, {}};
    // A Netpbm file stores its pixels as they are, at least a bit each: one
    // shorter than that is broken, and libvips would read past its end for
    // every missing pixel, for many seconds.
    if (loader.startsWith("ppmload") && length < (pixels + 7) / 8)
        return {true, {}};
    try {
        const QSize wanted = reducedDecodeSize(full, side);
        vips::VOption* options
            = vips::VImage::option()->set("height", wanted.height())->set("size", VIPS_SIZE_DOWN);
        // A small file declaring an enormous picture stops where its data
        // ends instead of being decoded through gigapixels of nothing.
        if (isHugePicture(full))
            options->set("fail_on", VIPS_FAIL_ON_TRUNCATED);
        QImage picture = toImage(vips::VImage::thumbnail(path.constData(), wanted.width(), options));
        if (picture.isNull())
            return {true, {}};
        return {true, {picture, full}};
    } catch (const std::exception&) {
        return {true, {}};
    }
}

ImportedPicture importPicture(const QByteArray& path, int side)
{
    const int descriptor = RawPath::openRegularDescriptor(path);
    if (descriptor < 0)
        return {};
    uchar signature[4] {};
    FormatDecode decoded;
    if (::pread(descriptor, signature, sizeof signature, 0) == sizeof signature) {
        if (signature[0] == 0xff && signature[1] == 0xd8 && signature[2] == 0xff)
            decoded = decodeJpegScaled(descriptor, side);
        else if (std::memcmp(signature, "8BPS", 4) == 0)
            decoded = decodePsdComposite(descriptor, side);
        else if (std::memcmp(signature, "II*\0", 4) == 0 || std::memcmp(signature, "MM\0*", 4) == 0)
            decoded = decodeTiffStrips(descriptor, side);
        else if (std::memcmp(signature, "\x89PNG", 4) == 0)
            decoded = decodePngReduced(descriptor, side);
    }
    ::close(descriptor);
    switch (decoded.outcome) {
    case FormatDecode::Outcome::picture:
        return {true, decoded.picture};
    case FormatDecode::Outcome::failed:
        return {true, {}};
    case FormatDecode::Outcome::otherFormat:
    case FormatDecode::Outcome::unsupported:
        break;
    }
    return importWithVips(path, side);
}

DecodedPicture OpenAsImage(const QByteArray& path, const Decoders& decoders)
{
    struct stat status {};
    if (path.isEmpty() || ::stat(path.constData(), &status) != 0)
        return {};
    if (!RawPath::fileName(path).contains('.'))
        return decoders.general(path);
    ImportedPicture imported = decoders.importer(path);
    if (imported.opened)
        return imported.picture;
    return decoders.general(path);
}

} // namespace OpenAsImageModule
