#include "about/window4.h"
#include "app/menubar1.h"
#include "app/window1.h"
#include "settings/window3.h"
#include "widgets/canvas.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>

namespace {

template <typename W>
int openWindows()
{
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<W*>(widget) && widget->isVisible())
            ++count;
    return count;
}

} // namespace

class TestMenuBar1 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void itemsAndRoles()
    {
        Window1 window(1024);
        auto* menus = qobject_cast<MenuBar1*>(window.menuBar());
        QVERIFY(menus);
        QCOMPARE(menus, MenuBar1::instance());
        QCOMPARE(menus->findChild<QMenu*>(QStringLiteral("FileMenu")), menus->FileMenu);
        QCOMPARE(menus->FileMenu->title(), QStringLiteral("&File"));
        QCOMPARE(menus->actions(), QList<QAction*>{menus->FileMenu->menuAction()});

        const QList<QAction*> items = menus->FileMenu->actions();
        QCOMPARE(items.size(), 3);
        const struct {
            const char* name;
            const char* text;
            QAction::MenuRole role;
        } expected[] = {
            {"FileAboutLumigrid", "About Lumigrid", QAction::AboutRole},
            {"FileSettings", "Preferences...", QAction::PreferencesRole},
            {"FileQuit", "Quit", QAction::QuitRole},
        };
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(items[i]->objectName(), QString::fromLatin1(expected[i].name));
            QCOMPARE(items[i]->text(), QString::fromLatin1(expected[i].text));
            QCOMPARE(items[i]->menuRole(), expected[i].role);
            QVERIFY(items[i]->isEnabled());
        }
        QVERIFY(menus->FileAboutLumigrid->shortcut().isEmpty());
        QVERIFY(menus->FileSettings->shortcut().isEmpty());
        const QList<QKeySequence> quitKeys = QKeySequence::keyBindings(QKeySequence::Quit);
        QCOMPARE(menus->FileQuit->shortcuts(),
            quitKeys.isEmpty() ? QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Q)} : quitKeys);
        QCOMPARE(menus->FileQuit->shortcutContext(), Qt::ApplicationShortcut);
#ifdef Q_OS_MACOS
        QVERIFY(!menus->FileMenu->menuAction()->isVisible());
#else
        // Without an application menu the File menu is the only way to the
        // three commands.
        QVERIFY(menus->FileMenu->menuAction()->isVisible());
#endif
    }

    void aboutTwiceShowsOneWindow()
    {
        Window1 window(1024);
        window.show();
        MenuBar1* menus = MenuBar1::instance();
        menus->FileAboutLumigrid->trigger();
        QPointer<Window4> about = Window4::instance();
        QVERIFY(about->isVisible());
        about->Timer1->stop();
        about->timer1Action();
        menus->FileAboutLumigrid->trigger();
        QCOMPARE(Window4::instance(), about.data());
        QCOMPARE(openWindows<Window4>(), 1);
        QCOMPARE(about->Canvas2->mapTo(about, QPoint(0, 0)).y(), 94);
        about->close();
        QTRY_VERIFY(about.isNull());
    }

    void preferencesTwiceShowsOneWindow()
    {
        Window1 window(1024);
        window.show();
        MenuBar1* menus = MenuBar1::instance();
        menus->FileSettings->trigger();
        QPointer<Window3> settings = Window3::instance();
        QVERIFY(settings->isVisible());
        menus->FileSettings->trigger();
        QCOMPARE(Window3::instance(), settings.data());
        QCOMPARE(openWindows<Window3>(), 1);
        settings->close();
        QTRY_VERIFY(settings.isNull());
    }

    // Quit closes the windows; closing the main window ends the program with 0.
    void quitEndsWithCodeZero()
    {
        Window1 window(1024);
        window.show();
        MenuBar1::instance()->FileAboutLumigrid->trigger();
        QPointer<Window4> about = Window4::instance();

        QEventLoop loop;
        QTimer::singleShot(0, MenuBar1::instance()->FileQuit, &QAction::trigger);
        QTimer::singleShot(10000, &loop, [&loop] { loop.exit(99); });
        QCOMPARE(loop.exec(), 0);
        QVERIFY(!window.isVisible());
        QTRY_VERIFY(about.isNull());
    }
};

QTEST_MAIN(TestMenuBar1)
#include "test_menubar1.moc"
