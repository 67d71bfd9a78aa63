#include "app/thread1.h"

#include "catalogue/scanpipeline.h"

#include <QMetaObject>

Thread1::Thread1(QByteArray chosenFolder, const ScanSwitches& switches, QObject* receiver, Apply apply,
    FolderScan::MakeEntry makeEntry, int threads)
    : m_chosen(std::move(chosenFolder))
    , m_switches(switches)
{
    if (!makeEntry) {
        makeEntry = [decoders = Decoders::forThumbnails()](const AcceptedFile& file, bool constrain) {
            return ::makeEntry(file, constrain, decoders);
        };
    }
    // One queued call wakes the receiver however many steps become ready
    // before it runs. The call holds the pipeline, so it may still run after
    // the worker is gone; a stopped pipeline gives it nothing.
    auto self = std::make_shared<std::weak_ptr<ScanPipeline>>();
    auto applyBatch = std::make_shared<Apply>(std::move(apply));
    auto wake = [self, receiver, applyBatch] {
        std::shared_ptr<ScanPipeline> pipeline = self->lock();
        if (!pipeline)
            return;
        QMetaObject::invokeMethod(
            receiver,
            [pipeline = std::move(pipeline), applyBatch] {
                std::vector<ScanStep> steps = pipeline->take();
                if (!steps.empty())
                    (*applyBatch)(steps);
            },
            Qt::QueuedConnection);
    };
    ScanPipeline::Limits limits = ScanPipeline::defaultLimits();
    if (threads > 0) {
        limits.threads = threads;
        limits.decodesAhead = std::max(limits.decodesAhead, 32 * threads);
    }
    m_pipeline = std::make_shared<ScanPipeline>(std::move(makeEntry), std::move(wake), limits);
    *self = m_pipeline;
}

Thread1::~Thread1()
{
    stop();
    wait();
}

void Thread1::stop()
{
    m_pipeline->stop();
}

void Thread1::run()
{
    ScanPipeline& pipeline = *m_pipeline;
    FolderScan scan(
        m_chosen, m_switches, [&](ScanStep&& step) { return pipeline.post(std::move(step)); },
        [&] { return !pipeline.stopped(); });
    scan.decodeWith([&](AcceptedFile&& file, bool constrain) { return pipeline.decode(std::move(file), constrain); });
    scan.atFolderEnd([&] { return pipeline.drain(); });
    scan.run();
    pipeline.finish();
}
