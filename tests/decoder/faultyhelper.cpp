// A lumigrid-decoder that misbehaves on request, for the pool's tests: the
// file's name says how. Every other file is decoded as the real helper does.

#include "decoder/decoderhelper.h"
#include "decoder/localdecoding.h"

#include <QByteArray>
#include <QFile>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool named(const QByteArray& path, const char* word)
{
    return path.mid(path.lastIndexOf('/') + 1).startsWith(word);
}

HelperPicture grey(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(0xff808080);
    return {QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()), image};
}

void writeRaw(const QByteArray& bytes)
{
    (void)::write(1, bytes.constData(), size_t(bytes.size()));
}

// "connect-PORT": whether a TCP connection to the loopback port succeeds.
bool canConnect(const QByteArray& path)
{
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    const int port = name.mid(8, name.indexOf('.') - 8).toInt();
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(quint16(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected = ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(s);
    return connected;
}

std::optional<HelperPicture> misbehave(const QByteArray& path, QSize size)
{
    if (named(path, "crash"))
        std::abort();
    if (named(path, "hang")) {
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(1));
    }
    if (named(path, "hog")) {
        // Like a decoder that trusts a header's size: touches all it asks for.
        for (int i = 0; i < 1024; ++i) {
            constexpr size_t chunk = 64 << 20;
            char* block = static_cast<char*>(std::malloc(chunk));
            std::memset(block, 1, chunk);
        }
        return grey(size);
    }
    if (named(path, "throw"))
        throw std::runtime_error("decoder failed");
    if (named(path, "garbage")) {
        writeRaw(QByteArray(64, 'x'));
        return std::nullopt;
    }
    if (named(path, "oversized")) {
        // A picture frame header announcing four gigabytes.
        writeRaw(QByteArray::fromHex("3144474c04000000f0ffffff"));
        std::this_thread::sleep_for(std::chrono::hours(1));
    }
    if (named(path, "sharedtoolarge")) {
        // Pixels in the shared area, said to be larger than asked for.
        const QImage large(size + QSize(1, 1), QImage::Format_RGB32);
        writeRaw(DecoderProtocol::frame(DecoderProtocol::FrameKind::SharedPicture,
                                        DecoderProtocol::pictureDescription(QString(), large)));
        std::this_thread::sleep_for(std::chrono::hours(1));
    }
    if (named(path, "wrongsize"))
        return grey(size + QSize(1, 1));
    if (named(path, "quit")) {
        std::thread([] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::_Exit(0);
        }).detach();
        return std::nullopt;
    }
    if (named(path, "writeprobe")) {
        QFile probe(QFile::decodeName(path + ".written"));
        if (probe.open(QIODevice::WriteOnly))
            return grey(size);
        return std::nullopt;
    }
    if (named(path, "connect-"))
        return canConnect(path) ? std::optional(grey(size)) : std::nullopt;
    return std::nullopt;
}

bool faulty(const QByteArray& path)
{
    for (const char* word : {"crash", "hang", "hog", "throw", "garbage", "oversized", "wrongsize", "sharedtoolarge",
                             "quit", "writeprobe", "connect-"}) {
        if (named(path, word))
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    DecoderHandlers handlers;
    handlers.thumbnail = [](const ThumbnailRequest& request) {
        return faulty(request.path) ? misbehave(request.path, QSize(100, 100)) : decodeThumbnailHere(request);
    };
    handlers.viewer = [](const ViewerRequest& request) {
        return faulty(request.path) ? misbehave(request.path, request.screen) : decodeViewerPictureHere(request);
    };
    return runDecoderHelper(argc, argv, handlers);
}
