#pragma once

#include <QMenuBar>

class QAction;
class QMenu;

// The program's menu bar: a File menu with the about, preferences and quit
// items. On macOS the three move into the application menu, which leaves the
// File menu empty; elsewhere they stay in it. Quit closes every window, and
// closing the main window ends the program. The main window handles About
// and Preferences.
class MenuBar1 : public QMenuBar {
    Q_OBJECT
public:
    // The one menu bar, created on first use. The window that takes it with
    // setMenuBar owns it; once that window is gone the next call makes a new
    // one.
    static MenuBar1* instance();

    QMenu* FileMenu = nullptr;
    QAction* FileAboutLumigrid = nullptr;
    QAction* FileSettings = nullptr;
    QAction* FileQuit = nullptr;

private:
    MenuBar1();
};
