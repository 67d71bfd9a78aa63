#pragma once

#include "catalogue/folderlisting.h"
#include "catalogue/scanstep.h"
#include "catalogue/thumbnailmaker.h"

#include <QByteArray>
#include <atomic>
#include <functional>

// The switches a scan reads while it runs; the interface thread keeps them in
// step with the "Scan subdirectories" box and the settings.
struct ScanSwitches {
    const std::atomic<bool>& subdirectories;
    const std::atomic<bool>& jpeg;
    const std::atomic<bool>& png;
    const std::atomic<bool>& gif;
    const std::atomic<bool>& tiff;
    const std::atomic<bool>& psd;
    const std::atomic<bool>& pdf;
    const std::atomic<bool>& constrain;
};

// The walk of one scan: the chosen folder and, while "Scan subdirectories"
// is ticked, every folder below it, breadth first. Each folder is read once,
// its items in natural name order; a folder reached again (same device and
// inode, through a link) is not entered twice, and at the root of the file
// system "Volumes", "automount", "proc", "sys", "dev" and "run" are skipped.
// Folders that cannot be read have no items; vanished items and files that
// cannot be decoded are skipped without a word.
//
// Every visible step goes to post, in order. post returns false when the
// scan is to stop; giveWay is asked after each item and each folder and
// returns false likewise. Runs on whatever thread calls run().
class FolderScan {
public:
    using Post = std::function<bool(ScanStep&&)>;
    using GiveWay = std::function<bool()>;
    // The decoding stage, accepted file to entry: makeEntry with the
    // platform's decoders unless another is given.
    using MakeEntry = std::function<std::optional<CatalogueEntry>(const AcceptedFile& file, bool constrain)>;

    // Hands an accepted file, with the proportions setting as it was when
    // the walk examined the file, to a decoding stage that makes and posts
    // its entry later; returns false when the scan is to stop.
    using Decode = std::function<bool(AcceptedFile&& file, bool constrain)>;

    FolderScan(QByteArray chosenFolder, const ScanSwitches& switches, Post post, GiveWay giveWay,
        MakeEntry makeEntry = {});

    // Accepted files go to decode instead of being decoded and posted here.
    void decodeWith(Decode decode) { m_decode = std::move(decode); }
    // Called when a folder's items are done, before "Scan subdirectories" is
    // read: a walk that runs ahead of the window waits there until the
    // window has shown the folder, so the box counts as the user saw it.
    // Returns false when the scan is to stop.
    void atFolderEnd(GiveWay wait) { m_folderEnd = std::move(wait); }

    // Start steps, the walk, and the end step unless stopped.
    void run();

private:
    struct Walk;
    bool walk();
    bool examine(Walk& walk, const QByteArray& folder, bool folderIsRoot, const ListedItem& item);

    QByteArray m_chosen;
    ScanSwitches m_switches;
    Post m_post;
    GiveWay m_giveWay;
    MakeEntry m_makeEntry;
    Decode m_decode;
    GiveWay m_folderEnd;
    bool m_isjpeg = false;
};
