#pragma once

#include "catalogue/catalogue.h"
#include "catalogue/imagedecoders.h"

#include <optional>

// Size classes of an accepted file, by its length in bytes. A file of
// exactly 10,240 or exactly 1,024,000 bytes is medium.
enum class SizeClass { small, medium, large };
SizeClass sizeClass(qint64 length);

// A file the type filter accepted.
struct AcceptedFile {
    QByteArray path;  // absolute path bytes
    QString name;     // as the folder lists it, for display
    bool isjpeg = false;
};

// Decoding, the stage from an accepted file to a catalogue entry: the
// decoder follows the size class and isjpeg; the entry holds the full pixel
// size, the name, the thumbnail and the path. No entry when no decoder gives
// a picture (the file vanished, is unreadable or is not a picture). Touches
// nothing but the file, so it may run on any thread.
std::optional<CatalogueEntry> makeEntry(const AcceptedFile& file, bool constrain, const Decoders& decoders);

// The decoding alone, without the thumbnail.
DecodedPicture decodeAccepted(const AcceptedFile& file, const Decoders& decoders);
