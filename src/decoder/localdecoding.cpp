#include "decoder/localdecoding.h"

#include "catalogue/thumbnailmaker.h"
#include "viewer/picturedecoder.h"

std::optional<HelperPicture> decodeThumbnailHere(const ThumbnailRequest& request)
{
    static const Decoders decoders = Decoders::forThumbnails();
    const std::optional<CatalogueEntry> entry =
        makeEntry(AcceptedFile{request.path, QString(), request.isjpeg}, request.constrainProportions, decoders);
    if (!entry)
        return std::nullopt;
    return HelperPicture{entry->size, entry->thumbnail};
}

std::optional<HelperPicture> decodeViewerPictureHere(const ViewerRequest& request)
{
    const QImage picture = decodeForScreen(request.path, request.screen);
    if (picture.isNull())
        return std::nullopt;
    return HelperPicture{QString(), picture};
}
