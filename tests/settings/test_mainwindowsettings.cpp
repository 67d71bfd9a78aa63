#include "settingsfixture.h"

#include "app/window1.h"
#include "settings/dictionaryviewer.h"
#include "settings/settingsdocument.h"
#include "settings/window3.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

QString switches(const Window1& window)
{
    QString text;
    for (const std::atomic<bool>* field : { &window.settingsjpeg, &window.settingspng, &window.settingsgif,
             &window.settingsprop, &window.settingsupdates, &window.settingstiff, &window.settingspsd,
             &window.settingspdf })
        text += field->load() ? u'1' : u'0';
    return text;
}

} // namespace

// The main window's opening sequence loads the settings, and the settings
// window reaches the main window's fields.
class TestMainWindowSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void hiddenList()
    {
        SettingsFixture fixture;
        Window1 window(1024);
        QCOMPARE(window.DictionaryViewer1->geometry(), QRect(740, -19, 100, 100));
        QVERIFY(window.DictionaryViewer1->isHidden());
        QCOMPARE(window.DictionaryViewer1->font().pixelSize(), 12);
    }

    void firstAndSecondRun()
    {
        SettingsFixture fixture;
        {
            Window1 window(1024);
            QCOMPARE(switches(window), QStringLiteral("11010000"));
            QCOMPARE(window.countsettings, 0);
            QVERIFY(!window.updatesTimer->isActive());
        }
        QCOMPARE(fixture.document(), documentFor("11010000"));
        Window1 window(1024);
        QCOMPARE(window.countsettings, 8);
        QCOMPARE(window.DictionaryViewer1->rowCount(), 8);
        QCOMPARE(switches(window), QStringLiteral("11010000"));
    }

    void migrationWithUpdatesArmsTheTimer()
    {
        SettingsFixture fixture;
        fixture.setDocument("<plist version=\"1.0\"><dict><key>jpeg</key><false/><key>png</key><true/>"
                            "<key>gif</key><true/><key>constrain</key><false/><key>updates</key><true/></dict></plist>");
        Window1 window(1024);
        QCOMPARE(window.countsettings, 5);
        QCOMPARE(switches(window), QStringLiteral("01101000"));
        QCOMPARE(fixture.document(), documentFor("01101000"));
        QVERIFY(window.updatesTimer->isActive());
        window.updatesTimer->stop();
    }

    void settingsWindowChangesTheMainWindow()
    {
        SettingsFixture fixture;
        Window1 window(1024);
        Window3* settings = Window3::instance();
        QCOMPARE(settings->CheckBox1->isChecked(), true);
        settings->CheckBox3->setChecked(true);
        settings->BevelButton2->click();
        QVERIFY(window.settingsgif);
        QCOMPARE(fixture.document(), documentFor("11110000"));
    }
};

QTEST_MAIN(TestMainWindowSettings)
#include "test_mainwindowsettings.moc"
