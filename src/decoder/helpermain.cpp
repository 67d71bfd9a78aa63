#include "decoder/decoderhelper.h"
#include "decoder/localdecoding.h"
#include "decoder/tiffmessages.h"
#include "viewer/picturedecoder.h"

#include <QImageReader>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#endif

int main(int argc, char** argv)
{
    // Qt's allocation limit is one for the whole process and the viewer's
    // decoding raises it; raised from the start, a thumbnail comes out the
    // same whether or not a viewer's picture was decoded before it.
    QImageReader::setAllocationLimit(fullDecodeLimitMb);
    keepTiffMessagesFromImageMagick();
#ifdef Q_OS_LINUX
    // Scans keep every helper busy; a little below the window's threads, a
    // helper never holds the window's next event back for a scheduler
    // slice, and loses nothing while the window waits for it. Threads the
    // decoders start later inherit it.
    ::setpriority(PRIO_PROCESS, 0, 5);
#endif
    return runDecoderHelper(argc, argv, {decodeThumbnailHere, decodeViewerPictureHere});
}
