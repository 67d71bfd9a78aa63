#include "decoder/decoderhelper.h"
#include "decoder/localdecoding.h"
#include "decoder/tiffmessages.h"
#include "viewer/picturedecoder.h"

#include <QImageReader>

int main(int argc, char** argv)
{
    // Qt's allocation limit is one for the whole process and the viewer's
    // decoding raises it; raised from the start, a thumbnail comes out the
    // same whether or not a viewer's picture was decoded before it.
    QImageReader::setAllocationLimit(fullDecodeLimitMb);
    keepTiffMessagesFromImageMagick();
    return runDecoderHelper(argc, argv, {decodeThumbnailHere, decodeViewerPictureHere});
}
