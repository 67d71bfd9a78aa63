#include "app/logocell.h"

#include "resources/resourcepictures.h"
#include "widgets/canvas.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QObject>

namespace LogoCell {

QUrl website()
{
    return QUrl(QStringLiteral("http://www.brightfold.example/"));
}

void connect(Canvas* cell)
{
    QObject::connect(cell, &Canvas::mouseEnter, cell, [cell] { mouseEnter(*cell); });
    QObject::connect(cell, &Canvas::mouseExit, cell, [cell] { mouseExit(*cell); });
    QObject::connect(cell, &Canvas::mouseDown, cell, [] { mouseDown(); });
}

void mouseEnter(Canvas& cell)
{
    using namespace ResourcePictures;
    copyMask(picture(BrightfoldBButton_Over), picture(BrightfoldBButton_Mask));
    cell.setPicture(picture(BrightfoldBButton_Over));
}

void mouseExit(Canvas& cell)
{
    using namespace ResourcePictures;
    copyMask(picture(BrightfoldBButton), picture(BrightfoldBButton_Mask));
    cell.setPicture(picture(BrightfoldBButton));
}

void mouseDown()
{
    QDesktopServices::openUrl(website());
}

} // namespace LogoCell
