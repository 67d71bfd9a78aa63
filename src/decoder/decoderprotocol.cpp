#include "decoder/decoderprotocol.h"

#include <QtEndian>

#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace DecoderProtocol {

namespace {

constexpr std::uint32_t magic = 0x4C474431;  // "LGD1"

enum class PixelFormat : std::uint32_t { Rgb32 = 1, Argb32 = 2, Argb32Premultiplied = 3 };

void put(QByteArray& bytes, std::uint32_t value)
{
    const std::uint32_t le = qToLittleEndian(value);
    bytes.append(reinterpret_cast<const char*>(&le), sizeof le);
}

void putSigned(QByteArray& bytes, int value)
{
    put(bytes, std::uint32_t(value));
}

// Reads the payload front to back; any read past the end fails and stays failed.
class PayloadReader {
public:
    explicit PayloadReader(const QByteArray& bytes) : m_bytes(bytes) {}

    std::uint32_t word()
    {
        if (!m_ok || m_bytes.size() - m_at < 4) {
            m_ok = false;
            return 0;
        }
        const std::uint32_t value = qFromLittleEndian<std::uint32_t>(m_bytes.constData() + m_at);
        m_at += 4;
        return value;
    }

    int number() { return int(word()); }

    QByteArray bytes(std::uint32_t length)
    {
        if (!m_ok || std::uint64_t(m_bytes.size() - m_at) < length) {
            m_ok = false;
            return {};
        }
        const QByteArray part = m_bytes.mid(m_at, qsizetype(length));
        m_at += qsizetype(length);
        return part;
    }

    qsizetype remaining() const { return m_bytes.size() - m_at; }
    const char* here() const { return m_bytes.constData() + m_at; }
    bool ok() const { return m_ok; }
    bool finished() const { return m_ok && m_at == m_bytes.size(); }

private:
    const QByteArray& m_bytes;
    qsizetype m_at = 0;
    bool m_ok = true;
};

bool validPath(const QByteArray& path)
{
    return !path.isEmpty() && path.size() <= maxPathBytes && !path.contains('\0');
}

std::optional<QImage::Format> imageFormat(std::uint32_t code)
{
    switch (PixelFormat(code)) {
    case PixelFormat::Rgb32: return QImage::Format_RGB32;
    case PixelFormat::Argb32: return QImage::Format_ARGB32;
    case PixelFormat::Argb32Premultiplied: return QImage::Format_ARGB32_Premultiplied;
    }
    return std::nullopt;
}

int remainingMs(const Deadline& deadline)
{
    if (!deadline)
        return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? int(std::min<std::int64_t>(left.count(), 1 << 30)) : 0;
}

bool waitFor(int fd, short events, const Deadline& deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int ready = ::poll(&p, 1, remainingMs(deadline));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

} // namespace

QByteArray frame(FrameKind kind, const QByteArray& payload)
{
    QByteArray bytes;
    bytes.reserve(headerBytes + payload.size());
    put(bytes, magic);
    put(bytes, std::uint32_t(kind));
    put(bytes, std::uint32_t(payload.size()));
    bytes.append(payload);
    return bytes;
}

QByteArray helloPayload()
{
    QByteArray bytes;
    put(bytes, version);
    return bytes;
}

QByteArray thumbnailRequestPayload(const ThumbnailRequest& request)
{
    QByteArray bytes;
    put(bytes, (request.isjpeg ? 1u : 0u) | (request.constrainProportions ? 2u : 0u));
    put(bytes, std::uint32_t(request.path.size()));
    bytes.append(request.path);
    return bytes;
}

QByteArray viewerRequestPayload(const ViewerRequest& request)
{
    QByteArray bytes;
    putSigned(bytes, request.screen.width());
    putSigned(bytes, request.screen.height());
    put(bytes, std::uint32_t(request.path.size()));
    bytes.append(request.path);
    return bytes;
}

QImage as32Bits(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return image;
    default:
        return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                             : QImage::Format_RGB32);
    }
}

QByteArray pictureDescription(const QString& sizeText, const QImage& image)
{
    PixelFormat code = PixelFormat::Rgb32;
    if (image.format() == QImage::Format_ARGB32)
        code = PixelFormat::Argb32;
    else if (image.format() == QImage::Format_ARGB32_Premultiplied)
        code = PixelFormat::Argb32Premultiplied;
    const QByteArray text = sizeText.toUtf8().left(maxSizeTextBytes);
    QByteArray bytes;
    put(bytes, std::uint32_t(text.size()));
    bytes.append(text);
    put(bytes, std::uint32_t(code));
    putSigned(bytes, image.width());
    putSigned(bytes, image.height());
    return bytes;
}

QByteArray picturePayload(const HelperPicture& decoded)
{
    const QImage image = as32Bits(decoded.picture);
    const qsizetype rowBytes = qsizetype(image.width()) * 4;
    QByteArray bytes = pictureDescription(decoded.sizeText, image);
    bytes.reserve(bytes.size() + rowBytes * image.height());
    for (int y = 0; y < image.height(); ++y)
        bytes.append(reinterpret_cast<const char*>(image.constScanLine(y)), rowBytes);
    return bytes;
}

std::optional<FrameHeader> parseHeader(const char* bytes)
{
    if (qFromLittleEndian<std::uint32_t>(bytes) != magic)
        return std::nullopt;
    const std::uint32_t kind = qFromLittleEndian<std::uint32_t>(bytes + 4);
    if (kind < std::uint32_t(FrameKind::Hello) || kind > std::uint32_t(FrameKind::SharedPicture))
        return std::nullopt;
    return FrameHeader{FrameKind(kind), qFromLittleEndian<std::uint32_t>(bytes + 8)};
}

bool validHello(const QByteArray& payload)
{
    PayloadReader reader(payload);
    return reader.word() == version && reader.finished();
}

std::optional<ThumbnailRequest> parseThumbnailRequest(const QByteArray& payload)
{
    PayloadReader reader(payload);
    const std::uint32_t flags = reader.word();
    ThumbnailRequest request;
    request.isjpeg = flags & 1u;
    request.constrainProportions = flags & 2u;
    request.path = reader.bytes(reader.word());
    if (!reader.finished() || (flags & ~3u) || !validPath(request.path))
        return std::nullopt;
    return request;
}

std::optional<ViewerRequest> parseViewerRequest(const QByteArray& payload)
{
    PayloadReader reader(payload);
    ViewerRequest request;
    const int width = reader.number();
    const int height = reader.number();
    request.screen = QSize(width, height);
    request.path = reader.bytes(reader.word());
    if (!reader.finished() || !validRequestSize(request.screen) || !validPath(request.path))
        return std::nullopt;
    return request;
}

namespace {

// pixels null: the pixels follow the description in the payload.
std::optional<HelperPicture> readPicture(const QByteArray& payload, QSize maxPicture, bool exact,
                                         const uchar* pixels, std::int64_t available)
{
    PayloadReader reader(payload);
    const std::uint32_t textLength = reader.word();
    if (textLength > std::uint32_t(maxSizeTextBytes))
        return std::nullopt;
    const QString sizeText = QString::fromUtf8(reader.bytes(textLength));
    const std::optional<QImage::Format> format = imageFormat(reader.word());
    const int width = reader.number();
    const int height = reader.number();
    if (!reader.ok() || !format || width < 1 || height < 1)
        return std::nullopt;
    if (exact ? QSize(width, height) != maxPicture : (width > maxPicture.width() || height > maxPicture.height()))
        return std::nullopt;
    const qsizetype rowBytes = qsizetype(width) * 4;
    if (pixels ? (reader.remaining() != 0 || rowBytes * height > available) : reader.remaining() != rowBytes * height)
        return std::nullopt;

    QImage image(width, height, *format);
    if (image.isNull())
        return std::nullopt;
    const uchar* from = pixels ? pixels : reinterpret_cast<const uchar*>(reader.here());
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), from + rowBytes * y, size_t(rowBytes));
    return HelperPicture{sizeText, image};
}

} // namespace

std::optional<HelperPicture> parsePicture(const QByteArray& payload, QSize maxPicture, bool exact)
{
    return readPicture(payload, maxPicture, exact, nullptr, 0);
}

std::optional<HelperPicture> parseSharedPicture(const QByteArray& payload, QSize maxPicture, bool exact,
                                                const uchar* pixels, std::int64_t available)
{
    if (!pixels)
        return std::nullopt;
    return readPicture(payload, maxPicture, exact, pixels, available);
}

bool validRequestSize(QSize screen)
{
    return screen.width() >= 1 && screen.height() >= 1 && screen.width() <= maxScreenSide
        && screen.height() <= maxScreenSide
        && std::int64_t(screen.width()) * screen.height() <= maxScreenPixels;
}

bool readExactly(int fd, char* data, std::int64_t length, Deadline deadline)
{
    while (length > 0) {
        if (deadline && !waitFor(fd, POLLIN, deadline))
            return false;
        const ssize_t got = ::read(fd, data, size_t(std::min<std::int64_t>(length, 1 << 20)));
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got <= 0)
            return false;
        data += got;
        length -= got;
    }
    return true;
}

bool writeAll(int fd, const char* data, std::int64_t length, Deadline deadline)
{
    while (length > 0) {
        if (deadline && !waitFor(fd, POLLOUT, deadline))
            return false;
        const size_t chunk = size_t(std::min<std::int64_t>(length, 1 << 20));
        // A helper that died must not take the program with it through SIGPIPE.
        ssize_t sent = ::send(fd, data, chunk, MSG_NOSIGNAL | (deadline ? MSG_DONTWAIT : 0));
        if (sent < 0 && errno == ENOTSOCK)
            sent = ::write(fd, data, chunk);
        if (sent < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (sent <= 0)
            return false;
        data += sent;
        length -= sent;
    }
    return true;
}

} // namespace DecoderProtocol
