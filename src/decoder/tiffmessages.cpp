#include "decoder/tiffmessages.h"

#include <tiffio.h>
#include <vips/vips8>

#include <mutex>

void keepTiffMessagesFromImageMagick()
{
    static std::once_flag once;
    std::call_once(once, [] {
        vips_init("lumigrid");
        const TIFFErrorHandler error = TIFFSetErrorHandler(nullptr);
        TIFFSetErrorHandler(error);
        const TIFFErrorHandler warning = TIFFSetWarningHandler(nullptr);
        TIFFSetWarningHandler(warning);
        // The smallest TIFF header: ImageMagick loads its TIFF coder to
        // read it, and gives up.
        static const char header[] = "II*\0\x08\0\0\0\0\0";
        VipsBlob* blob = vips_blob_new(nullptr, header, sizeof header);
        try {
            vips::VImage::magickload_buffer(blob);
        } catch (const std::exception&) {
        }
        vips_area_unref(VIPS_AREA(blob));
        vips_error_clear();
        TIFFSetErrorHandler(error);
        TIFFSetWarningHandler(warning);
    });
}
