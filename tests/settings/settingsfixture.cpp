#include "settingsfixture.h"

#include "settings/settingsdocument.h"

#include <QFile>

SettingsFixture::SettingsFixture()
    : m_previousConfigHome(qgetenv("XDG_CONFIG_HOME"))
{
    qputenv("XDG_CONFIG_HOME", m_folder.path().toLocal8Bit());
}

SettingsFixture::~SettingsFixture()
{
    qputenv("XDG_CONFIG_HOME", m_previousConfigHome);
}

QString SettingsFixture::documentPath() const
{
    return m_folder.filePath(SettingsDocument::fileName());
}

QByteArray SettingsFixture::document() const
{
    QFile file(documentPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void SettingsFixture::setDocument(const QByteArray& bytes) const
{
    QFile file(documentPath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

SettingsFields SettingsFixture::fields()
{
    SettingsFields fields;
    fields.owner = &owner;
    for (int row = 0; row < 8; ++row)
        fields.switches[std::size_t(row)] = &settings[std::size_t(row)];
    fields.countsettings = &countsettings;
    return fields;
}

QString SettingsFixture::switches() const
{
    QString text;
    for (const auto& setting : settings)
        text += setting.load() ? u'1' : u'0';
    return text;
}

QByteArray documentFor(const char* values)
{
    SettingsDocument::Values flags {};
    for (std::size_t row = 0; row < flags.size(); ++row)
        flags[row] = values[row] == '1';
    return SettingsDocument::text(flags).toLatin1();
}
