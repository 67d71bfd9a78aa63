#pragma once

#include "decoder/decoderprotocol.h"

#include <optional>

// What a helper runs for each request: the program's own thumbnail making
// (makeEntry with the thumbnail decoders) and the viewer's decoder
// (decodeForScreen), so a helper's answer is the in-process answer.
std::optional<HelperPicture> decodeThumbnailHere(const ThumbnailRequest& request);
std::optional<HelperPicture> decodeViewerPictureHere(const ViewerRequest& request);
