#pragma once

#include <QByteArray>
#include <functional>

// Showing a file selected in the desktop's file manager.
namespace Reveal {

// Asks the file manager over D-Bus (org.freedesktop.FileManager1.ShowItems)
// to show the file selected; where no file manager answers there, opens the
// folder holding it instead. failed runs, on the interface thread, when
// neither could be done. Returns at once; the answer comes later.
void showInFileManager(const QByteArray& path, std::function<void()> failed);

} // namespace Reveal
