#include "decoder/processkeeper.h"

#include <cerrno>
#include <chrono>
#include <csignal>

#include <spawn.h>
#include <sys/wait.h>

namespace {

std::vector<char*> pointers(const std::vector<std::string>& texts)
{
    std::vector<char*> list;
    list.reserve(texts.size() + 1);
    for (const std::string& text : texts)
        list.push_back(const_cast<char*>(text.c_str()));
    list.push_back(nullptr);
    return list;
}

pid_t spawn(const std::vector<std::string>& arguments, const std::vector<std::string>& environment, int channel,
            int extra)
{
    if (arguments.empty())
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, channel, 0);
    posix_spawn_file_actions_adddup2(&actions, channel, 1);
    if (extra >= 0)
        posix_spawn_file_actions_adddup2(&actions, extra, 3);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 34)
    posix_spawn_file_actions_addclosefrom_np(&actions, extra >= 0 ? 4 : 3);
#endif
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);

    std::vector<char*> argv = pointers(arguments);
    std::vector<char*> envp = pointers(environment);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}

} // namespace

struct ProcessKeeper::StartJob {
    const std::vector<std::string>& arguments;
    const std::vector<std::string>& environment;
    int channel;
    int extra;
    pid_t pid = -1;
    bool done = false;
};

ProcessKeeper::ProcessKeeper() : m_thread([this] { loop(); }) {}

ProcessKeeper::~ProcessKeeper()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        for (pid_t pid : m_dead) {
            ::kill(-pid, SIGKILL);
            ::kill(pid, SIGKILL);
        }
    }
    m_wake.notify_all();
    m_thread.join();
}

pid_t ProcessKeeper::start(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                           int channel, int extra)
{
    StartJob job{arguments, environment, channel, extra};
    std::unique_lock lock(m_mutex);
    if (m_stopping)
        return -1;
    m_jobs.push_back(&job);
    m_wake.notify_all();
    m_done.wait(lock, [&] { return job.done; });
    return job.pid;
}

void ProcessKeeper::bury(pid_t pid)
{
    if (pid <= 0)
        return;
    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);
    std::lock_guard lock(m_mutex);
    m_dead.push_back(pid);
    m_wake.notify_all();
}

void ProcessKeeper::reapSome()
{
    std::erase_if(m_dead, [](pid_t pid) {
        const pid_t reaped = ::waitpid(pid, nullptr, WNOHANG);
        return reaped == pid || (reaped < 0 && errno != EINTR);
    });
}

void ProcessKeeper::loop()
{
    using namespace std::chrono_literals;
    std::unique_lock lock(m_mutex);
    std::chrono::steady_clock::time_point giveUp{};
    for (;;) {
        while (!m_jobs.empty()) {
            StartJob* job = m_jobs.front();
            m_jobs.pop_front();
            lock.unlock();
            const pid_t pid = spawn(job->arguments, job->environment, job->channel, job->extra);
            lock.lock();
            job->pid = pid;
            job->done = true;
            m_done.notify_all();
        }
        reapSome();
        if (m_stopping) {
            // A process stuck in the kernel (a dead network mount) is left
            // behind rather than holding up the program's exit.
            if (giveUp == std::chrono::steady_clock::time_point{})
                giveUp = std::chrono::steady_clock::now() + 2s;
            if (m_dead.empty() || std::chrono::steady_clock::now() > giveUp)
                return;
        }
        if (m_dead.empty() && !m_stopping)
            m_wake.wait(lock);
        else
            m_wake.wait_for(lock, 10ms);
    }
}
