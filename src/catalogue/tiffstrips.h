#pragma once

#include "catalogue/imagedecoders.h"

// An uncompressed TIFF (the first picture of the file), read straight from
// the open file and reduced while it is read: only a few rows of each
// reduced row are read at all. 8 or 16-bit RGB or greyscale, with or without
// an alpha, in strips; anything else (compressed, tiled, planar, palette,
// CMYK, BigTIFF) is left to other decoders, as is a file whose structure does
// not add up.
FormatDecode decodeTiffStrips(int descriptor, int side);
