#include "catalogue/catalogue.h"

#include <QTest>

namespace {

CatalogueEntry entry(const char* name, int w, int h, QRgb colour)
{
    QImage thumbnail(100, 100, QImage::Format_RGB32);
    thumbnail.fill(colour);
    return {QByteArray("/pictures/") + name, QString::fromLatin1(name),
            QStringLiteral("%1 x %2").arg(w).arg(h), thumbnail};
}

} // namespace

class TestCatalogue : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void appendKeepsDiscoveryOrderInEveryList()
    {
        Catalogue catalogue;
        QCOMPARE(catalogue.x(), 0);
        catalogue.append(entry("a.jpg", 4000, 3000, 0xff0000));
        catalogue.append(entry("b.png", 80, 60, 0x00ff00));
        QCOMPARE(catalogue.x(), 2);
        QCOMPARE(catalogue.bildfile(1), QByteArray("/pictures/a.jpg"));
        QCOMPARE(catalogue.bildname(2), QStringLiteral("b.png"));
        QCOMPARE(catalogue.bildsize(1), QStringLiteral("4000 x 3000"));
        QCOMPARE(catalogue.bildscaled(2).pixel(50, 50), 0xff00ff00u);
        QCOMPARE(catalogue.bildscaled(1).size(), QSize(100, 100));
    }

    void readsOutsideTheEntriesAreEmpty_data()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("zero") << 0;
        QTest::newRow("negative") << -1;
        QTest::newRow("one past") << 3;
        QTest::newRow("a cell beyond") << 30;
        QTest::newRow("huge") << std::numeric_limits<int>::max();
        QTest::newRow("most negative") << std::numeric_limits<int>::min();
    }
    void readsOutsideTheEntriesAreEmpty()
    {
        QFETCH(int, index);
        Catalogue catalogue;
        catalogue.append(entry("a.jpg", 1, 1, 0));
        catalogue.append(entry("b.jpg", 1, 1, 0));
        QVERIFY(catalogue.bildfile(index).isEmpty());
        QVERIFY(catalogue.bildname(index).isEmpty());
        QVERIFY(catalogue.bildsize(index).isEmpty());
        QVERIFY(catalogue.bildscaled(index).isNull());
    }

    void emptyForgetsThePreviousScan()
    {
        Catalogue catalogue;
        catalogue.append(entry("a.jpg", 1, 1, 0));
        catalogue.empty();
        QCOMPARE(catalogue.x(), 0);
        QVERIFY(catalogue.bildfile(1).isEmpty());
        catalogue.append(entry("c.gif", 5, 5, 0));
        QCOMPARE(catalogue.bildname(1), QStringLiteral("c.gif"));
        QCOMPARE(catalogue.x(), 1);
    }

    void thumbnailIsSharedNotCopied()
    {
        Catalogue catalogue;
        const CatalogueEntry e = entry("a.jpg", 1, 1, 0);
        catalogue.append(e);
        QCOMPARE(catalogue.bildscaled(1).constBits(), e.thumbnail.constBits());
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "test_catalogue.moc"
