#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Starts and reaps helper processes on one thread of its own that lives as
// long as the keeper. A helper is told to die with the thread that started
// it (bubblewrap's --die-with-parent, PR_SET_PDEATHSIG), so it must not be
// started by a worker thread that may end first; and reaping a killed
// process never holds up the thread that gave up on it. Thread-safe.
class ProcessKeeper {
public:
    ProcessKeeper();
    ~ProcessKeeper();  // kills what is left, reaps it (briefly), joins
    ProcessKeeper(const ProcessKeeper&) = delete;
    ProcessKeeper& operator=(const ProcessKeeper&) = delete;

    // Starts arguments[0] with that argument list and environment, channel
    // as its stdin and stdout, extra (unless -1) as descriptor 3, no other
    // descriptor but stderr, default signal handling, in a process group of
    // its own. Returns its pid, or -1.
    pid_t start(const std::vector<std::string>& arguments, const std::vector<std::string>& environment, int channel,
                int extra);

    // Kills the process and its group at once and reaps it later.
    void bury(pid_t pid);

private:
    struct StartJob;
    void loop();
    void reapSome();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::deque<StartJob*> m_jobs;
    std::vector<pid_t> m_dead;
    bool m_stopping = false;
    std::thread m_thread;
};
