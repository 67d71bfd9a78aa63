#pragma once

#include <QUrl>

class Canvas;

// The logo cell of the main window: the hover picture while the pointer is
// over it, the normal logo when it leaves, and the maker's web site on any
// press. Hover and leave do not know about the update signal that may be
// blinking in the same cell.
namespace LogoCell {

// The maker's home page.
QUrl website();

// Connects the cell's pointer and press events.
void connect(Canvas* cell);

void mouseEnter(Canvas& cell);
void mouseExit(Canvas& cell);
// Opens the web site in the default browser; every button does.
void mouseDown();

} // namespace LogoCell
