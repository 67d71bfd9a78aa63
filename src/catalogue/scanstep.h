#pragma once

#include "catalogue/catalogue.h"

#include <QByteArray>

// One visible step of a scan, in the order the window must show them. The
// scan worker hands them to the interface thread, which alone touches the
// catalogue and the controls.
struct ScanStep {
    enum class Kind {
        Start,        // empty the catalogue, scroll to 0, blank the cells; path shows the chosen folder
        FolderStart,  // folder d of the c known so far begins: status shown when subdirectories, then n items
        Item,         // the progress bar rises by count, one per item examined
        PathShown,    // a folder was found: path
        Entry,        // entry is ready to append
        End,          // the walk finished without being cancelled
    };
    Kind kind = Kind::Start;
    QByteArray path;
    int d = 0;
    int c = 0;
    bool subdirectories = false;
    int n = 0;
    int count = 1;
    CatalogueEntry entry;
};
