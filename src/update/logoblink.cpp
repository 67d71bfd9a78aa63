#include "update/logoblink.h"

#include "resources/resourcepictures.h"
#include "widgets/canvas.h"

namespace LogoBlink {

QImage& flashPicture()
{
    using namespace ResourcePictures;
    static bool masked = false;
    QImage& flash = picture(BrightfoldBButtonFlash);
    if (!masked) {
        copyMask(flash, picture(BrightfoldBButton_Mask));
        masked = true;
    }
    return flash;
}

bool showsNormalLogo(const Canvas& cell)
{
    // cacheKey is shared by copies of one picture and changes when it is
    // altered, so it names the shared picture and not just equal pixels.
    return cell.picture().cacheKey()
        == ResourcePictures::picture(ResourcePictures::BrightfoldBButton).cacheKey();
}

void swap(Canvas& cell)
{
    if (showsNormalLogo(cell))
        cell.setPicture(flashPicture());
    else
        cell.setPicture(ResourcePictures::picture(ResourcePictures::BrightfoldBButton));
}

} // namespace LogoBlink
