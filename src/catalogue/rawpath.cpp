#include "catalogue/rawpath.h"

#include <QFile>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RawPath {

QString display(const QByteArray& path)
{
    return QString::fromUtf8(path);
}

QByteArray fileName(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

QByteArray join(const QByteArray& parent, const QByteArray& name)
{
    return parent.endsWith('/') ? parent + name : parent + '/' + name;
}

QByteArray fileUri(const QByteArray& path)
{
    return "file://" + path.toPercentEncoding("/");
}

QByteArray fromUrl(const QUrl& url)
{
    if (!url.isLocalFile())
        return {};
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

int openRegularDescriptor(const QByteArray& path)
{
    const int descriptor = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (descriptor < 0)
        return -1;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

bool openRegularFile(QFile& file, const QByteArray& path)
{
    const int descriptor = openRegularDescriptor(path);
    if (descriptor < 0)
        return false;
    if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return false;
    }
    return true;
}

} // namespace RawPath
