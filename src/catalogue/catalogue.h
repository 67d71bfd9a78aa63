#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

// One picture file that thumbnail making turned into an entry.
struct CatalogueEntry {
    QByteArray path;   // absolute path, the file system's own bytes
    QString name;      // the file's name as its folder lists it, for display
    QString size;      // the full picture's pixel size, "1600 x 1200"
    QImage thumbnail;  // always 100 x 100, 32 bits per pixel
};

// The in-memory result of the last scan: parallel one-based lists, appended
// to in discovery order and emptied when a scan starts. Every read is
// guarded: an index outside 1 ... x() reads as empty text or a null
// picture, never a crash. Interface thread only: the scan hands finished
// entries over, so no reader ever sees the lists at different lengths.
class Catalogue {
public:
    int x() const { return int(m_bildfile.size()); }

    void empty();
    void append(const CatalogueEntry& entry);

    QByteArray bildfile(int i) const;   // path bytes; empty when there is no entry
    QString bildname(int i) const;
    QString bildsize(int i) const;
    QImage bildscaled(int i) const;

    // The catalogue index of the current picture: set by the grid (possibly
    // beyond x() for an empty cell) and by the viewer (within 1 ... x()).
    int clickedpic = 0;

private:
    bool has(int i) const { return i >= 1 && i <= x(); }

    QList<QByteArray> m_bildfile;
    QStringList m_bildname;
    QStringList m_bildsize;
    QList<QImage> m_bildscaled;
};
