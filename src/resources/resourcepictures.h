#pragma once

#include <QImage>

// The application's pictures by resource number (168 to 176). Each is loaded
// on first use and then held as one shared picture for the whole run, so a
// change made to it (such as filling its mask) is seen by every later user.
// Interface thread only.
namespace ResourcePictures {

enum Number {
    lgbackground6 = 168,
    BrightfoldBButton = 169,
    BrightfoldBButton_Mask = 170,
    BrightfoldBButton_Over = 171,
    BrightfoldBButtonFlash = 172,
    lumiabout = 173,
    lumiaboutscreenshot = 174,
    lumiaboutbottom = 175,
    lgbackground7 = 176,
};

QImage& picture(Number number);

// Writes the mask picture into the target's opacity at (0, 0), at the mask's
// own size: white is opaque, black transparent, greys in between.
void copyMask(QImage& target, const QImage& mask);

} // namespace ResourcePictures
