#include "settingsfixture.h"

#include "settings/beep.h"
#include "settings/dictionaryviewer.h"
#include "settings/settingsdocument.h"
#include "settings/window3.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>

namespace {

QString boxes(const Window3& window)
{
    QString text;
    for (const QCheckBox* box : window.boxes())
        text += box->isChecked() ? u'1' : u'0';
    return text;
}

void setBoxes(Window3& window, const char* values)
{
    int row = 0;
    for (QCheckBox* box : window.boxes())
        box->setChecked(values[row++] == '1');
}

bool windowGone(const QPointer<Window3>& window)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return window.isNull();
}

} // namespace

class TestWindow3 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void layout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("inWindow");
        QTest::addColumn<QString>("inside");
        QTest::newRow("GroupBox1") << "GroupBox1" << "Image types to show" << QRect(20, 14, 163, 132) << "Window3";
        QTest::newRow("CheckBox1") << "CheckBox1" << "JPEG" << QRect(32, 45, 54, 20) << "GroupBox1";
        QTest::newRow("CheckBox2") << "CheckBox2" << "PNG" << QRect(32, 77, 54, 20) << "GroupBox1";
        QTest::newRow("CheckBox3") << "CheckBox3" << "GIF" << QRect(32, 109, 54, 20) << "GroupBox1";
        QTest::newRow("GroupBox2") << "GroupBox2" << "Thumbnail settings" << QRect(202, 14, 188, 132) << "Window3";
        QTest::newRow("CheckBox4") << "CheckBox4" << "Constrain proportions" << QRect(214, 45, 165, 20) << "GroupBox2";
        QTest::newRow("BevelButton1") << "BevelButton1" << "Cancel" << QRect(258, 166, 60, 22) << "Window3";
        QTest::newRow("BevelButton2") << "BevelButton2" << "Save" << QRect(330, 166, 60, 22) << "Window3";
        QTest::newRow("CheckBox5") << "CheckBox5" << "Check for updates on launch" << QRect(20, 166, 205, 20) << "Window3";
        QTest::newRow("DictionaryViewer1") << "DictionaryViewer1" << "" << QRect(429, -18, 100, 100) << "Window3";
        QTest::newRow("CheckBox6") << "CheckBox6" << "TIFF" << QRect(122, 45, 53, 20) << "GroupBox1";
        QTest::newRow("CheckBox7") << "CheckBox7" << "PSD" << QRect(122, 77, 53, 20) << "GroupBox1";
        QTest::newRow("CheckBox8") << "CheckBox8" << "PDF" << QRect(122, 109, 53, 20) << "GroupBox1";
    }
    void layout()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, inside);
        SettingsFixture fixture;
        Window3 window(fixture.fields());
        QCOMPARE(window.windowTitle(), QStringLiteral("Settings"));
        QCOMPARE(window.size(), QSize(410, 208));
        QWidget* control = window.findChild<QWidget*>(name);
        QVERIFY(control);
        QTEST(QRect(control->mapTo(&window, QPoint(0, 0)), control->size()), "inWindow");
        const QString parent = control->parentWidget() == &window ? QStringLiteral("Window3") : control->parentWidget()->objectName();
        QCOMPARE(parent, inside);
        if (auto* box = qobject_cast<QCheckBox*>(control))
            QCOMPARE(box->text(), caption);
        else if (auto* button = qobject_cast<QPushButton*>(control))
            QCOMPARE(button->text(), caption);
        else if (auto* group = qobject_cast<QGroupBox*>(control))
            QCOMPARE(group->title(), caption);
        else
            QVERIFY(control->isHidden());
    }

    // Opening reads the document into the boxes and the fields at once,
    // whatever the fields held, and touches nothing else.
    void openReadsTheDocument_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QString>("values");
        QTest::addColumn<bool>("beeps");
        QTest::newRow("first-run document") << documentFor("11010000") << "11010000" << false;
        QTest::newRow("changed by another program") << documentFor("00101110") << "00101110" << false;
        QTest::newRow("five keys: the rest read false")
            << QByteArray("<plist version=\"1.0\"><dict><key>jpeg</key><true/><key>png</key><true/><key>gif</key><true/>"
                          "<key>constrain</key><true/><key>updates</key><true/></dict></plist>")
            << "11111000" << false;
        QTest::newRow("refused") << QByteArray("<plist version=\"2.0\"><dict><key>jpeg</key><true/></dict></plist>")
                                 << "00000000" << true;
    }
    void openReadsTheDocument()
    {
        QFETCH(QByteArray, document);
        QFETCH(QString, values);
        QFETCH(bool, beeps);
        SettingsFixture fixture;
        fixture.setDocument(document);
        for (auto& setting : fixture.settings)
            setting = true;
        const int rings = Beep::count();
        Window3 window(fixture.fields());
        QCOMPARE(boxes(window), values);
        QCOMPARE(fixture.switches(), values);
        QCOMPARE(Beep::count(), rings + (beeps ? 1 : 0));
        QVERIFY(fixture.document() == document);
        QCOMPARE(fixture.countsettings, 0);
    }

    void missingDocumentReadsAllFalse()
    {
        SettingsFixture fixture;
        const int rings = Beep::count();
        Window3 window(fixture.fields());
        QCOMPARE(boxes(window), QStringLiteral("00000000"));
        QCOMPARE(Beep::count(), rings + 1);
        QVERIFY(fixture.document().isEmpty());
    }

    void saveStoresTheBoxesAndCloses()
    {
        SettingsFixture fixture;
        fixture.setDocument(documentFor("11010000"));
        QPointer<Window3> window = new Window3(fixture.fields());
        window->show();
        window->CheckBox3->click();
        window->CheckBox5->click();
        QCOMPARE(fixture.switches(), QStringLiteral("11010000"));
        window->BevelButton2->click();
        QCOMPARE(fixture.switches(), QStringLiteral("11111000"));
        QCOMPARE(fixture.document(), documentFor("11111000"));
        QVERIFY(windowGone(window));
    }

    void cancelLeavesFieldsAndDocument()
    {
        SettingsFixture fixture;
        fixture.setDocument(documentFor("11010000"));
        QPointer<Window3> window = new Window3(fixture.fields());
        window->show();
        setBoxes(*window, "00101111");
        window->BevelButton1->click();
        QVERIFY(windowGone(window));
        QCOMPARE(fixture.switches(), QStringLiteral("11010000"));
        QCOMPARE(fixture.document(), documentFor("11010000"));

        window = new Window3(fixture.fields());
        QCOMPARE(boxes(*window), QStringLiteral("11010000"));
        setBoxes(*window, "00000000");
        window->close(); // the close control is Cancel
        QVERIFY(windowGone(window));
        QCOMPARE(fixture.document(), documentFor("11010000"));
    }

    void oneInstanceAtATime()
    {
        SettingsFixture fixture;
        fixture.setDocument(documentFor("10000000"));
        SettingsFields::setMainWindow(fixture.fields());
        QPointer<Window3> first = Window3::instance();
        first->show();
        // Showing the open window again does not read the document again.
        fixture.setDocument(documentFor("01000000"));
        QCOMPARE(Window3::instance(), first.data());
        QCOMPARE(boxes(*first), QStringLiteral("10000000"));
        first->close();
        QVERIFY(windowGone(first));

        Window3* second = Window3::instance();
        QCOMPARE(boxes(*second), QStringLiteral("01000000"));
        QCOMPARE(fixture.switches(), QStringLiteral("01000000"));
        second->close();
        SettingsFields::setMainWindow(SettingsFields());
    }

    void mainWindowGoneIsNoCrash()
    {
        SettingsFixture fixture;
        fixture.setDocument(documentFor("10000000"));
        auto owner = std::make_unique<QObject>();
        SettingsFields fields = fixture.fields();
        fields.owner = owner.get();
        Window3 window(fields);
        owner.reset();
        window.CheckBox2->setChecked(true);
        window.BevelButton2->click();
        QCOMPARE(fixture.document(), documentFor("11000000"));
        QCOMPARE(fixture.switches(), QStringLiteral("10000000"));
    }
};

QTEST_MAIN(TestWindow3)
#include "test_window3.moc"
