#pragma once

#include <QPoint>
#include <QSize>

// Where and how large a picture is shown on a full-screen viewer.
struct PictureFit {
    QSize size;       // the shown size
    QPoint position;  // the top left corner in screen coordinates
    bool fitted = false;  // the picture had to be shrunk to size
};

// Shrinks a picture to the screen, never enlarging it and keeping its
// proportions: first to the screen width, then, if it is still too high, to
// the screen height, the second ratio taken from the width-fitted (already
// rounded) sides. The result is centred on the screen. Every side of a
// shrunk picture is at least one pixel, however thin the picture.
PictureFit fitPicture(QSize screen, QSize picture);

// The top left corner that centres a picture of the shown size on the screen.
QPoint centredPosition(QSize screen, QSize shown);
