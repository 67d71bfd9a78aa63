#pragma once

#include <QByteArray>
#include <QString>

class QFile;

// Paths are kept as the bytes the file system gave; a name that is not valid
// UTF-8 is still listed, shown and reopened. These helpers never turn a path
// into text and back.
namespace RawPath {

// For display only: invalid bytes show as the replacement character.
QString display(const QByteArray& path);

// The last component of an absolute path.
QByteArray fileName(const QByteArray& path);

// parent + "/" + name, without doubling the slash after the root.
QByteArray join(const QByteArray& parent, const QByteArray& name);

// Opens a regular file for reading by its bytes. Anything else (a folder, a
// pipe, a device) fails, so a decoder never blocks on a named pipe.
bool openRegularFile(QFile& file, const QByteArray& path);

} // namespace RawPath
