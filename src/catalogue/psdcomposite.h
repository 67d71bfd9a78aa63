#pragma once

#include "catalogue/imagedecoders.h"

// The merged picture a Photoshop file (PSD or PSB) carries after its layers,
// read straight from the open file and reduced while it is read: only a few
// rows of each reduced row are unpacked, so a thumbnail of a large file
// reads a small part of it. RGB and greyscale, 8 or 16 bits, raw or
// run-length coded; anything else (CMYK, Lab, indexed, ZIP-compressed) is
// left to other decoders, as is a file whose structure does not add up.
FormatDecode decodePsdComposite(int descriptor, int side);
