#include "catalogue/typefilter.h"

bool typeFilter(const QString& name, const TypeSettings& types, bool& isjpeg)
{
    if (!(types.jpeg || types.png || types.gif || types.tiff || types.psd || types.pdf))
        return false;
    const QString ending = name.right(4).toUpper();
    struct Row {
        bool enabled;
        const char16_t* ending;
        bool jpeg;
    };
    // Tested in this order; every matching row sets the flags, so the last
    // match decides isjpeg (the endings are all different, so at most one does).
    // A PDF's first page is rendered by the importer, so the PDF switch
    // admits ".PDF" through the non-JPEG paths.
    const Row rows[] = {
        {types.jpeg, u".JPG", true},
        {types.png, u".PNG", false},
        {types.jpeg, u"JPEG", true},
        {types.gif, u".GIF", false},
        {types.tiff, u"TIFF", false},
        {types.tiff, u".TIF", false},
        {types.psd, u".PSD", false},
        {types.pdf, u".PDF", false},
    };
    bool accepted = false;
    for (const Row& row : rows) {
        if (row.enabled && ending == QStringView(row.ending)) {
            accepted = true;
            isjpeg = row.jpeg;
        }
    }
    return accepted;
}
