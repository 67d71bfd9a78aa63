#include "settings/beep.h"
#include "settings/settingsdocument.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

// Saving the settings onto a file system that has no room left: the save
// fails with a beep and the document stays the old one, whole. Needs a small
// file system of its own (a tmpfs, mounted as root); skipped without.
namespace {

QByteArray stored(const SettingsDocument::Values& values)
{
    QStringEncoder toWindows1252("windows-1252");
    return toWindows1252(SettingsDocument::text(values));
}

QByteArray document()
{
    QFile file(SettingsDocument::path());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Fills the file system with one file until a write fails.
bool fill(const QString& path)
{
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (descriptor < 0)
        return errno == ENOSPC;
    const QByteArray block(4096, 'x');
    while (::write(descriptor, block.constData(), size_t(block.size())) > 0) {
    }
    const bool full = errno == ENOSPC;
    ::close(descriptor);
    return full;
}

} // namespace

class TestSettingsFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fullFileSystem_data()
    {
        QTest::addColumn<QByteArray>("options");
        QTest::addColumn<bool>("filler");
        QTest::newRow("no block left") << QByteArray("size=64k,nr_inodes=64") << true;
        QTest::newRow("room for one document only") << QByteArray("size=4k,nr_inodes=64") << false;
        QTest::newRow("no inode left") << QByteArray("size=64k,nr_inodes=2") << false;
    }

    void fullFileSystem()
    {
        QFETCH(QByteArray, options);
        QFETCH(bool, filler);
        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("config"));
        QVERIFY(QDir().mkpath(config));
        if (::mount("tmpfs", QFile::encodeName(config).constData(), "tmpfs", 0, options.constData()) != 0)
            QSKIP("cannot mount a small file system here (needs root)");
        const auto unmount = qScopeGuard([&] { ::umount2(QFile::encodeName(config).constData(), MNT_DETACH); });
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));

        SettingsDocument::Values old = SettingsDocument::firstRunDefaults;
        SettingsDocument::Values changed = old;
        for (bool& value : changed)
            value = !value;
        QVERIFY(SettingsDocument::write(old));
        QCOMPARE(document(), stored(old));
        if (filler)
            QVERIFY(fill(config + QStringLiteral("/filler")));

        const int beeps = Beep::count();
        for (int attempt = 0; attempt < 3; ++attempt)
            QVERIFY(!SettingsDocument::write(changed));
        QCOMPARE(Beep::count(), beeps + 3);
        QCOMPARE(document(), stored(old));
        QStringList expected {SettingsDocument::fileName()};
        if (filler)
            expected << QStringLiteral("filler");
        QCOMPARE(QDir(config).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name), expected);

        // Room again: the next save goes through.
        QFile::remove(config + QStringLiteral("/filler"));
        if (!filler)
            return;
        QVERIFY(SettingsDocument::write(changed));
        QCOMPARE(document(), stored(changed));
    }
};

QTEST_MAIN(TestSettingsFaults)
#include "test_settingsfaults.moc"
