#include "settings/settingsdocument.h"

#include "common/textcompare.h"
#include "settings/beep.h"
#include "settings/dictionary.h"
#include "settings/dictionaryviewer.h"
#include "settings/settingsfields.h"
#include "settings/xmldictionary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

const char encoding[] = "windows-1252";

} // namespace

QString SettingsDocument::path()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)).filePath(fileName());
}

QString SettingsDocument::text(const Values& values)
{
    Dictionary settings;
    for (std::size_t row = 0; row < keys.size(); ++row)
        settings.setValue(keys[row], values[row]);
    return XMLDictionary::ExportXMLString(settings, true).replace(u'\t', QStringLiteral("    "));
}

bool SettingsDocument::write(const Values& values)
{
    QStringEncoder toWindows1252(encoding);
    const QByteArray bytes = toWindows1252(text(values));

    const QString target = path();
    QSaveFile file(target);
    // Unbuffered, so that a short write (full disk, file size limit) shows
    // in write()'s count: Qt 6.4's buffered QSaveFile commits such a
    // truncated file and reports success.
    const bool written = QDir().mkpath(QFileInfo(target).absolutePath())
        && file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(bytes) == bytes.size()
        && file.commit();
    if (!written) {
        file.cancelWriting();
        Beep::ring();
    }
    return written;
}

std::optional<QString> SettingsDocument::read()
{
    QFile file(path());
    if (file.size() > XMLDictionary::maximumTextLength || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.read(XMLDictionary::maximumTextLength + 1);
    if (bytes.size() > XMLDictionary::maximumTextLength)
        return std::nullopt;
    QStringDecoder fromWindows1252(encoding);
    return QString(fromWindows1252(bytes));
}

bool SettingsDocument::loadInto(DictionaryViewer& viewer)
{
    const std::optional<QString> document = read();
    Dictionary settings;
    if (!document || !XMLDictionary::LoadXML(settings, *document)) {
        Beep::ring();
        return false;
    }
    viewer.Populate(settings);
    return true;
}

void SettingsDocument::load(const SettingsFields& fields, DictionaryViewer& viewer)
{
    if (!fields.valid())
        return;
    if (!QFileInfo::exists(path())) {
        write(firstRunDefaults);
        for (int row = 0; row < SettingsFields::count; ++row)
            fields.set(row, firstRunDefaults[std::size_t(row)]);
        return;
    }

    if (loadInto(viewer))
        *fields.countsettings = viewer.rowCount();
    const int rows = *fields.countsettings;
    if (rows != 8 && rows != 5)
        return;
    for (int row = 0; row < rows; ++row)
        fields.set(row, rowIsTrue(viewer, row));
    if (rows == 5) {
        Values values {};
        for (int row = 0; row < SettingsFields::count; ++row)
            values[std::size_t(row)] = fields.get(row);
        write(values);
    }
}

bool SettingsDocument::rowIsTrue(const DictionaryViewer& viewer, int row)
{
    return row < viewer.rowCount() && sameText(viewer.cell(row, DictionaryViewer::ValueColumn), u"True");
}
