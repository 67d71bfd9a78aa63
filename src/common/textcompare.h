#pragma once

#include <QStringView>

// The program's one rule for comparing texts it reads back (folder names,
// the button caption, "True" in the settings rows, XML element names):
// letter case is ignored.
bool sameText(QStringView a, QStringView b);
