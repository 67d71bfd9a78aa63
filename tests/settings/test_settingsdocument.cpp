#include "settingsfixture.h"

#include "settings/beep.h"
#include "settings/dictionaryviewer.h"
#include "settings/settingsdocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <csignal>
#include <sys/resource.h>

namespace {

const QByteArray firstRunDocument = "<?xml version=\"1.0\"?>\n"
                                    "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
                                    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                                    "<plist version=\"1.0\">\n"
                                    "<dict>\n"
                                    "    <key>jpeg</key>\n"
                                    "    <true/>\n"
                                    "    <key>png</key>\n"
                                    "    <true/>\n"
                                    "    <key>gif</key>\n"
                                    "    <false/>\n"
                                    "    <key>constrain</key>\n"
                                    "    <true/>\n"
                                    "    <key>updates</key>\n"
                                    "    <false/>\n"
                                    "    <key>tiff</key>\n"
                                    "    <false/>\n"
                                    "    <key>psd</key>\n"
                                    "    <false/>\n"
                                    "    <key>pdf</key>\n"
                                    "    <false/>\n"
                                    "</dict>\n"
                                    "</plist>\n";

QByteArray plistOf(const QByteArray& entries, const QByteArray& version = "1.0")
{
    return "<?xml version=\"1.0\"?>\n<plist version=\"" + version + "\">\n<dict>\n" + entries + "</dict>\n</plist>\n";
}

QByteArray entries(std::initializer_list<std::pair<const char*, const char*>> keysAndValues)
{
    QByteArray text;
    for (const auto& [key, value] : keysAndValues)
        text += QByteArray("    <key>") + key + "</key>\n    " + value + "\n";
    return text;
}

// Makes writes beyond a few bytes fail as on a full disk, for root too.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }

private:
    rlimit m_previous {};
    void (*m_previousHandler)(int) = nullptr;
};

} // namespace

class TestSettingsDocument : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstRunWritesTheDefaults()
    {
        SettingsFixture fixture;
        DictionaryViewer viewer;
        const int beeps = Beep::count();
        SettingsDocument::load(fixture.fields(), viewer);
        QCOMPARE(fixture.document(), firstRunDocument);
        QCOMPARE(fixture.document().count('\n'), 22);
        QCOMPARE(fixture.switches(), QStringLiteral("11010000"));
        QCOMPARE(fixture.countsettings, 0);
        QCOMPARE(viewer.rowCount(), 0);
        QCOMPARE(Beep::count(), beeps);
        QCOMPARE(SettingsDocument::path(), fixture.documentPath());
    }

    void firstRunMakesTheFolder()
    {
        SettingsFixture fixture;
        const QString folder = fixture.folder() + QStringLiteral("/not/yet");
        qputenv("XDG_CONFIG_HOME", folder.toLocal8Bit());
        DictionaryViewer viewer;
        SettingsDocument::load(fixture.fields(), viewer);
        QFile file(folder + u'/' + SettingsDocument::fileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), firstRunDocument);
    }

    void secondRunReadsWithoutWriting()
    {
        SettingsFixture fixture;
        fixture.setDocument(documentFor("10011001"));
        const QDateTime written = QDateTime::currentDateTimeUtc().addDays(-3);
        {
            QFile file(fixture.documentPath());
            QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(written, QFileDevice::FileModificationTime));
        }
        DictionaryViewer viewer;
        SettingsDocument::load(fixture.fields(), viewer);
        QCOMPARE(fixture.countsettings, 8);
        QCOMPARE(viewer.rowCount(), 8);
        QCOMPARE(fixture.switches(), QStringLiteral("10011001"));
        QCOMPARE(fixture.document(), documentFor("10011001"));
        QCOMPARE(QFileInfo(fixture.documentPath()).lastModified().toUTC(), written);
    }

    void olderFiveKeyLayoutIsMigrated()
    {
        SettingsFixture fixture;
        fixture.setDocument(plistOf(entries({ { "jpeg", "<true/>" }, { "png", "<false/>" }, { "gif", "<true/>" },
            { "constrain", "<false/>" }, { "updates", "<true/>" } })));
        DictionaryViewer viewer;
        SettingsDocument::load(fixture.fields(), viewer);
        QCOMPARE(fixture.countsettings, 5);
        QCOMPARE(fixture.switches(), QStringLiteral("10101000"));
        QCOMPARE(fixture.document(), documentFor("10101000"));
    }

    void refusedDocumentBeepsAndStaysAsItWas_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray eightTrue = entries({ { "jpeg", "<true/>" }, { "png", "<true/>" }, { "gif", "<true/>" },
            { "constrain", "<true/>" }, { "updates", "<true/>" }, { "tiff", "<true/>" }, { "psd", "<true/>" },
            { "pdf", "<true/>" } });
        QTest::newRow("version 2.0") << plistOf(eightTrue, "2.0");
        QTest::newRow("not XML") << QByteArray("jpeg=true\npng=true\n");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("array before dict") << QByteArray("<plist version=\"1.0\"><array/><dict>" + eightTrue + "</dict></plist>");
        QTest::newRow("nested too deep")
            << plistOf("<key>k</key>" + QByteArray("<array>").repeated(300) + QByteArray("</array>").repeated(300));
        QTest::newRow("too large") << plistOf(eightTrue + QByteArray(17 * 1024 * 1024, ' '));
    }
    void refusedDocumentBeepsAndStaysAsItWas()
    {
        QFETCH(QByteArray, bytes);
        SettingsFixture fixture;
        fixture.setDocument(bytes);
        DictionaryViewer viewer;
        const int beeps = Beep::count();
        SettingsDocument::load(fixture.fields(), viewer);
        QCOMPARE(Beep::count(), beeps + 1);
        QCOMPARE(fixture.switches(), QStringLiteral("00000000"));
        QCOMPARE(fixture.countsettings, 0);
        QCOMPARE(viewer.rowCount(), 0);
        QVERIFY(fixture.document() == bytes);
    }

    // The rows set the fields by position; only "True" (any letter case)
    // switches a field on, whatever kind of value shows it.
    void rowsSetFieldsByPosition_data()
    {
        QTest::addColumn<QByteArray>("entries");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("switches");
        QTest::newRow("gif first") << entries({ { "gif", "<true/>" }, { "jpeg", "<false/>" }, { "png", "<false/>" },
            { "constrain", "<false/>" }, { "updates", "<false/>" }, { "tiff", "<false/>" }, { "psd", "<false/>" },
            { "pdf", "<false/>" } }) << 8 << "10000000";
        QTest::newRow("strings and numbers") << entries({ { "jpeg", "<string>True</string>" }, { "png", "<string>true</string>" },
            { "gif", "<string>yes</string>" }, { "constrain", "<integer>1</integer>" }, { "updates", "<false/>" },
            { "tiff", "<true/>" }, { "psd", "<false/>" }, { "pdf", "<true/>" } }) << 8 << "11000101";
        QTest::newRow("seven keys: nothing set") << entries({ { "jpeg", "<true/>" }, { "png", "<true/>" }, { "gif", "<true/>" },
            { "constrain", "<true/>" }, { "updates", "<true/>" }, { "tiff", "<true/>" }, { "psd", "<true/>" } })
                                                 << 7 << "00000000";
    }
    void rowsSetFieldsByPosition()
    {
        QFETCH(QByteArray, entries);
        SettingsFixture fixture;
        const QByteArray document = plistOf(entries);
        fixture.setDocument(document);
        DictionaryViewer viewer;
        const int beeps = Beep::count();
        SettingsDocument::load(fixture.fields(), viewer);
        QCOMPARE(Beep::count(), beeps);
        QTEST(fixture.countsettings, "rows");
        QTEST(fixture.switches(), "switches");
        QCOMPARE(fixture.document(), document);
    }

    void readAsWindows1252()
    {
        SettingsFixture fixture;
        fixture.setDocument(plistOf("<key>caf\xe9 \x80</key><true/>"));
        DictionaryViewer viewer;
        QVERIFY(SettingsDocument::loadInto(viewer));
        QCOMPARE(viewer.cell(0, 0), QString::fromUtf8("café €"));
    }

    void savedDocumentHasNoTab()
    {
        const QByteArray document = documentFor("01100110");
        QVERIFY(!document.contains('\t'));
        for (const QByteArray& line : document.split('\n')) {
            if (line.contains("<key>") || line.contains("<true/>") || line.contains("<false/>"))
                QVERIFY(line.startsWith("    <") && !line.startsWith("     "));
        }
    }

    // A write that cannot finish leaves the old document whole and beeps.
    void failedWriteKeepsTheOldDocument()
    {
        SettingsFixture fixture;
        fixture.setDocument(documentFor("11111111"));
        const int beeps = Beep::count();
        {
            const FileSizeLimit fullDisk(100);
            QVERIFY(!SettingsDocument::write(SettingsDocument::firstRunDefaults));
        }
        QCOMPARE(Beep::count(), beeps + 1);
        QCOMPARE(fixture.document(), documentFor("11111111"));
        QCOMPARE(QDir(fixture.folder()).entryList(QDir::Files | QDir::Hidden), QStringList { SettingsDocument::fileName() });

        QVERIFY(SettingsDocument::write(SettingsDocument::firstRunDefaults));
        QCOMPARE(fixture.document(), firstRunDocument);
    }

    void unwritableFolderBeeps()
    {
        SettingsFixture fixture;
        const QString notAFolder = fixture.folder() + QStringLiteral("/file");
        QFile file(notAFolder);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        qputenv("XDG_CONFIG_HOME", notAFolder.toLocal8Bit());
        DictionaryViewer viewer;
        const int beeps = Beep::count();
        SettingsDocument::load(fixture.fields(), viewer);
        QCOMPARE(Beep::count(), beeps + 1);
        // The defaults hold for this run all the same.
        QCOMPARE(fixture.switches(), QStringLiteral("11010000"));
    }
};

QTEST_MAIN(TestSettingsDocument)
#include "test_settingsdocument.moc"
