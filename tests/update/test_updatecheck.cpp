#include "httpstub.h"
#include "update/updatecheck.h"

#include <QSignalSpy>
#include <QTest>
#include <limits>

// The request itself: what is asked, what is read, and when it gives up.
class TestUpdateCheck : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void asksForTheUpdateFile()
    {
        HttpStub host;
        host.reply("102");
        UpdateCheck check(host.url());
        QCOMPARE(UpdateCheck::defaultServer().host(), QStringLiteral("www.brightfold.example"));
        QCOMPARE(check.timeout(), 30000);

        QSignalSpy answered(&check, &UpdateCheck::answered);
        QVERIFY(check.start());
        QVERIFY(answered.wait(10000));
        QCOMPARE(answered.at(0).at(0).toInt(), 102);
        QVERIFY(host.lastRequest.startsWith("GET /updates/lumigrid.txt HTTP/1.1\r\n"));
        QVERIFY(!check.isWaiting());
    }

    // A second start while the first request waits sends nothing.
    void oneRequestAtATime()
    {
        HttpStub host;
        host.mode = HttpStub::Mode::Silent;
        UpdateCheck check(host.url());
        check.setTimeout(300);
        QSignalSpy answered(&check, &UpdateCheck::answered);
        QVERIFY(check.start());
        QTRY_COMPARE(host.connections, 1);
        QVERIFY(check.isWaiting());
        QVERIFY(!check.start());
        QVERIFY(answered.wait(10000));
        QCOMPARE(answered.size(), 1);
        QCOMPARE(answered.at(0).at(0).toInt(), 0);
        QCOMPARE(host.connections, 1);

        host.mode = HttpStub::Mode::Reply;
        host.reply("102");
        QVERIFY(check.start());
        QVERIFY(answered.wait(10000));
        QCOMPARE(answered.at(1).at(0).toInt(), 102);
    }

    // A reply that never ends is answered from its start long before the
    // time-out, which here would give 0; only a small part of it is taken in.
    void endlessReplyReadsOnlyItsStart()
    {
        HttpStub host;
        host.mode = HttpStub::Mode::Endless;
        UpdateCheck check(host.url());
        check.setTimeout(120000);
        QSignalSpy answered(&check, &UpdateCheck::answered);
        QVERIFY(check.start());
        QVERIFY(answered.wait(120000));
        QCOMPARE(answered.at(0).at(0).toInt(), 102);
        QVERIFY(!check.isWaiting());
        QVERIFY(host.streamed < (qint64(1) << 28));
    }

    void nothingListening()
    {
        quint16 port = 0;
        {
            HttpStub closed;
            port = closed.url().port();
        }
        UpdateCheck check(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port)));
        QSignalSpy answered(&check, &UpdateCheck::answered);
        QVERIFY(check.start());
        QVERIFY(answered.wait(10000));
        QCOMPARE(answered.at(0).at(0).toInt(), 0);
    }

    void publishedNumber_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("number");
        QTest::newRow("plain") << QByteArray("102") << 102;
        QTest::newRow("line end") << QByteArray("102\n") << 102;
        QTest::newRow("fraction dropped") << QByteArray("200.9") << 200;
        QTest::newRow("negative fraction towards zero") << QByteArray("-7.9") << -7;
        QTest::newRow("too large for 32 bits") << QByteArray("99999999999") << std::numeric_limits<int>::max();
        QTest::newRow("too small for 32 bits") << QByteArray("-99999999999") << std::numeric_limits<int>::min();
        QTest::newRow("no number") << QByteArray("<html>") << 0;
    }

    void publishedNumber()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, number);
        QCOMPARE(UpdateCheck::publishedNumber(body), number);
    }
};

QTEST_GUILESS_MAIN(TestUpdateCheck)
#include "test_updatecheck.moc"
