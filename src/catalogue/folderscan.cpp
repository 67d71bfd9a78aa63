#include "catalogue/folderscan.h"

#include "catalogue/folderlisting.h"
#include "catalogue/rawpath.h"
#include "catalogue/thumbnailmaker.h"
#include "catalogue/typefilter.h"
#include "common/textcompare.h"

#include <set>
#include <sys/stat.h>
#include <utility>

namespace {

using FolderIdentity = std::pair<dev_t, ino_t>;

bool identify(const QByteArray& path, FolderIdentity& identity)
{
    struct stat status {};
    if (::stat(path.constData(), &status) != 0 || !S_ISDIR(status.st_mode))
        return false;
    identity = {status.st_dev, status.st_ino};
    return true;
}

// Folders at the root of the file system that hold other volumes or the
// kernel's own files, never pictures.
bool excludedAtRoot(const QString& name)
{
    for (const char16_t* excluded : {u"Volumes", u"automount", u"proc", u"sys", u"dev", u"run"}) {
        if (sameText(name, QStringView(excluded)))
            return true;
    }
    return false;
}

} // namespace

struct FolderScan::Walk {
    std::vector<QByteArray> folders;
    std::set<FolderIdentity> known;
    FolderIdentity root {};
    bool rootKnown = false;
};

FolderScan::FolderScan(
    QByteArray chosenFolder, const ScanSwitches& switches, Post post, GiveWay giveWay, MakeEntry makeEntry)
    : m_chosen(std::move(chosenFolder))
    , m_switches(switches)
    , m_post(std::move(post))
    , m_giveWay(std::move(giveWay))
    , m_makeEntry(std::move(makeEntry))
{
    if (!m_makeEntry) {
        m_makeEntry = [decoders = Decoders::forThumbnails()](const AcceptedFile& file, bool constrain) {
            return ::makeEntry(file, constrain, decoders);
        };
    }
}

void FolderScan::run()
{
    ScanStep start;
    start.kind = ScanStep::Kind::Start;
    start.path = m_chosen;
    if (!m_post(std::move(start)))
        return;
    if (!walk())
        return;
    ScanStep end;
    end.kind = ScanStep::Kind::End;
    m_post(std::move(end));
}

bool FolderScan::walk()
{
    std::vector<ListedItem> items = listFolder(m_chosen);
    if (items.empty())
        return true;

    Walk walk;
    walk.folders.push_back(m_chosen);
    FolderIdentity chosen {};
    if (identify(m_chosen, chosen))
        walk.known.insert(chosen);
    walk.rootKnown = identify("/", walk.root);

    for (size_t d = 1; d <= walk.folders.size(); ++d) {
        const QByteArray folder = walk.folders[d - 1];
        if (d > 1)
            items = listFolder(folder);
        FolderIdentity identity {};
        const bool folderIsRoot = walk.rootKnown && identify(folder, identity) && identity == walk.root;

        ScanStep start;
        start.kind = ScanStep::Kind::FolderStart;
        start.path = folder;
        start.d = int(d);
        start.c = int(walk.folders.size());
        start.subdirectories = m_switches.subdirectories.load();
        start.n = int(items.size());
        if (!m_post(std::move(start)))
            return false;

        for (const ListedItem& item : items) {
            ScanStep step;
            step.kind = ScanStep::Kind::Item;
            if (!m_post(std::move(step)) || !examine(walk, folder, folderIsRoot, item) || !m_giveWay())
                return false;
        }
        if (m_folderEnd && !m_folderEnd())
            return false;
        if (!m_switches.subdirectories.load())
            return true;
        if (!m_giveWay())
            return false;
    }
    return true;
}

bool FolderScan::examine(Walk& walk, const QByteArray& folder, bool folderIsRoot, const ListedItem& item)
{
    const TypeSettings types {m_switches.jpeg.load(), m_switches.png.load(), m_switches.gif.load(),
        m_switches.tiff.load(), m_switches.psd.load(), m_switches.pdf.load()};
    const QString name = RawPath::display(item.name);
    const bool accepted = typeFilter(name, types, m_isjpeg);
    // A file the types leave out needs nothing more: no path, no look.
    if (item.kind == ListedItem::Kind::file && !accepted)
        return true;
    const QByteArray path = RawPath::join(folder, item.name);

    bool isFolder = item.kind == ListedItem::Kind::folder;
    FolderIdentity identity {};
    if (item.kind != ListedItem::Kind::file) {
        struct stat status {};
        if (::stat(path.constData(), &status) != 0) {
            // Vanished since the folder was read, or a link to nothing.
            if (isFolder)
                return true;
        } else {
            isFolder = S_ISDIR(status.st_mode);
            identity = {status.st_dev, status.st_ino};
        }
    }

    if (isFolder) {
        ScanStep shown;
        shown.kind = ScanStep::Kind::PathShown;
        shown.path = path;
        if (!m_post(std::move(shown)))
            return false;
        const bool auslassen = folderIsRoot && excludedAtRoot(name);
        if (!auslassen && walk.known.insert(identity).second)
            walk.folders.push_back(path);
    }

    if (accepted) {
        const bool constrain = m_switches.constrain.load();
        if (m_decode)
            return m_decode({path, name, m_isjpeg}, constrain);
        std::optional<CatalogueEntry> entry = m_makeEntry({path, name, m_isjpeg}, constrain);
        if (entry) {
            ScanStep ready;
            ready.kind = ScanStep::Kind::Entry;
            ready.entry = std::move(*entry);
            if (!m_post(std::move(ready)))
                return false;
        }
    }
    return true;
}
