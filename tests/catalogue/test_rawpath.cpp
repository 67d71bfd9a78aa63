#include "catalogue/rawpath.h"

#include <QTest>
#include <QUrl>

class TestRawPath : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void uriCarriesEveryByte_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("uri");
        QTest::newRow("plain") << QByteArray("/home/a/b.jpg") << QByteArray("file:///home/a/b.jpg");
        QTest::newRow("space") << QByteArray("/a b/c.jpg") << QByteArray("file:///a%20b/c.jpg");
        QTest::newRow("URL characters") << QByteArray("/x#?%[].png") << QByteArray("file:///x%23%3F%25%5B%5D.png");
        QTest::newRow("UTF-8") << QByteArray("/caf\xc3\xa9.jpg") << QByteArray("file:///caf%C3%A9.jpg");
        QTest::newRow("not UTF-8") << QByteArray("/caf\xe9.jpg") << QByteArray("file:///caf%E9.jpg");
        QTest::newRow("root") << QByteArray("/") << QByteArray("file:///");
    }
    void uriCarriesEveryByte()
    {
        QFETCH(QByteArray, path);
        QTEST(RawPath::fileUri(path), "uri");
        QCOMPARE(RawPath::fromUrl(QUrl::fromEncoded(RawPath::fileUri(path))), path);
    }

    void urlsThatAreNotLocalFilesGiveNoPath()
    {
        QVERIFY(RawPath::fromUrl(QUrl(QStringLiteral("https://example.org/a.jpg"))).isEmpty());
        QVERIFY(RawPath::fromUrl(QUrl()).isEmpty());
        QCOMPARE(RawPath::fromUrl(QUrl::fromLocalFile(QStringLiteral("/tmp/a b"))), QByteArray("/tmp/a b"));
    }

    void namesAndJoins()
    {
        QCOMPARE(RawPath::fileName("/a/b/c.jpg"), QByteArray("c.jpg"));
        QCOMPARE(RawPath::fileName("/c\xff"), QByteArray("c\xff"));
        QCOMPARE(RawPath::join("/", "etc"), QByteArray("/etc"));
        QCOMPARE(RawPath::join("/a", "b"), QByteArray("/a/b"));
        QCOMPARE(RawPath::join("/a/", "b"), QByteArray("/a/b"));
        QCOMPARE(RawPath::display("/caf\xe9.jpg"), QStringLiteral("/caf\uFFFD.jpg"));
    }
};

QTEST_GUILESS_MAIN(TestRawPath)
#include "test_rawpath.moc"
