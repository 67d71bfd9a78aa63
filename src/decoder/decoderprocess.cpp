#include "decoder/decoderprocess.h"

#include "decoder/processkeeper.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace DecoderProtocol;

namespace {

constexpr std::int64_t keptSharedBytes = 40LL << 20;

std::optional<FrameHeader> readHeader(int fd, const Deadline& deadline)
{
    char bytes[headerBytes];
    if (!readExactly(fd, bytes, sizeof bytes, deadline))
        return std::nullopt;
    return parseHeader(bytes);
}

} // namespace

DecoderProcess::~DecoderProcess()
{
    closeChannel();
    releaseSharedPixels();
}

void DecoderProcess::makeSharedPixels()
{
    const int fd = ::memfd_create("lumigrid-decoder-pixels", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return;
    void* area = MAP_FAILED;
    if (::ftruncate(fd, sharedPixelBytes) == 0
        && ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) == 0)
        area = ::mmap(nullptr, size_t(sharedPixelBytes), PROT_READ, MAP_SHARED, fd, 0);
    if (area == MAP_FAILED) {
        ::close(fd);
        return;
    }
    m_pixelsFd = fd;
    m_pixels = static_cast<const uchar*>(area);
}

void DecoderProcess::releaseSharedPixels()
{
    if (m_pixels)
        ::munmap(const_cast<uchar*>(m_pixels), size_t(sharedPixelBytes));
    if (m_pixelsFd >= 0)
        ::close(m_pixelsFd);
    m_pixels = nullptr;
    m_pixelsFd = -1;
}

void DecoderProcess::closeChannel()
{
    if (m_channel >= 0)
        ::close(m_channel);
    m_channel = -1;
}

bool DecoderProcess::start(ProcessKeeper& keeper, const std::vector<std::string>& arguments,
                           const std::vector<std::string>& environment, Deadline hello)
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return false;
    makeSharedPixels();
    std::vector<std::string> withPixels = arguments;
    if (m_pixels)
        withPixels.push_back("--pixels-fd=3");
    m_pid = keeper.start(withPixels, environment, ends[1], m_pixelsFd);
    ::close(ends[1]);
    m_channel = ends[0];
    if (m_pid <= 0) {
        m_pid = -1;
        closeChannel();
        releaseSharedPixels();
        return false;
    }
    const std::optional<FrameHeader> header = readHeader(m_channel, hello);
    QByteArray payload(4, Qt::Uninitialized);
    if (!header || header->kind != FrameKind::Hello || header->length != 4
        || !readExactly(m_channel, payload.data(), payload.size(), hello) || !validHello(payload)) {
        stop(keeper);
        return false;
    }
    return true;
}

bool DecoderProcess::idle() const
{
    if (!running())
        return false;
    pollfd p{m_channel, POLLIN, 0};
    return ::poll(&p, 1, 0) == 0;
}

DecoderProcess::Answer DecoderProcess::exchange(FrameKind kind, const QByteArray& payload, QSize maxPicture, bool exact,
                                                Deadline deadline, HelperPicture& decoded)
{
    const QByteArray request = frame(kind, payload);
    if (!writeAll(m_channel, request.constData(), request.size(), deadline))
        return Answer::Broken;
    const std::optional<FrameHeader> header = readHeader(m_channel, deadline);
    if (!header)
        return Answer::Broken;
    if (header->kind == FrameKind::NoPicture)
        return header->length == 0 ? Answer::NoPicture : Answer::Broken;
    if (header->kind == FrameKind::SharedPicture) {
        if (header->length > std::uint32_t(picturePrefixBytes))
            return Answer::Broken;
        QByteArray description(qsizetype(header->length), Qt::Uninitialized);
        if (!readExactly(m_channel, description.data(), description.size(), deadline))
            return Answer::Broken;
        std::optional<HelperPicture> picture =
            parseSharedPicture(description, maxPicture, exact, m_pixels, m_pixels ? sharedPixelBytes : 0);
        if (!picture)
            return Answer::Broken;
        // The area keeps the pages of the largest picture yet; beyond a
        // large screen's worth they are handed back.
        const std::int64_t used = std::int64_t(picture->picture.width()) * picture->picture.height() * 4;
        if (used > keptSharedBytes)
            ::fallocate(m_pixelsFd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, 0, used);
        decoded = std::move(*picture);
        return Answer::Picture;
    }
    const std::int64_t largest = picturePrefixBytes + std::int64_t(maxPicture.width()) * maxPicture.height() * 4;
    if (header->kind != FrameKind::Picture || header->length > largest)
        return Answer::Broken;
    QByteArray reply(qsizetype(header->length), Qt::Uninitialized);
    if (!readExactly(m_channel, reply.data(), reply.size(), deadline))
        return Answer::Broken;
    std::optional<HelperPicture> picture = parsePicture(reply, maxPicture, exact);
    if (!picture)
        return Answer::Broken;
    decoded = std::move(*picture);
    return Answer::Picture;
}

void DecoderProcess::stop(ProcessKeeper& keeper)
{
    closeChannel();
    releaseSharedPixels();
    keeper.bury(m_pid);
    m_pid = -1;
}
