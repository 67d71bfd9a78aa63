#pragma once

#include "catalogue/thumbnailmaker.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <optional>

class DecoderPool;

// The program's decoding, done in the pool's helper processes: each gives
// what its in-process counterpart gives, except that a file that crashes,
// hangs or exhausts its helper gives no picture. Only when no helper can be
// started at all (not installed) does the decoding run in-process. Safe to
// call from any thread; each call blocks until a helper has answered.

// makeEntry(file, constrain, Decoders::forThumbnails()), in a helper.
std::optional<CatalogueEntry> makeEntryInHelper(DecoderPool& pool, const AcceptedFile& file, bool constrain);

// decodeForScreen(path, screen), in a helper. The viewer's call goes ahead
// of waiting thumbnails, so from the interface thread it waits at most a
// few time limits (DecoderPool::Options::timeLimit).
QImage decodeForScreenInHelper(DecoderPool& pool, const QByteArray& path, QSize screen);
