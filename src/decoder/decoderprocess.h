#pragma once

#include "decoder/decoderprotocol.h"

#include <sys/types.h>

#include <string>
#include <vector>

class ProcessKeeper;

// One lumigrid-decoder helper: its process, the socket that is its stdin
// and stdout, and the shared pixel area for large pictures (sealed against
// resizing, so the helper cannot pull pages from under the program). Used
// by one thread at a time (the pool hands it out).
class DecoderProcess {
public:
    enum class Answer { Picture, NoPicture, Broken };

    DecoderProcess() = default;
    ~DecoderProcess();  // closes the socket; the helper ends at end of file
    DecoderProcess(const DecoderProcess&) = delete;
    DecoderProcess& operator=(const DecoderProcess&) = delete;

    bool running() const { return m_pid > 0; }

    // Starts the helper and waits for its hello until the deadline. False
    // (and nothing left running) when it does not start or does not greet.
    // The shared pixel area is passed on when it can be made.
    bool start(ProcessKeeper& keeper, const std::vector<std::string>& arguments,
               const std::vector<std::string>& environment, DecoderProtocol::Deadline hello);

    // Running and quiet: a waiting helper that has hung up, died or written
    // anything unasked is not fit for the next request.
    bool idle() const;

    // Sends one request and reads its answer until the deadline. A picture
    // is accepted only within maxPicture (exactly that size when exact);
    // anything late, malformed or out of bounds is Broken, and the caller
    // must stop the helper.
    Answer exchange(DecoderProtocol::FrameKind kind, const QByteArray& payload, QSize maxPicture, bool exact,
                    DecoderProtocol::Deadline deadline, HelperPicture& decoded);

    // Kills the helper; the keeper reaps it.
    void stop(ProcessKeeper& keeper);

private:
    void closeChannel();
    void makeSharedPixels();
    void releaseSharedPixels();

    pid_t m_pid = -1;
    int m_channel = -1;
    int m_pixelsFd = -1;
    const uchar* m_pixels = nullptr;
};
