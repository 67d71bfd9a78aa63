#pragma once

#include <QString>
#include <array>
#include <optional>

class DictionaryViewer;
struct SettingsFields;

// The settings document: "com.brightfold.Lumigrid.plist" in the user's
// preferences folder, a property list of eight booleans, stored in
// Windows-1252 with four spaces for every tab.
class SettingsDocument {
public:
    using Values = std::array<bool, 8>;

    // The keys in the order they are written; the rows of a loaded document
    // map to the fields by this position, never by name.
    static constexpr std::array<const char*, 8> keys { "jpeg", "png", "gif", "constrain", "updates", "tiff", "psd",
        "pdf" };
    static constexpr Values firstRunDefaults { true, true, false, true, false, false, false, false };

    static QString fileName() { return QStringLiteral("com.brightfold.Lumigrid.plist"); }
    static QString path();

    // The whole document for the values, as it is stored (before encoding).
    static QString text(const Values& values);
    // Replaces the document atomically: a failed write (full disk,
    // read-only folder, no folder) leaves the old file as it was, beeps and
    // returns false.
    static bool write(const Values& values);
    // The document's text, decoded from Windows-1252; none when it is
    // missing, cannot be read or is too large to be a settings document.
    static std::optional<QString> read();

    // Reads the document into the viewer's rows; beeps and returns false,
    // leaving the viewer as it was, when it is missing or refused.
    static bool loadInto(DictionaryViewer& viewer);

    // The main window's load step: on first run writes the defaults and sets
    // the fields to them; otherwise loads the document into the hidden
    // viewer and sets countsettings to its row count, and the fields from
    // rows 0 to 7 when it holds 8 rows, or from rows 0 to 4 when it holds
    // the 5 rows of the older layout, which is then rewritten with 8 keys.
    static void load(const SettingsFields& fields, DictionaryViewer& viewer);

    // Whether the viewer's row reads "True" in its value column.
    static bool rowIsTrue(const DictionaryViewer& viewer, int row);
};
