// libFuzzer target for the frames between the program and its decoder
// helpers, read as either side reads them: a subverted helper may send
// anything, and so may a broken program. For every input, a sequence of
// frames:
// - a request the helper accepts, written again, gives the very same bytes;
// - a picture the program accepts has the size it asked for (exactly a
//   thumbnail's, or within the screen), 32 bits per pixel, and the pixels
//   that were sent;
// - nothing is allocated beyond the bounds the frame kinds set.
#include "decoder/decoderprotocol.h"

#include <QtEndian>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace DecoderProtocol;

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

// The shared pixel area, smaller than the program's so that inputs can
// reach its end.
constexpr std::int64_t sharedBytes = 4 * 256 * 256;

void checkPicture(const std::optional<HelperPicture>& picture, QSize maxPicture, bool exact)
{
    if (!picture)
        return;
    const QImage& image = picture->picture;
    check(!image.isNull(), "an accepted picture has pixels");
    check(image.depth() == 32, "pictures are 32 bits per pixel");
    if (exact)
        check(image.size() == maxPicture, "a thumbnail has exactly the size asked for");
    else
        check(image.width() <= maxPicture.width() && image.height() <= maxPicture.height(), "within the screen");
    check(picture->sizeText.toUtf8().size() <= maxSizeTextBytes * 3, "the size text is bounded");
}

void helperReads(FrameKind kind, const QByteArray& payload)
{
    if (kind == FrameKind::ThumbnailRequest) {
        if (const std::optional<ThumbnailRequest> request = parseThumbnailRequest(payload))
            check(thumbnailRequestPayload(*request) == payload, "a thumbnail request is written as it was read");
    } else if (kind == FrameKind::ViewerRequest) {
        if (const std::optional<ViewerRequest> request = parseViewerRequest(payload)) {
            check(validRequestSize(request->screen), "an accepted screen is within bounds");
            check(viewerRequestPayload(*request) == payload, "a viewer request is written as it was read");
        }
    }
}

void programReads(FrameKind kind, const QByteArray& payload, QSize screen, const std::vector<uchar>& shared)
{
    const bool thumbnail = screen.isEmpty();
    const QSize maxPicture = thumbnail ? QSize(100, 100) : screen;
    if (kind == FrameKind::Picture) {
        const std::optional<HelperPicture> picture = parsePicture(payload, maxPicture, thumbnail);
        checkPicture(picture, maxPicture, thumbnail);
        if (picture) {
            const QByteArray again = picturePayload(*picture);
            check(again.size() <= payload.size() + 2 * maxSizeTextBytes, "the picture is as large as its frame");
            check(std::memcmp(again.constData() + again.size() - picture->picture.sizeInBytes(),
                      payload.constData() + payload.size() - picture->picture.sizeInBytes(),
                      size_t(picture->picture.sizeInBytes())) == 0,
                "the pixels are those sent");
        }
    } else if (kind == FrameKind::SharedPicture) {
        checkPicture(parseSharedPicture(payload, maxPicture, thumbnail, shared.data(), sharedBytes), maxPicture,
            thumbnail);
        check(!parseSharedPicture(payload, maxPicture, thumbnail, nullptr, 0), "no area, no shared picture");
    } else if (kind == FrameKind::Hello) {
        validHello(payload);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::vector<uchar> shared(sharedBytes, 0x5a);
    // The first four bytes choose the viewer's screen; (0, 0) stands for a
    // thumbnail request.
    if (size < 4)
        return 0;
    const QSize screen(data[0] | (data[1] & 0x3f) << 8, data[2] | (data[3] & 0x3f) << 8);
    const char* at = reinterpret_cast<const char*>(data) + 4;
    std::size_t left = size - 4;
    while (left >= std::size_t(headerBytes)) {
        const std::optional<FrameHeader> header = parseHeader(at);
        at += headerBytes;
        left -= headerBytes;
        if (!header)
            return 0;
        // Both sides refuse a length beyond what a frame of the kind may
        // hold before they read it; the rest of the input stands in for it.
        const std::size_t length = std::min<std::size_t>(header->length, left);
        const QByteArray payload(at, qsizetype(length));
        at += length;
        left -= length;
        if (header->length <= maxRequestPayload)
            helperReads(header->kind, payload);
        programReads(header->kind, payload, screen.isValid() && !screen.isEmpty() ? screen : QSize(), shared);
    }
    return 0;
}
