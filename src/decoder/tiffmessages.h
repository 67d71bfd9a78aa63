#pragma once

// ImageMagick's TIFF coder, the first time it is loaded, puts its own
// libtiff error and warning handlers in place for the whole process. They
// report into the exception of the last ImageMagick TIFF read on the calling
// thread, which is freed by then (libvips hands every damaged TIFF to
// ImageMagick), so the next libtiff message from any other reader (Qt's TIFF
// plugin, libvips's own loader) aborts the process on a failed assertion.
//
// Loads the coder once and puts back the handlers that were there before;
// ImageMagick never sets them again in this process. Call before the first
// decode; later calls do nothing. Thread-safe.
void keepTiffMessagesFromImageMagick();
