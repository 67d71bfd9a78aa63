#pragma once

#include <QPointer>
#include <array>
#include <atomic>

class QObject;

// Where the settings live in memory: the main window's eight switches in
// the order of the document's keys ("jpeg", "png", "gif", "constrain",
// "updates", "tiff", "psd", "pdf") and its countsettings. The owner is the
// object the fields belong to; once it is gone the fields are not touched.
struct SettingsFields {
    static constexpr int count = 8;

    QPointer<QObject> owner;
    std::array<std::atomic<bool>*, count> switches {};
    int* countsettings = nullptr;

    bool valid() const { return owner && countsettings; }
    // Sets switch row (0 ... 7) when the fields are still there.
    void set(int row, bool value) const;
    bool get(int row) const;

    // The main window's fields, which the settings window reads and writes.
    static void setMainWindow(const SettingsFields& fields);
    static SettingsFields mainWindow();
};
