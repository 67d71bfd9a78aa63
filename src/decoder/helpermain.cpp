#include "decoder/decoderhelper.h"
#include "decoder/localdecoding.h"

int main(int argc, char** argv)
{
    return runDecoderHelper(argc, argv, {decodeThumbnailHere, decodeViewerPictureHere});
}
