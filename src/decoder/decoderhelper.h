#pragma once

#include "decoder/decoderprotocol.h"

#include <functional>
#include <optional>

// The decode functions a helper serves: each returns the decoded picture, or
// nothing when the file gives no picture.
struct DecoderHandlers {
    std::function<std::optional<HelperPicture>(const ThumbnailRequest&)> thumbnail;
    std::function<std::optional<HelperPicture>(const ViewerRequest&)> viewer;
};

// The whole life of a lumigrid-decoder helper: limits its own address space
// (--memory-limit=BYTES), maps the shared pixel area it was given
// (--pixels-fd=N), dies with the program that started it, says hello,
// then answers requests from stdin on stdout until stdin ends. A malformed
// request ends the helper; so does a decode that throws, without an answer,
// as a crash would: the program then gives that file no picture and the next
// one a fresh helper. Returns the exit code.
int runDecoderHelper(int argc, char** argv, const DecoderHandlers& handlers);
