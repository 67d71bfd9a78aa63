#include "catalogue/filerange.h"

#include <sys/stat.h>
#include <unistd.h>

FileRange::FileRange(int descriptor)
    : m_descriptor(descriptor)
{
    struct stat status {};
    if (::fstat(descriptor, &status) == 0)
        m_length = status.st_size;
}

bool FileRange::read(qint64 at, void* into, qint64 count) const
{
    if (at < 0 || count < 0 || at > m_length || count > m_length - at)
        return false;
    auto* bytes = static_cast<char*>(into);
    while (count > 0) {
        const ssize_t got = ::pread(m_descriptor, bytes, size_t(count), off_t(at));
        if (got <= 0)
            return false;
        bytes += got;
        at += got;
        count -= got;
    }
    return true;
}
