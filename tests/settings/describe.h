#pragma once

#include "settings/variant.h"

#include <QString>

class Dictionary;

// A dictionary or value as one line of text that names every kind, for
// comparing what a document read back into with what was written:
// {"a": int 1, "b": [string "x", true], "c": {}}.
QString describe(const Variant& value);
QString describe(const Dictionary& dictionary);
