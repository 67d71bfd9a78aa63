#include "app/scancontrol.h"

#include "app/thread1.h"
#include "app/thumbnailgrid.h"
#include "app/window1.h"
#include "catalogue/module1.h"
#include "catalogue/rawpath.h"
#include "common/textcompare.h"
#include "widgets/canvas.h"
#include "widgets/customprogress.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>

#include <sys/stat.h>

namespace {

const QString choosePath = QStringLiteral("Choose Path");
const QString cancelCaption = QStringLiteral("Cancel");

// The one local folder a drag carries, or nothing.
QByteArray droppedFolder(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return {};
    const QByteArray path = RawPath::fromUrl(data->urls().constFirst());
    struct stat status {};
    if (path.isEmpty() || ::stat(path.constData(), &status) != 0 || !S_ISDIR(status.st_mode))
        return {};
    return path;
}

} // namespace

ScanControl::ScanControl(Window1& window, ThumbnailGrid& grid)
    : QObject(&window)
    , m_window(window)
    , m_grid(grid)
{
    chooseFolder = [this] {
        return RawPath::fromUrl(QFileDialog::getExistingDirectoryUrl(&m_window));
    };
    m_subdirectories = window.CheckBox1->isChecked();
    connect(window.CheckBox1, &QCheckBox::toggled, this, [this](bool ticked) { m_subdirectories = ticked; });
    connect(window.BevelButton1, &QPushButton::clicked, this, &ScanControl::buttonAction);
    // A worker still running when the application object goes away would
    // abort the program instead of ending it with exit code 0.
    if (QCoreApplication* application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, &ScanControl::stopWorkers);
    window.setAcceptDrops(true);
    window.installEventFilter(this);
}

ScanControl::~ScanControl()
{
    stopWorkers();
}

bool ScanControl::scanning() const
{
    return !sameText(m_window.BevelButton1->text(), choosePath);
}

void ScanControl::buttonAction()
{
    if (scanning()) {
        cancel();
        return;
    }
    const QByteArray folder = chooseFolder ? chooseFolder() : QByteArray();
    if (!folder.isEmpty())
        startScan(folder);
}

void ScanControl::startScan(const QByteArray& folder)
{
    if (m_current)
        m_current->stop();
    m_window.f = RawPath::display(folder);
    const unsigned generation = ++m_generation;
    const ScanSwitches switches {m_subdirectories, m_window.settingsjpeg, m_window.settingspng, m_window.settingsgif,
        m_window.settingstiff, m_window.settingspsd, m_window.settingspdf, m_window.settingsprop};
    auto* worker = new Thread1(
        folder, switches, this,
        [this, generation](std::vector<ScanStep>& steps) {
            if (generation == m_generation)
                apply(steps);
        },
        makeEntry, makeEntry ? makeEntryThreads : 0);
    connect(worker, &QThread::finished, this, [this, worker] { retire(worker); });
    m_workers.push_back(worker);
    m_current = worker;
    worker->start();
    m_window.BevelButton1->setText(cancelCaption);
}

void ScanControl::cancel()
{
    ++m_generation;
    if (m_current)
        m_current->stop();
    m_current = nullptr;
    m_window.ProgressBar1->setvalue(float(m_window.ProgressBar1->maximum));
    m_window.BevelButton1->setText(choosePath);
}

void ScanControl::retire(Thread1* worker)
{
    const auto found = std::find(m_workers.begin(), m_workers.end(), worker);
    if (found == m_workers.end())
        return;
    m_workers.erase(found);
    if (m_current == worker)
        m_current = nullptr;
    delete worker;
}

void ScanControl::stopWorkers()
{
    ++m_generation;
    for (Thread1* worker : m_workers)
        worker->stop();
    for (Thread1* worker : m_workers)
        delete worker;
    m_workers.clear();
    m_current = nullptr;
}

void ScanControl::apply(std::vector<ScanStep>& steps)
{
    Catalogue& catalogue = Module1::catalogue();
    CustomProgress& bar = *m_window.ProgressBar1;
    // The steps of one batch are applied before anything is painted, so a
    // text that several of them change is set once, to its last value.
    const QByteArray* shownPath = nullptr;
    bool appended = false;
    bool stepped = false;
    const auto showPending = [&] {
        if (stepped)
            bar.update();
        if (shownPath)
            m_window.EditField1->setText(RawPath::display(*shownPath));
        if (appended) {
            m_window.StaticText1->setText(QStringLiteral("%1 images").arg(catalogue.x()));
            m_grid.applyScrollRange();
        }
        shownPath = nullptr;
        appended = false;
        stepped = false;
    };
    for (const ScanStep& step : steps) {
        switch (step.kind) {
        case ScanStep::Kind::Start:
            m_window.n = 0;
            catalogue.empty();
            m_window.ScrollBar1->setValue(0);
            for (int k = 1; k <= Window1::cellCount; ++k)
                m_window.cell(k)->setPicture(QImage());
            shownPath = &step.path;
            break;
        case ScanStep::Kind::FolderStart:
            m_window.f = RawPath::display(step.path);
            if (step.subdirectories) {
                m_window.dirstring = QStringLiteral("Directory: %1 / %2").arg(step.d).arg(step.c);
                m_window.StaticText2->setText(m_window.dirstring);
                m_window.StaticText2->show();
            } else {
                m_window.StaticText2->hide();
            }
            m_window.n = step.n;
            bar.setvalue(0);
            bar.maximum = step.n;
            break;
        case ScanStep::Kind::Item:
            for (int i = 0; i < step.count; ++i)
                bar.setvalue(bar.value + 1);
            stepped = true;
            break;
        case ScanStep::Kind::PathShown:
            shownPath = &step.path;
            break;
        case ScanStep::Kind::Entry: {
            catalogue.append(step.entry);
            const int x = catalogue.x();
            if (x <= Window1::cellCount)
                m_window.cell(x)->setPicture(step.entry.thumbnail);
            appended = true;
            break;
        }
        case ScanStep::Kind::End:
            showPending();
            m_grid.applyScrollRange();
            m_window.StaticText1->setText(QStringLiteral("%1 images").arg(catalogue.x()));
            m_window.BevelButton1->setText(choosePath);
            m_window.StaticText2->setText(QStringLiteral("done"));
            m_current = nullptr;
            break;
        }
    }
    showPending();
}

bool ScanControl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_window) {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* drag = static_cast<QDropEvent*>(event);
            if (!scanning() && !droppedFolder(drag->mimeData()).isEmpty())
                drag->acceptProposedAction();
            else
                drag->ignore();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            const QByteArray folder = droppedFolder(drop->mimeData());
            if (!scanning() && !folder.isEmpty()) {
                drop->acceptProposedAction();
                startScan(folder);
            }
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
