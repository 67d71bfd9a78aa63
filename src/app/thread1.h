#pragma once

#include "catalogue/folderscan.h"

#include <QByteArray>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>

class QSemaphore;

// The scan worker: walks and decodes off the interface thread and hands
// every step to the receiver's thread, in order, as queued calls of apply.
// It gives way after each item and each folder; stop() makes it end there
// (or wherever it next waits) and run no further step. It runs ahead of the
// interface by a bounded number of steps, so a stop is answered promptly
// and the window keeps painting however fast the walk goes.
class Thread1 : public QThread {
    Q_OBJECT
public:
    using Apply = std::function<void(const ScanStep& step)>;

    Thread1(QByteArray chosenFolder, const ScanSwitches& switches, QObject* receiver, Apply apply,
        FolderScan::MakeEntry makeEntry = {});
    // Stops the worker and waits for it to end.
    ~Thread1() override;

    // Safe from any thread; returns at once.
    void stop();

protected:
    void run() override;

private:
    bool deliver(ScanStep&& step);

    QByteArray m_chosen;
    ScanSwitches m_switches;
    QObject* m_receiver;  // outlives the worker
    Apply m_apply;
    FolderScan::MakeEntry m_makeEntry;
    std::atomic<bool> m_stop {false};
    std::shared_ptr<QSemaphore> m_room;
};
