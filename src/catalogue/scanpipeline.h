#pragma once

#include "catalogue/folderscan.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// The steps of one scan on their way from the walk to the interface thread.
// The walk posts its steps and hands each accepted file over for decoding;
// a few decoder threads make the entries while the walk goes on, at most a
// bounded distance ahead of what the interface has taken. The interface
// takes the steps in exactly the order the walk made them: an entry, and
// every step after it, only once that entry is decoded; a file that gives no
// entry leaves no step.
//
// The walk (post, decode, finish) runs on one thread; take runs on the
// interface thread; stop on any.
class ScanPipeline {
public:
    struct Limits {
        int threads = 1;         // decoder threads
        int stepsAhead = 1024;   // steps made but not yet taken
        int decodesAhead = 4;    // decodes handed over but not yet taken
    };
    // As many decoder threads as cores.
    static Limits defaultLimits();

    // wake is called, from the walk or a decoder thread, when steps are
    // ready and the interface has not been told so since its last take.
    ScanPipeline(FolderScan::MakeEntry makeEntry, std::function<void()> wake, Limits limits = defaultLimits());
    // Stops, and waits for the decoder threads.
    ~ScanPipeline();
    ScanPipeline(const ScanPipeline&) = delete;
    ScanPipeline& operator=(const ScanPipeline&) = delete;

    // Walk side. Each waits while the pipeline is full; false once stopped.
    bool post(ScanStep&& step);
    bool decode(AcceptedFile&& file, bool constrain);
    // Walk side: waits until the interface has taken every step so far;
    // false once stopped.
    bool drain();
    // Walk side, after its last step: waits for every decode it handed over
    // to end (a stopped pipeline drops what has not begun) and for the
    // decoder threads.
    void finish();

    // Interface side: the steps ready, in walk order.
    std::vector<ScanStep> take();

    // Returns at once. Steps not yet taken are dropped, decodes not yet
    // begun are never made; a decode under way runs to its end on its own
    // thread and its entry is dropped.
    void stop();
    bool stopped() const;

private:
    enum class State { ready, decoding, nothing };
    struct Slot {
        ScanStep step;
        State state = State::ready;
        bool decoded = false;  // stands for a decode, counted in m_decodesOpen
    };
    struct Job {
        quint64 sequence;
        AcceptedFile file;
        bool constrain;
    };

    void work();
    bool hasRoom(bool forDecode) const;
    // Under the lock: whether the interface is to be woken now.
    bool wakeDue();

    FolderScan::MakeEntry m_makeEntry;
    std::function<void()> m_wake;
    Limits m_limits;

    mutable std::mutex m_mutex;
    std::condition_variable m_room;     // the walk waits for room
    std::condition_variable m_jobs;     // decoder threads wait for a job
    std::condition_variable m_settled;  // finish waits for the decodes
    std::deque<Slot> m_line;
    quint64 m_front = 0;  // sequence number of m_line.front()
    std::deque<Job> m_queue;
    int m_decodesOpen = 0;  // decode slots in the line
    int m_running = 0;      // decodes under way
    bool m_stopped = false;
    std::atomic<bool> m_stopFlag {false};  // m_stopped, read without the lock
    bool m_walkDone = false;
    bool m_woken = false;
    std::vector<std::thread> m_threads;
};
