#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <vector>

// The picture sets the scan benchmark measures, made once into a cache
// folder and reused by every later run. A set is complete when its marker
// file (beside its folder, so no scan sees it) exists.
namespace BenchFixtures {

struct Set {
    QString name;         // folder name inside the cache and label in the table
    QString description;  // "200 x 4000 x 3000 JPEG q90"
    int count = 0;        // files, or entries of the walk tree
    bool pictures = true; // false: the walk-only tree
};

// The sets in the order the table prints them.
const std::vector<Set>& sets();

// Makes every set that is missing from cacheFolder, printing what it does.
// Returns false when a set could not be written.
bool ensure(const QString& cacheFolder);

// The folder of a set inside the cache.
QString folder(const QString& cacheFolder, const Set& set);

// A picture with the statistics of a photograph: smooth areas, edges,
// texture at several scales and a little sensor grain, so it compresses
// like one (about 2 bits per pixel as JPEG at quality 90).
QImage photoLike(int width, int height, quint32 seed);

} // namespace BenchFixtures
