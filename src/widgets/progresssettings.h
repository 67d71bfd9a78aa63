#pragma once

#include <QImage>
#include <QRgb>

// Everything a progress bar is drawn from, in the order CustomProgress
// declares its properties. Colours are 0xRRGGBB (any alpha byte is ignored).
// A copy is cheap: the tile picture is shared, not duplicated.
struct ProgressSettings {
    QRgb seccolor = 0;    // edge colour of fill styles 0 and 1
    QRgb maincolor = 0;   // fill colour of every style that uses colour, and of the waiting fill
    QRgb bordercolor = 0; // base colour of the two-pixel bevel
    int maximum = 0;      // the value that means full; 0 or less shows the waiting fill
    int mode = 0;         // fill style 0 to 4; any other value draws as style 0
    float value = 0;      // the current value, within 0 ... maximum once stored
    QImage fillpic;       // the tile of fill style 2
    int direction = 0;    // 0 left to right, 1 right to left, 2 bottom to top, 3 top to bottom
    int sinamplitude = 0; // colour units of the sine shading
    int sinlen = 0;       // wavelength of the sine shading in pixels; 0 or less: chosen at the next update
    double pi = 0;        // stored when the control opens
    double sininitphase = 0;
    bool hasborder = false;
    QRgb backcolor = 0; // the empty part of the bar
};
