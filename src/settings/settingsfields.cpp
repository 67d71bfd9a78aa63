#include "settings/settingsfields.h"

namespace {
SettingsFields& mainWindowFields()
{
    static SettingsFields fields;
    return fields;
}
} // namespace

void SettingsFields::set(int row, bool value) const
{
    if (valid() && row >= 0 && row < count && switches[row])
        switches[row]->store(value);
}

bool SettingsFields::get(int row) const
{
    return valid() && row >= 0 && row < count && switches[row] && switches[row]->load();
}

void SettingsFields::setMainWindow(const SettingsFields& fields)
{
    mainWindowFields() = fields;
}

SettingsFields SettingsFields::mainWindow()
{
    return mainWindowFields();
}
