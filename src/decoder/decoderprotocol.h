#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QSize>

#include <chrono>
#include <cstdint>
#include <optional>

// What the program asks a lumigrid-decoder helper and what it answers, and
// the framing both travel in over the helper's stdin and stdout.
//
// A frame is a 12-byte header (magic, kind, payload length: 32-bit
// little-endian words) and its payload. Each side checks a length against
// its bound before it allocates anything, so neither a broken program nor a
// subverted helper can make the other allocate without limit.

// Thumbnail making for one accepted file: the decoder is chosen inside the
// helper, from the file's length and type, as the scan would in-process.
struct ThumbnailRequest {
    QByteArray path;  // absolute path, the file system's own bytes
    bool isjpeg = false;
    bool constrainProportions = false;
};

// The viewer's picture for one file, decoded and shrunk to fit the screen.
struct ViewerRequest {
    QByteArray path;
    QSize screen;
};

// What a helper hands back for a file: the picture made from it (a
// thumbnail or a fitted picture, 32 bits per pixel) and, for a thumbnail,
// the full picture's size text as the catalogue shows it ("1600 x 1200").
struct HelperPicture {
    QString sizeText;
    QImage picture;
};

namespace DecoderProtocol {

using Deadline = std::optional<std::chrono::steady_clock::time_point>;

enum class FrameKind : std::uint32_t {
    Hello = 1,             // helper -> program, once at start: payload is the version
    ThumbnailRequest = 2,
    ViewerRequest = 3,
    Picture = 4,           // helper -> program
    NoPicture = 5,         // helper -> program, empty payload
    SharedPicture = 6,     // helper -> program: a picture whose pixels are in the shared pixel area
};

inline constexpr std::uint32_t version = 1;
inline constexpr int headerBytes = 12;

// Longer paths cannot be opened by the system anyway.
inline constexpr int maxPathBytes = 4096;
inline constexpr std::uint32_t maxRequestPayload = 16 + maxPathBytes;

// A fitted picture never exceeds its screen; screens are bounded too, so a
// reply never exceeds picturePrefixBytes + 4 * maxScreenPixels bytes.
inline constexpr int maxScreenSide = 16384;
inline constexpr std::int64_t maxScreenPixels = 8192LL * 8192;
inline constexpr int maxSizeTextBytes = 64;
inline constexpr int picturePrefixBytes = 16 + maxSizeTextBytes;

// Large pictures (a viewer's fitted picture) do not go through the socket:
// the program gives each helper a sealed shared memory area of this size
// (--pixels-fd), which the helper fills and the program copies from, so a
// picture costs one copy and no hand-over of the processors per 200 KB.
inline constexpr std::int64_t sharedPixelBytes = 4 * maxScreenPixels;
inline constexpr std::int64_t sharedPictureThreshold = 256 * 1024;

struct FrameHeader {
    FrameKind kind;
    std::uint32_t length;
};

QByteArray frame(FrameKind kind, const QByteArray& payload);

QByteArray helloPayload();
QByteArray thumbnailRequestPayload(const ThumbnailRequest& request);
QByteArray viewerRequestPayload(const ViewerRequest& request);
// Pictures travel at 32 bits per pixel; other formats are converted.
QImage as32Bits(const QImage& image);
// The size text, format and size of a 32-bit picture, without its pixels.
QByteArray pictureDescription(const QString& sizeText, const QImage& image);
// The description and the pixels.
QByteArray picturePayload(const HelperPicture& decoded);

std::optional<FrameHeader> parseHeader(const char* bytes);
bool validHello(const QByteArray& payload);
std::optional<ThumbnailRequest> parseThumbnailRequest(const QByteArray& payload);
std::optional<ViewerRequest> parseViewerRequest(const QByteArray& payload);

// Accepts a picture no larger than maxPicture, or exactly of that size when
// exact is set; anything else (a wrong length, an unknown format, a
// negative size) is rejected.
std::optional<HelperPicture> parsePicture(const QByteArray& payload, QSize maxPicture, bool exact);
// A description whose pixels are in the shared area of the given length.
std::optional<HelperPicture> parseSharedPicture(const QByteArray& payload, QSize maxPicture, bool exact,
                                                const uchar* pixels, std::int64_t available);

bool validRequestSize(QSize screen);

// Blocking I/O on a descriptor, for both sides. They return false at end of
// file, on an error, or when the deadline passes (no deadline: wait).
bool readExactly(int fd, char* data, std::int64_t length, Deadline deadline);
bool writeAll(int fd, const char* data, std::int64_t length, Deadline deadline);

} // namespace DecoderProtocol
