#include "catalogue/thumbnailmaker.h"

#include "catalogue/openasimagemodule.h"
#include "catalogue/thumbnailgeometry.h"

#include <sys/stat.h>

SizeClass sizeClass(qint64 length)
{
    if (length < 10240)
        return SizeClass::small;
    if (length <= 1024000)
        return SizeClass::medium;
    return SizeClass::large;
}

DecodedPicture decodeAccepted(const AcceptedFile& file, const Decoders& decoders)
{
    struct stat status {};
    if (::stat(file.path.constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return {};
    switch (sizeClass(status.st_size)) {
    case SizeClass::small:
        if (file.isjpeg) {
            DecodedPicture picture = decoders.jpeg(file.path);
            return picture.isNull() ? decoders.general(file.path) : picture;
        }
        return decoders.general(file.path);
    case SizeClass::medium:
        if (file.isjpeg) {
            DecodedPicture picture = decoders.jpeg(file.path);
            return picture.isNull() ? OpenAsImageModule::OpenAsImage(file.path, decoders) : picture;
        }
        return OpenAsImageModule::OpenAsImage(file.path, decoders);
    case SizeClass::large:
        break;
    }
    return OpenAsImageModule::OpenAsImage(file.path, decoders);
}

std::optional<CatalogueEntry> makeEntry(const AcceptedFile& file, bool constrain, const Decoders& decoders)
{
    const DecodedPicture decoded = decodeAccepted(file, decoders);
    if (decoded.isNull() || decoded.fullSize.isEmpty())
        return std::nullopt;
    return CatalogueEntry {
        file.path,
        file.name,
        QStringLiteral("%1 x %2").arg(decoded.fullSize.width()).arg(decoded.fullSize.height()),
        drawThumbnail(decoded.picture, decoded.fullSize, constrain),
    };
}
