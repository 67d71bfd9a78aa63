#pragma once

#include "settings/settingsfields.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <array>
#include <atomic>

// A preferences folder of the test's own and a stand-in for the main
// window's settings fields.
class SettingsFixture {
public:
    SettingsFixture();
    ~SettingsFixture();

    QString folder() const { return m_folder.path(); }
    QString documentPath() const;
    QByteArray document() const;  // the file's bytes, empty when there is none
    void setDocument(const QByteArray& bytes) const;

    SettingsFields fields();
    // The eight switches as "10110000", in the order of the keys.
    QString switches() const;

    QObject owner;
    std::array<std::atomic<bool>, 8> settings {};
    int countsettings = 0;

private:
    QTemporaryDir m_folder;
    QByteArray m_previousConfigHome;
};

// The document as the program writes it for eight values given as "10110000".
QByteArray documentFor(const char* values);
