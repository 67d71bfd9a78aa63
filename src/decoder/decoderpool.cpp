#include "decoder/decoderpool.h"

#include "decoder/decoderprocess.h"
#include "decoder/processkeeper.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

extern char** environ;

using namespace DecoderProtocol;

namespace {

// What a helper may see of the program's environment: locale, library and
// plugin paths, sanitizer options. Session addresses (D-Bus, display) stay out.
bool passedOn(const char* variable)
{
    static constexpr const char* names[] = {
        "LANG", "LANGUAGE", "LC_ALL", "LC_CTYPE", "PATH", "LD_LIBRARY_PATH", "QT_PLUGIN_PATH",
        "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "TMPDIR",
    };
    const char* equals = std::strchr(variable, '=');
    if (!equals)
        return false;
    const size_t length = size_t(equals - variable);
    return std::any_of(std::begin(names), std::end(names), [&](const char* name) {
        return std::strlen(name) == length && std::strncmp(name, variable, length) == 0;
    });
}

// The sandbox's one writable folder: decoders that spill to temporary files
// (libvips, ImageMagick) write there, up to a size bound.
constexpr char sandboxTemporary[] = "/var/tmp";
constexpr char sandboxTemporaryBytes[] = "536870912";

std::vector<std::string> helperEnvironment(bool sandboxed)
{
    std::vector<std::string> environment;
    for (char** variable = environ; *variable; ++variable) {
        if (passedOn(*variable) && !(sandboxed && std::strncmp(*variable, "TMPDIR=", 7) == 0))
            environment.emplace_back(*variable);
    }
    if (sandboxed)
        environment.push_back(std::string("TMPDIR=") + sandboxTemporary);
    // Files are decoded in parallel by the helpers, one each.
    environment.emplace_back("VIPS_CONCURRENCY=1");
    return environment;
}

// Bubblewrap with nothing shared but the file system, read-only: no
// network, no other process, no capability, nowhere to write but a small
// private temporary folder. Paths keep their meaning, so the helper decodes
// exactly the file the program named (through symbolic links, on removable
// media under /run, in /tmp). Host sockets stay visible but useless: the
// helper forbids itself new sockets (see decoderhelper.cpp).
std::vector<std::string> sandboxArguments(const QString& bwrap)
{
    std::vector<std::string> arguments = {
        bwrap.toStdString(), "--unshare-all", "--die-with-parent", "--new-session", "--cap-drop", "ALL",
        "--ro-bind", "/", "/", "--dev", "/dev", "--proc", "/proc",
    };
    if (QFileInfo(QString::fromLatin1(sandboxTemporary)).isDir())
        arguments.insert(arguments.end(), {"--size", sandboxTemporaryBytes, "--tmpfs", sandboxTemporary});
    arguments.insert(arguments.end(), {"--chdir", "/", "--"});
    return arguments;
}

// lumigrid-decoder beside the running program, where it is installed; a
// program run from the build tree (a test, a benchmark) takes the one built
// there.
QString defaultHelper()
{
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/lumigrid-decoder");
#if defined(LUMIGRID_BUILD_TREE_HELPER)
    if (!QFileInfo(beside).isExecutable())
        return QStringLiteral(LUMIGRID_BUILD_TREE_HELPER);
#endif
    return beside;
}

} // namespace

DecoderPool::DecoderPool(Options options) : m_options(std::move(options)), m_keeper(std::make_unique<ProcessKeeper>())
{
    const int count = m_options.helpers > 0 ? m_options.helpers : std::max(1, QThread::idealThreadCount());
    for (int i = 0; i < count; ++i)
        m_helpers.push_back(std::make_unique<DecoderProcess>());
    // Taken from the back: a helper that has run is handed out again first,
    // so helpers are started only as concurrency calls for them.
    for (auto it = m_helpers.rbegin(); it != m_helpers.rend(); ++it)
        m_free.push_back(it->get());
}

DecoderPool::DecoderPool() : DecoderPool(Options{}) {}

DecoderPool::~DecoderPool()
{
    for (const std::unique_ptr<DecoderProcess>& helper : m_helpers) {
        if (helper->running())
            helper->stop(*m_keeper);
    }
}

DecoderPool& DecoderPool::shared()
{
    static DecoderPool pool;
    return pool;
}

DecoderPool::Result DecoderPool::thumbnail(const ThumbnailRequest& request)
{
    if (request.path.isEmpty() || request.path.size() > maxPathBytes || request.path.contains('\0'))
        return {};
    return run(FrameKind::ThumbnailRequest, thumbnailRequestPayload(request), QSize(100, 100), true, false);
}

DecoderPool::Result DecoderPool::viewerPicture(const ViewerRequest& request)
{
    if (request.path.isEmpty() || request.path.size() > maxPathBytes || request.path.contains('\0')
        || !validRequestSize(request.screen))
        return {};
    return run(FrameKind::ViewerRequest, viewerRequestPayload(request), request.screen, false, true);
}

bool DecoderPool::sandboxed() const
{
    std::lock_guard lock(m_mutex);
    return m_sandboxState == SandboxState::Works && m_options.sandbox != Sandbox::Off;
}

int DecoderPool::started() const
{
    std::lock_guard lock(m_mutex);
    return m_started;
}

DecoderPool::Result DecoderPool::run(FrameKind kind, const QByteArray& payload, QSize maxPicture, bool exact,
                                     bool urgent)
{
    DecoderProcess* helper = acquire(urgent);
    Result result;
    if (!ensureStarted(*helper)) {
        result.outcome = Outcome::Unavailable;
    } else {
        const auto deadline = std::chrono::steady_clock::now() + m_options.timeLimit;
        HelperPicture decoded;
        switch (helper->exchange(kind, payload, maxPicture, exact, deadline, decoded)) {
        case DecoderProcess::Answer::Picture:
            result = {Outcome::Picture, decoded.sizeText, decoded.picture};
            break;
        case DecoderProcess::Answer::NoPicture:
            result.outcome = Outcome::NoPicture;
            break;
        case DecoderProcess::Answer::Broken:
            helper->stop(*m_keeper);
            result.outcome = Outcome::Failed;
            break;
        }
    }
    release(helper);
    return result;
}

DecoderProcess* DecoderPool::acquire(bool urgent)
{
    std::unique_lock lock(m_mutex);
    if (urgent)
        ++m_urgentWaiting;
    m_freed.wait(lock, [&] { return !m_free.empty() && (urgent || m_urgentWaiting == 0); });
    if (urgent)
        --m_urgentWaiting;
    DecoderProcess* helper = m_free.back();
    m_free.pop_back();
    return helper;
}

void DecoderPool::release(DecoderProcess* helper)
{
    {
        std::lock_guard lock(m_mutex);
        m_free.push_back(helper);
    }
    m_freed.notify_all();
}

bool DecoderPool::ensureStarted(DecoderProcess& helper)
{
    if (helper.idle())
        return true;
    if (helper.running())
        helper.stop(*m_keeper);

    const QString program = m_options.program.isEmpty() ? defaultHelper() : m_options.program;
    std::vector<std::string> arguments = {program.toStdString()};
    if (m_options.memoryLimit > 0)
        arguments.push_back("--memory-limit=" + std::to_string(m_options.memoryLimit));
    // A cold start loads Qt and the decoders; it gets at least five seconds.
    const auto hello = std::chrono::steady_clock::now()
        + std::max<std::chrono::milliseconds>(m_options.timeLimit, std::chrono::seconds(5));

    SandboxState state;
    {
        std::lock_guard lock(m_mutex);
        state = m_sandboxState;
    }
    const bool trySandbox = m_options.sandbox != Sandbox::Off && state != SandboxState::Broken
        && QFileInfo(m_options.bwrap).isExecutable();
    if (trySandbox) {
        std::vector<std::string> sandboxed = sandboxArguments(m_options.bwrap);
        sandboxed.insert(sandboxed.end(), arguments.begin(), arguments.end());
        const bool works = helper.start(*m_keeper, sandboxed, helperEnvironment(true), hello);
        std::lock_guard lock(m_mutex);
        if (works) {
            m_sandboxState = SandboxState::Works;
            ++m_started;
            return true;
        }
        // Bubblewrap that never worked here (user namespaces switched off,
        // for one) is given up for good; one that has worked is only
        // failing this once and is not traded for a weaker helper.
        if (m_sandboxState == SandboxState::Works)
            return false;
        m_sandboxState = SandboxState::Broken;
    }
    if (m_options.sandbox == Sandbox::Required)
        return false;
    if (!helper.start(*m_keeper, arguments, helperEnvironment(false), hello))
        return false;
    std::lock_guard lock(m_mutex);
    ++m_started;
    return true;
}
