#pragma once

#include "catalogue/folderscan.h"

#include <QByteArray>
#include <QThread>
#include <functional>
#include <memory>
#include <vector>

class ScanPipeline;

// The scan worker: walks off the interface thread while a pool of decoder
// threads (as many as cores) makes the entries a bounded distance ahead of
// the walk, and hands the steps to the receiver's thread as queued calls of
// apply, in batches, in exactly the order the walk made them. At the end of
// each folder the walk waits until the receiver has applied everything, so
// "Scan subdirectories" is read when the window shows the folder done. It
// gives way after each item and each folder; stop() makes it end there (or
// wherever it next waits) and run no further step, and drops what was
// decoded ahead.
class Thread1 : public QThread {
    Q_OBJECT
public:
    // Applies, on the receiver's thread, the steps ready since the last call.
    using Apply = std::function<void(std::vector<ScanStep>& steps)>;

    // makeEntry is the decoding stage, called on that many decoder threads (0:
    // as many as cores); empty: the platform's decoders.
    Thread1(QByteArray chosenFolder, const ScanSwitches& switches, QObject* receiver, Apply apply,
        FolderScan::MakeEntry makeEntry = {}, int threads = 0);
    // Stops the worker and waits for it and its decoder threads to end.
    ~Thread1() override;

    // Safe from any thread; returns at once, without waiting for a decode
    // under way.
    void stop();

protected:
    // The walk, then waits for the decodes it started.
    void run() override;

private:
    QByteArray m_chosen;
    ScanSwitches m_switches;
    std::shared_ptr<ScanPipeline> m_pipeline;
};
