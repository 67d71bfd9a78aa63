#include "app/thread1.h"

#include <QMetaObject>
#include <QSemaphore>

namespace {

// Steps handed over but not yet applied, at most.
constexpr int stepsAhead = 64;

} // namespace

Thread1::Thread1(QByteArray chosenFolder, const ScanSwitches& switches, QObject* receiver, Apply apply,
    FolderScan::MakeEntry makeEntry)
    : m_chosen(std::move(chosenFolder))
    , m_switches(switches)
    , m_receiver(receiver)
    , m_apply(std::move(apply))
    , m_makeEntry(std::move(makeEntry))
    , m_room(std::make_shared<QSemaphore>(stepsAhead))
{
}

Thread1::~Thread1()
{
    stop();
    wait();
}

void Thread1::stop()
{
    m_stop = true;
}

void Thread1::run()
{
    FolderScan scan(
        m_chosen, m_switches, [this](ScanStep&& step) { return deliver(std::move(step)); },
        [this] { return !m_stop; }, m_makeEntry);
    scan.run();
}

bool Thread1::deliver(ScanStep&& step)
{
    while (!m_room->tryAcquire(1, 20)) {
        if (m_stop)
            return false;
    }
    if (m_stop) {
        m_room->release();
        return false;
    }
    // The receiver frees the room once it has applied the step.
    QMetaObject::invokeMethod(
        m_receiver,
        [apply = m_apply, room = m_room, step = std::move(step)] {
            apply(step);
            room->release();
        },
        Qt::QueuedConnection);
    return true;
}
