#pragma once

#include "catalogue/folderscan.h"

#include <QByteArray>
#include <QObject>
#include <atomic>
#include <functional>
#include <vector>

class Thread1;
class ThumbnailGrid;
class Window1;

// The user's handle on a scan: "Choose Path" picks a folder and starts the
// worker Thread1, the caption becomes "Cancel"; Cancel stops the worker
// between two items, keeps the entries so far and fills the bar. The steps
// the worker hands over are applied to the window's controls here, on the
// interface thread, in the order they were made. Each scan has a
// generation; steps of an older one are dropped.
//
// A folder dropped on the idle window starts a scan as if chosen. Quitting
// the application stops and joins every worker first.
class ScanControl : public QObject {
    Q_OBJECT
public:
    ScanControl(Window1& window, ThumbnailGrid& grid);
    ~ScanControl() override;

    // BevelButton1's action: choose a folder and scan it, or cancel.
    void buttonAction();
    // Starts a scan of folder (path bytes) as if it had been chosen.
    void startScan(const QByteArray& folder);
    void cancel();
    // The caption tells: "Cancel" while a scan runs.
    bool scanning() const;

    // Stops every worker and waits for each to end.
    void stopWorkers();

    // The folder chooser, empty when dismissed; tests put their own in.
    std::function<QByteArray()> chooseFolder;
    // The decoding stage, called on the worker's decoder threads; empty: the
    // platform's decoders, as many files at once as there are cores.
    FolderScan::MakeEntry makeEntry;
    // How many files a makeEntry given here may decode at once: 1 calls it
    // for one file after the other, in walk order (a stage need not be
    // reentrant); 0 as many as there are cores.
    int makeEntryThreads = 1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The steps of one batch from the worker, in order.
    void apply(std::vector<ScanStep>& steps);
    void retire(Thread1* worker);

    Window1& m_window;
    ThumbnailGrid& m_grid;
    // CheckBox1 as the worker reads it.
    std::atomic<bool> m_subdirectories {false};
    unsigned m_generation = 0;
    Thread1* m_current = nullptr;
    std::vector<Thread1*> m_workers;
};
