#include "catalogue/scanpipeline.h"

#include <QThread>

#include <algorithm>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <unistd.h>
#endif

ScanPipeline::Limits ScanPipeline::defaultLimits()
{
    Limits limits;
    limits.threads = std::max(1, QThread::idealThreadCount());
    // Enough decodes waiting that no decoder thread idles while the one at
    // the head of the line is slow, or while the interface thread is late
    // to take what is ready; each holds no more than a thumbnail.
    limits.decodesAhead = 32 * limits.threads;
    return limits;
}

ScanPipeline::ScanPipeline(FolderScan::MakeEntry makeEntry, std::function<void()> wake, Limits limits)
    : m_makeEntry(std::move(makeEntry))
    , m_wake(std::move(wake))
    , m_limits(limits)
{
    m_limits.threads = std::max(1, m_limits.threads);
    m_limits.stepsAhead = std::max(2, m_limits.stepsAhead);
    m_limits.decodesAhead = std::max(1, m_limits.decodesAhead);
}

ScanPipeline::~ScanPipeline()
{
    stop();
    for (std::thread& thread : m_threads) {
        if (thread.joinable())
            thread.join();
    }
}

bool ScanPipeline::hasRoom(bool forDecode) const
{
    return int(m_line.size()) < m_limits.stepsAhead && (!forDecode || m_decodesOpen < m_limits.decodesAhead);
}

bool ScanPipeline::wakeDue()
{
    if (m_woken || m_line.empty() || m_line.front().state != State::ready)
        return false;
    m_woken = true;
    return true;
}

bool ScanPipeline::post(ScanStep&& step)
{
    bool wake = false;
    {
        std::unique_lock lock(m_mutex);
        m_room.wait(lock, [this] { return m_stopped || hasRoom(false); });
        if (m_stopped)
            return false;
        // Items in a row that the interface has not taken yet travel as one
        // step: a folder of thousands of files the types leave out costs
        // the interface a handful of steps, not one each.
        Slot* last = m_line.empty() ? nullptr : &m_line.back();
        if (step.kind == ScanStep::Kind::Item && last && last->state == State::ready
            && last->step.kind == ScanStep::Kind::Item)
            last->step.count += step.count;
        else
            m_line.push_back({std::move(step), State::ready, false});
        wake = wakeDue();
    }
    if (wake)
        m_wake();
    return true;
}

bool ScanPipeline::decode(AcceptedFile&& file, bool constrain)
{
    std::unique_lock lock(m_mutex);
    m_room.wait(lock, [this] { return m_stopped || hasRoom(true); });
    if (m_stopped)
        return false;
    if (m_threads.empty()) {
        for (int i = 0; i < m_limits.threads; ++i)
            m_threads.emplace_back([this] { work(); });
    }
    m_queue.push_back({m_front + m_line.size(), std::move(file), constrain});
    m_line.push_back({ScanStep(), State::decoding, true});
    ++m_decodesOpen;
    m_jobs.notify_one();
    return true;
}

void ScanPipeline::work()
{
#ifdef Q_OS_LINUX
    // Decoding keeps every core busy. A little below the interface thread,
    // it cannot hold the window's next event back for a scheduler slice,
    // and it loses nothing while the window is idle.
    ::setpriority(PRIO_PROCESS, ::gettid(), 5);
#endif
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_jobs.wait(lock, [this] { return !m_queue.empty() || m_stopped || m_walkDone; });
        if (m_queue.empty())
            return;
        Job job = std::move(m_queue.front());
        m_queue.pop_front();
        ++m_running;
        lock.unlock();
        std::optional<CatalogueEntry> entry;
        try {
            entry = m_makeEntry(job.file, job.constrain);
        } catch (...) {
            // Out of memory or the like for this one file: it gives no entry.
            entry.reset();
        }
        lock.lock();
        --m_running;
        bool wake = false;
        if (!m_stopped) {
            Slot& slot = m_line[size_t(job.sequence - m_front)];
            if (entry) {
                slot.step.kind = ScanStep::Kind::Entry;
                slot.step.entry = std::move(*entry);
                slot.state = State::ready;
            } else {
                slot.state = State::nothing;
            }
            // A file without an entry leaves no step: drop it as soon as
            // it heads the line, so the head is always waited for or ready.
            bool freed = false;
            while (!m_line.empty() && m_line.front().state == State::nothing) {
                m_line.pop_front();
                ++m_front;
                --m_decodesOpen;
                freed = true;
            }
            if (freed)
                m_room.notify_one();
            wake = wakeDue();
        }
        m_settled.notify_all();
        if (wake) {
            lock.unlock();
            m_wake();
            lock.lock();
        }
    }
}

bool ScanPipeline::drain()
{
    std::unique_lock lock(m_mutex);
    m_room.wait(lock, [this] { return m_stopped || m_line.empty(); });
    return !m_stopped;
}

void ScanPipeline::finish()
{
    {
        std::unique_lock lock(m_mutex);
        m_walkDone = true;
        m_jobs.notify_all();
        m_settled.wait(lock, [this] { return m_queue.empty() && m_running == 0; });
    }
    for (std::thread& thread : m_threads) {
        if (thread.joinable())
            thread.join();
    }
}

std::vector<ScanStep> ScanPipeline::take()
{
    std::vector<ScanStep> steps;
    std::lock_guard lock(m_mutex);
    m_woken = false;
    const size_t before = m_line.size();
    while (!m_line.empty() && m_line.front().state != State::decoding) {
        Slot& slot = m_line.front();
        if (slot.state == State::ready)
            steps.push_back(std::move(slot.step));
        if (slot.decoded)
            --m_decodesOpen;
        m_line.pop_front();
        ++m_front;
    }
    if (m_line.size() != before)
        m_room.notify_one();
    return steps;
}

void ScanPipeline::stop()
{
    std::lock_guard lock(m_mutex);
    m_stopped = true;
    m_stopFlag = true;
    m_queue.clear();
    m_line.clear();
    m_decodesOpen = 0;
    m_room.notify_all();
    m_jobs.notify_all();
    m_settled.notify_all();
}

bool ScanPipeline::stopped() const
{
    return m_stopFlag;
}
