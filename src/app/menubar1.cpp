#include "app/menubar1.h"

#include <QApplication>
#include <QMenu>
#include <QPointer>

MenuBar1* MenuBar1::instance()
{
    static QPointer<MenuBar1> menuBar;
    if (!menuBar)
        menuBar = new MenuBar1();
    return menuBar;
}

MenuBar1::MenuBar1()
{
    setObjectName(QStringLiteral("MenuBar1"));

    FileMenu = addMenu(QStringLiteral("&File"));
    FileMenu->setObjectName(QStringLiteral("FileMenu"));

    FileAboutLumigrid = FileMenu->addAction(QStringLiteral("About Lumigrid"));
    FileAboutLumigrid->setObjectName(QStringLiteral("FileAboutLumigrid"));
    FileAboutLumigrid->setMenuRole(QAction::AboutRole);

    FileSettings = FileMenu->addAction(QStringLiteral("Preferences..."));
    FileSettings->setObjectName(QStringLiteral("FileSettings"));
    FileSettings->setMenuRole(QAction::PreferencesRole);

    FileQuit = FileMenu->addAction(QStringLiteral("Quit"));
    FileQuit->setObjectName(QStringLiteral("FileQuit"));
    FileQuit->setMenuRole(QAction::QuitRole);
    // The platform's quit keys; where it has none (Windows), the Ctrl+Q
    // that is Cmd+Q on macOS.
    const QList<QKeySequence> quitKeys = QKeySequence::keyBindings(QKeySequence::Quit);
    if (quitKeys.isEmpty())
        FileQuit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    else
        FileQuit->setShortcuts(quitKeys);
    // Quit works from every window of the program, as it does where the
    // platform keeps it in the application menu.
    FileQuit->setShortcutContext(Qt::ApplicationShortcut);
    connect(FileQuit, &QAction::triggered, qApp, &QApplication::closeAllWindows);
}
