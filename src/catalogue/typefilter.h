#pragma once

#include <QString>

// Which picture types a scan collects, as the settings switches give them.
struct TypeSettings {
    bool jpeg = false;
    bool png = false;
    bool gif = false;
    bool tiff = false;
    bool psd = false;
    bool pdf = false;
};

// Decides by name alone whether a folder item is a picture to collect: the
// last four characters of the name (the whole name when shorter), upper-cased,
// against the enabled types. Returns whether the name is accepted; isjpeg is
// set when a type matches and left as it was otherwise. So holiday.jpeg and
// MYJPEG count as JPEG files, scan.TIFF as TIFF.
bool typeFilter(const QString& name, const TypeSettings& types, bool& isjpeg);
