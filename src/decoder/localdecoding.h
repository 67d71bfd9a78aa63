#pragma once

#include "decoder/decoderprotocol.h"

#include <optional>

// The program's own decode functions, as the helper runs them and as the
// program would run them without helpers: the same code on both sides, so a
// helper's answer is the in-process answer.
std::optional<DecodedPicture> decodeThumbnailHere(const ThumbnailRequest& request);
std::optional<DecodedPicture> decodeViewerPictureHere(const ViewerRequest& request);
