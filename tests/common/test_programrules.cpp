#include "common/leadingnumber.h"
#include "common/rounding.h"
#include "common/textcompare.h"

#include <QTest>

class TestProgramRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rounding_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("rounded");
        QTest::newRow("half up") << 12.5 << 13;
        QTest::newRow("half of one") << 0.5 << 1;
        QTest::newRow("below half") << 0.4 << 0;
        QTest::newRow("negative half") << -12.5 << -13;
        QTest::newRow("whole") << 75.0 << 75;
        QTest::newRow("just above half") << 2.5000001 << 3;
    }
    void rounding()
    {
        QFETCH(double, value);
        QFETCH(int, rounded);
        QCOMPARE(roundHalfAway(value), rounded);
    }

    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("number");
        QTest::newRow("plain") << "102" << 102.0;
        QTest::newRow("trailing letters") << "102abc" << 102.0;
        QTest::newRow("dotted version") << "1.0.2" << 1.0;
        QTest::newRow("fraction") << "200.9" << 200.9;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("no number") << "abc" << 0.0;
        QTest::newRow("leading blank") << "  7\n" << 7.0;
        QTest::newRow("negative") << "-3.5" << -3.5;
        QTest::newRow("exponent") << "1e2x" << 100.0;
        QTest::newRow("html") << "<html>" << 0.0;
        QTest::newRow("line break after") << "101\r\n" << 101.0;
        QTest::newRow("seventy digits") << QString(70, u'9') << 1e70;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, number);
        QCOMPARE(::leadingNumber(text), number);
    }

    void sameTextIgnoresCase()
    {
        QVERIFY(sameText(u"True", u"TRUE"));
        QVERIFY(sameText(u"volumes", u"Volumes"));
        QVERIFY(!sameText(u"True", u"Tru"));
        QVERIFY(!sameText(u"False", u"True"));
    }
};

QTEST_GUILESS_MAIN(TestProgramRules)
#include "test_programrules.moc"
