#include "decoder/isolateddecoding.h"

#include "decoder/decoderpool.h"
#include "decoder/tiffmessages.h"
#include "viewer/picturedecoder.h"

std::optional<CatalogueEntry> makeEntryInHelper(DecoderPool& pool, const AcceptedFile& file, bool constrain)
{
    const DecoderPool::Result result = pool.thumbnail({file.path, file.isjpeg, constrain});
    switch (result.outcome) {
    case DecoderPool::Outcome::Picture:
        return CatalogueEntry{file.path, file.name, result.sizeText, result.picture};
    case DecoderPool::Outcome::Unavailable:
        keepTiffMessagesFromImageMagick();
        return makeEntry(file, constrain, Decoders::forThumbnails());
    case DecoderPool::Outcome::NoPicture:
    case DecoderPool::Outcome::Failed:
        break;
    }
    return std::nullopt;
}

QImage decodeForScreenInHelper(DecoderPool& pool, const QByteArray& path, QSize screen)
{
    const DecoderPool::Result result = pool.viewerPicture({path, screen});
    if (result.outcome == DecoderPool::Outcome::Unavailable) {
        keepTiffMessagesFromImageMagick();
        return decodeForScreen(path, screen);
    }
    return result.picture;
}
