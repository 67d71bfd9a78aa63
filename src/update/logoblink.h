#pragma once

#include <QImage>

class Canvas;

// The logo cell's update signal: the normal logo and the flash picture take
// turns. The pictures are the shared resource pictures, so which one a cell
// shows is told by identity.
namespace LogoBlink {

// The flash picture, given the logo's mask when it is first loaded.
QImage& flashPicture();

// Whether the cell shows exactly the shared normal logo.
bool showsNormalLogo(const Canvas& cell);

// One blink: the flash picture where the cell shows the normal logo, the
// normal logo where it shows anything else (the flash or the hover picture).
void swap(Canvas& cell);

} // namespace LogoBlink
