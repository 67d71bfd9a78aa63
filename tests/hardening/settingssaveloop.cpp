// Saves the settings document over and over, alternating two sets of
// values, until it is killed; prints "saving" once the first save is done,
// so that a kill after that lands in the middle of some save. With
// "--print 0" or "--print 1" it prints the bytes the document holds after a
// save of that set instead, and ends.
#include "settings/settingsdocument.h"

#include <QGuiApplication>
#include <QStringEncoder>

#include <cstdio>
#include <cstring>

namespace {

SettingsDocument::Values values(int which)
{
    SettingsDocument::Values set = SettingsDocument::firstRunDefaults;
    if (which == 1) {
        for (bool& value : set)
            value = !value;
    }
    return set;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--print") == 0) {
        QStringEncoder toWindows1252("windows-1252");
        const QByteArray bytes = toWindows1252(SettingsDocument::text(values(std::atoi(argv[2]) == 1 ? 1 : 0)));
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        return 0;
    }
    for (unsigned save = 0;; ++save) {
        if (!SettingsDocument::write(values(int(save % 2))))
            return 1;
        if (save == 0) {
            std::puts("saving");
            std::fflush(stdout);
        }
    }
}
