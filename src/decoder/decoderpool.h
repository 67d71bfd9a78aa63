#pragma once

#include "decoder/decoderprotocol.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class DecoderProcess;
class ProcessKeeper;

// Decodes picture files in a small pool of persistent lumigrid-decoder
// helper processes, so that no file can crash, hang or exhaust the program.
// Each helper runs in a bubblewrap sandbox where /usr/bin/bwrap works (no
// network, no host sockets, the file system read-only), as a plain process
// otherwise, always with an address-space limit. A helper that crashes, runs
// out of memory, exceeds the time limit or answers out of bounds is killed;
// that file gives no picture and the next request gets a fresh helper.
//
// Thread-safe: any number of threads may call thumbnail() and
// viewerPicture() at once. Each call takes a free helper, blocking until one
// is free, so call from worker threads. The viewer may call from the
// interface thread: its requests go ahead of waiting thumbnail requests, so
// such a call waits at most about two time limits.
class DecoderPool {
public:
    enum class Sandbox {
        WhenAvailable,  // bubblewrap when it starts, else plain processes
        Required,       // bubblewrap or nothing (Unavailable)
        Off,            // plain processes
    };

    struct Options {
        QString program;  // the helper; empty: lumigrid-decoder beside the running program (or in the build tree)
        int helpers = 0;  // 0: one per core
        std::int64_t memoryLimit = 2LL << 30;  // address space of each helper in bytes; 0: none
        std::chrono::milliseconds timeLimit{10000};  // per file, from request to answer
        Sandbox sandbox = Sandbox::WhenAvailable;
        QString bwrap = QStringLiteral("/usr/bin/bwrap");
    };

    enum class Outcome {
        Picture,
        NoPicture,    // the helper found no picture in the file
        Failed,       // the helper crashed, ran out of time or memory, or answered out of bounds
        Unavailable,  // no helper could be started (not installed, sandbox refused)
    };

    struct Result {
        Outcome outcome = Outcome::NoPicture;
        QString sizeText;  // a thumbnail's full picture size, "1600 x 1200"
        QImage picture;    // set for Picture only
    };

    explicit DecoderPool(Options options);
    DecoderPool();
    ~DecoderPool();  // ends every helper; no call may still be running
    DecoderPool(const DecoderPool&) = delete;
    DecoderPool& operator=(const DecoderPool&) = delete;

    // A 100 x 100 thumbnail and the full picture's size text, decoded as
    // thumbnail making does in-process.
    Result thumbnail(const ThumbnailRequest& request);

    // The picture shrunk to fit request.screen, as the viewer decodes it
    // in-process; no size text.
    Result viewerPicture(const ViewerRequest& request);

    // Whether helpers run inside bubblewrap; known once one has started.
    bool sandboxed() const;

    // Helpers started so far, restarts included.
    int started() const;

    // The program's own pool, with the default options, made on first use.
    static DecoderPool& shared();

private:
    struct Reply;
    Result run(DecoderProtocol::FrameKind kind, const QByteArray& payload, QSize maxPicture, bool exact, bool urgent);
    DecoderProcess* acquire(bool urgent);
    void release(DecoderProcess* helper);
    bool ensureStarted(DecoderProcess& helper);

    Options m_options;
    std::unique_ptr<ProcessKeeper> m_keeper;
    std::vector<std::unique_ptr<DecoderProcess>> m_helpers;

    mutable std::mutex m_mutex;
    std::condition_variable m_freed;
    std::vector<DecoderProcess*> m_free;
    int m_urgentWaiting = 0;
    int m_started = 0;
    enum class SandboxState { Untried, Works, Broken } m_sandboxState = SandboxState::Untried;
};
