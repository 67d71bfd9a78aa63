#pragma once

#include <functional>

namespace Module1 {

// Puts catalogue entry clickedpic on the viewer (Window2::instance()): reads
// the main screen's size, decodes the file afresh, shrunk to the screen, in a
// decoder helper (DecoderPool::shared()), and centres it on the viewer's
// Canvas1. An empty path closes the viewer without a word. A file that
// cannot be decoded shows the alert "This file doesn't exist anymore" and
// leaves the canvas as it was; clickedpic is not restored. Interface thread
// only.
void changepicture();

// Replaces the modal alert, so tests need not answer it; an empty function
// brings the modal alert back.
void setMissingFileAlert(std::function<void()> alert);

} // namespace Module1
