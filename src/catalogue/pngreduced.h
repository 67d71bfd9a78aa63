#pragma once

#include "catalogue/imagedecoders.h"

// A PNG through libdeflate, reduced as its rows are unfiltered: the file is
// read once, inflated in one go, and only a few rows of each reduced row are
// turned into pixels. Every non-interlaced colour type and depth, palette
// and transparency included; an interlaced file, one declaring more than a
// few hundred megabytes of pixels, or one whose data does not inflate is
// left to other decoders.
FormatDecode decodePngReduced(int descriptor, int side);
