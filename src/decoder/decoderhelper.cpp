#include "decoder/decoderhelper.h"

#include <QCoreApplication>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <vector>
#include <cstdlib>
#include <cstring>

#include <linux/audit.h>
#include <malloc.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

using namespace DecoderProtocol;

constexpr int input = 0;
constexpr int output = 1;

// The limit also bounds every file a decoder writes (temporary files).
// AddressSanitizer reserves terabytes of address space for its shadow, so a
// sanitizer build runs its helpers without the address-space limit.
void limitMemory(const char* bytes)
{
    const unsigned long long limit = std::strtoull(bytes, nullptr, 10);
    if (limit == 0)
        return;
    const rlimit cap{rlim_t(limit), rlim_t(limit)};
    ::setrlimit(RLIMIT_FSIZE, &cap);
#if !defined(__SANITIZE_ADDRESS__)
    ::setrlimit(RLIMIT_AS, &cap);
#endif
}

#if defined(__x86_64__)
constexpr std::uint32_t nativeArchitecture = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr std::uint32_t nativeArchitecture = AUDIT_ARCH_AARCH64;
#endif

// A decoder needs no socket, no other process's memory and no io_uring (which
// could open sockets past this filter). Its stdin and stdout are inherited,
// so denying new sockets cuts it off from the network and from every host
// socket (session bus, display, agents), sandbox or not. Other system calls
// of other architectures end the helper.
void forbidSockets()
{
#if defined(__x86_64__) || defined(__aarch64__)
    static constexpr std::uint32_t denied[] = {
        __NR_socket, __NR_io_uring_setup, __NR_ptrace, __NR_process_vm_readv, __NR_process_vm_writev,
    };
    std::vector<sock_filter> filter = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, nativeArchitecture, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
    };
#if defined(__x86_64__)
    filter.push_back(BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, 0x40000000, 0, 1));  // the x32 calls
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS));
#endif
    for (std::uint32_t call : denied) {
        filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, call, 0, 1));
        filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EACCES));
    }
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    const sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
    ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program);
#endif
}

// Each request allocates pictures of megabytes. glibc would hand such blocks
// back to the system when freed and fault them in afresh for the next
// request, which costs more than the decoding of a small file; a helper
// keeps up to 128 MB for the next request instead.
void keepFreedMemory()
{
    ::mallopt(M_MMAP_THRESHOLD, 64 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 128 << 20);
}

// The shared pixel area the program passed, or null.
uchar* sharedPixels = nullptr;

void mapSharedPixels(const char* descriptor)
{
    const int fd = std::atoi(descriptor);
    struct stat status {};
    if (fd < 3 || ::fstat(fd, &status) != 0 || status.st_size != sharedPixelBytes)
        return;
    void* area = ::mmap(nullptr, size_t(sharedPixelBytes), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    if (area != MAP_FAILED)
        sharedPixels = static_cast<uchar*>(area);
}

void readOptions(int argc, char** argv)
{
    static constexpr char memoryLimit[] = "--memory-limit=";
    static constexpr char pixelsFd[] = "--pixels-fd=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], memoryLimit, sizeof memoryLimit - 1) == 0)
            limitMemory(argv[i] + sizeof memoryLimit - 1);
        else if (std::strncmp(argv[i], pixelsFd, sizeof pixelsFd - 1) == 0)
            mapSharedPixels(argv[i] + sizeof pixelsFd - 1);
    }
}

bool send(FrameKind kind, const QByteArray& payload)
{
    const QByteArray bytes = frame(kind, payload);
    return writeAll(output, bytes.constData(), bytes.size(), std::nullopt);
}

bool answer(const std::optional<HelperPicture>& decoded)
{
    if (!decoded || decoded->picture.isNull())
        return send(FrameKind::NoPicture, {});
    const QImage image = as32Bits(decoded->picture);
    const std::int64_t bytes = std::int64_t(image.width()) * image.height() * 4;
    if (sharedPixels && bytes >= sharedPictureThreshold && bytes <= sharedPixelBytes) {
        const qsizetype rowBytes = qsizetype(image.width()) * 4;
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(sharedPixels + rowBytes * y, image.constScanLine(y), size_t(rowBytes));
        return send(FrameKind::SharedPicture, pictureDescription(decoded->sizeText, image));
    }
    return send(FrameKind::Picture, picturePayload({decoded->sizeText, image}));
}

template <typename Request, typename Handler>
std::optional<HelperPicture> decode(const std::optional<Request>& request, const Handler& handler, bool& failed)
{
    try {
        return handler(*request);
    } catch (...) {
        failed = true;
        return std::nullopt;
    }
}

} // namespace

int runDecoderHelper(int argc, char** argv, const DecoderHandlers& handlers)
{
    readOptions(argc, argv);
    keepFreedMemory();
    forbidSockets();
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication application(argc, argv);

    if (!send(FrameKind::Hello, helloPayload()))
        return 1;
    for (;;) {
        char headerBytes[DecoderProtocol::headerBytes];
        if (!readExactly(input, headerBytes, sizeof headerBytes, std::nullopt))
            return 0;
        const std::optional<FrameHeader> header = parseHeader(headerBytes);
        if (!header || header->length > maxRequestPayload)
            return 1;
        QByteArray payload(qsizetype(header->length), Qt::Uninitialized);
        if (!readExactly(input, payload.data(), payload.size(), std::nullopt))
            return 1;

        bool failed = false;
        std::optional<HelperPicture> decoded;
        if (header->kind == FrameKind::ThumbnailRequest) {
            const std::optional<ThumbnailRequest> request = parseThumbnailRequest(payload);
            if (!request)
                return 1;
            decoded = decode(request, handlers.thumbnail, failed);
        } else if (header->kind == FrameKind::ViewerRequest) {
            const std::optional<ViewerRequest> request = parseViewerRequest(payload);
            if (!request)
                return 1;
            decoded = decode(request, handlers.viewer, failed);
        } else {
            return 1;
        }
        if (failed)
            return 2;
        if (!answer(decoded))
            return 1;
    }
}
