// libFuzzer target for the decoding a helper does for each file: the bytes,
// written to a file whose name and length the first byte chooses, go
// through thumbnail making (the decoder chosen by size class and type: Qt's
// readers, the JPEG decoder, libvips with ImageMagick for Photoshop) and
// through the viewer's decoder. For every input, an entry that comes back
// has a 100 x 100 thumbnail and a size text "W x H"; a viewer's picture fits
// its screen. Time-outs and memory exhaustion are what the helper's limits
// are for; crashes and broken results are what this is for.
#include "catalogue/thumbnailmaker.h"
#include "decoder/tiffmessages.h"
#include "viewer/picturedecoder.h"

#include <QByteArray>
#include <QDir>
#include <QImageReader>
#include <QRegularExpression>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

QByteArray folder;

const char* const names[] = {"a.jpg", "a.png", "a.gif", "a.tif", "a.psd", "MYJPEG", "b.jpeg", "scanTIFF"};

bool writeFile(const QByteArray& path, const std::uint8_t* data, std::size_t size, off_t length)
{
    ::unlink(path.constData());
    const int descriptor = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (descriptor < 0)
        return false;
    bool written = ::write(descriptor, data, size) == ssize_t(size);
    // The length past the data reads as zeros, and costs nothing on disk.
    if (written && length > off_t(size))
        written = ::ftruncate(descriptor, length) == 0;
    ::close(descriptor);
    return written;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // As in a helper: one thread for libvips (and ImageMagick), one
    // allocation limit for both decoders, libtiff's messages kept from
    // ImageMagick; and no messages, which would cost more than the decoding.
    ::setenv("VIPS_CONCURRENCY", "1", 1);
    ::setenv("OMP_NUM_THREADS", "1", 1);
    ::setenv("QT_LOGGING_RULES", "*=false", 1);
    QImageReader::setAllocationLimit(fullDecodeLimitMb);
    keepTiffMessagesFromImageMagick();
    char pattern[] = "/tmp/lumigrid-fuzz-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    check(made != nullptr, "a scratch folder");
    folder = made;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const Decoders decoders = Decoders::forThumbnails();
    static const QRegularExpression sizeText(QStringLiteral("^[0-9]+ x [0-9]+$"));
    if (size < 1)
        return 0;
    const std::uint8_t control = data[0];
    const QByteArray name = names[control & 7];
    // Small, medium (beyond 10,240 bytes) or large (beyond 1,024,000).
    static const off_t lengths[] = {0, 0, 20000, 1100000};
    const off_t length = lengths[(control >> 3) & 3];
    const bool constrain = control & 0x20;
    const QSize screen = (control & 0x40) ? QSize(64, 48) : QSize(1280, 1024);
    const QByteArray path = folder + '/' + name;
    if (!writeFile(path, data + 1, size - 1, length))
        return 0;

    const bool isjpeg = name.endsWith(".jpg") || name.endsWith("jpeg") || name.endsWith("JPEG");
    const std::optional<CatalogueEntry> entry = makeEntry(AcceptedFile{path, QString::fromLatin1(name), isjpeg},
        constrain, decoders);
    if (entry) {
        check(entry->thumbnail.size() == QSize(100, 100), "a thumbnail is 100 x 100");
        check(entry->thumbnail.depth() == 32, "a thumbnail is 32 bits per pixel");
        check(sizeText.match(entry->size).hasMatch(), "the size text reads W x H");
        check(entry->path == path, "the entry keeps the path");
    }
    const QImage shown = decodeForScreen(path, screen);
    if (!shown.isNull())
        check(shown.width() <= screen.width() && shown.height() <= screen.height(), "the picture fits the screen");
    return 0;
}
