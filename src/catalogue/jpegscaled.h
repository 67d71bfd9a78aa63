#pragma once

#include "catalogue/imagedecoders.h"

// JPEG through libjpeg-turbo, shrunk while decoding: the smallest DCT scale
// (1/8 to 8/8) whose picture still covers a side x side square, read from
// the open file in one pass, straight into 32-bit pixels, upright as the
// orientation tag asks. A picture that would still be huge at 1/8 is
// reduced row by row as it arrives. A file whose data ends early shows the
// part that arrived, the rest grey. CMYK files are left to other decoders.
FormatDecode decodeJpegScaled(int descriptor, int side);
