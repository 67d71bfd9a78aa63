#pragma once

#include <QByteArray>
#include <vector>

// One item of a folder as a single directory read gives it.
struct ListedItem {
    // What the directory read says the item is; a link, or an item on a file
    // system that does not say, is unknown until looked at.
    enum class Kind { folder, file, unknown };
    QByteArray name;  // the file system's bytes
    Kind kind = Kind::unknown;
};

// Reads a folder once and returns its items (without "." and "..") in the
// order a file manager shows them: natural name order, so img2 comes before
// img10, letter case ignored. A folder that cannot be read has no items.
std::vector<ListedItem> listFolder(const QByteArray& path);
