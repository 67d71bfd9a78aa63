#pragma once

#include <QByteArray>
#include <QString>

class QFile;
class QUrl;

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

// "file://" and the path, every byte outside the unreserved characters and
// "/" percent-encoded: a URI that carries any name exactly.
QByteArray fileUri(const QByteArray& path);

// The path bytes of a local file URL (a folder chooser's or a drop's
// answer); empty for anything else.
QByteArray fromUrl(const QUrl& url);

// Opens a regular file for reading by its bytes. Anything else (a folder, a
// pipe, a device) fails, so a decoder never blocks on a named pipe.
bool openRegularFile(QFile& file, const QByteArray& path);
// The same as a file descriptor, -1 when it fails; the caller closes it.
int openRegularDescriptor(const QByteArray& path);

} // namespace RawPath
