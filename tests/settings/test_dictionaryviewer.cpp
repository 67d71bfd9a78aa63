#include "settings/beep.h"
#include "settings/collection.h"
#include "settings/dictionary.h"
#include "settings/dictionaryviewer.h"
#include "settings/folderitem.h"
#include "settings/memoryblock.h"

#include <QHeaderView>
#include <QTest>

Q_DECLARE_METATYPE(Variant)

namespace {

std::shared_ptr<Dictionary> settingsDictionary()
{
    auto dictionary = std::make_shared<Dictionary>();
    const bool values[] = { true, true, false, true, false, false, false, false };
    int row = 0;
    for (const char* key : { "jpeg", "png", "gif", "constrain", "updates", "tiff", "psd", "pdf" })
        dictionary->setValue(key, values[row++]);
    return dictionary;
}

QStringList rowTexts(const QTreeWidgetItem* row)
{
    QStringList texts;
    for (int column = 0; column < 5; ++column)
        texts << row->text(column);
    return texts;
}

QVariant foreground(const QTreeWidgetItem* row, int column)
{
    const QVariant brush = row->data(column, Qt::ForegroundRole);
    return brush.isValid() ? QVariant(brush.value<QBrush>().color()) : QVariant();
}

} // namespace

class TestDictionaryViewer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void columns()
    {
        DictionaryViewer viewer;
        viewer.resize(300, 100);
        QCOMPARE(viewer.columnCount(), 5);
        const QTreeWidgetItem* header = viewer.headerItem();
        QCOMPARE(rowTexts(header), QStringList({ "Key", "Value", "Internal Use - Key Type", "Internal Use - Value Type",
                                       "Internal Use - RowTag" }));
        const int width = viewer.viewport()->width();
        QCOMPARE(viewer.columnWidth(0), int(width * 0.33));
        QCOMPARE(viewer.columnWidth(0) + viewer.columnWidth(1), width);
        for (int column = 2; column < 5; ++column) {
            QVERIFY(viewer.isColumnHidden(column));
            QCOMPARE(viewer.header()->sectionSize(column), 0);
        }
    }

    void settingsRowsInKeyOrder()
    {
        DictionaryViewer viewer;
        viewer.Populate(*settingsDictionary());
        QCOMPARE(viewer.rowCount(), 8);
        const QStringList keys { "jpeg", "png", "gif", "constrain", "updates", "tiff", "psd", "pdf" };
        const QStringList values { "True", "True", "False", "True", "False", "False", "False", "False" };
        for (int row = 0; row < 8; ++row) {
            QCOMPARE(rowTexts(viewer.topLevelItem(row)), QStringList({ keys[row], values[row], "8", "11", "-1" }));
            QCOMPARE(foreground(viewer.topLevelItem(row), 0), QVariant(QColor(151, 83, 254)));
            QCOMPARE(foreground(viewer.topLevelItem(row), 1), QVariant(QColor(31, 31, 255)));
            QCOMPARE(foreground(viewer.topLevelItem(row), 2), QVariant());
        }
        QVERIFY(viewer.rowFolders.isEmpty());
    }

    void foldersExpandIntoTheirEntries()
    {
        DictionaryViewer viewer;
        auto first = std::make_shared<Dictionary>();
        first->setValue("inner", std::make_shared<Dictionary>());
        viewer.Populate(*first);
        QCOMPARE(viewer.rowFolders.size(), 1);

        auto nested = std::make_shared<Dictionary>();
        nested->setValue("n", 5);
        auto list = std::make_shared<Collection>();
        for (const char* item : { "a", "b", "c" })
            list->add(item);
        Dictionary dictionary;
        dictionary.setValue("sub", nested);
        dictionary.setValue("list", list);
        viewer.Populate(dictionary);

        // A second Populate replaces the rows but keeps the folders so far.
        QCOMPARE(viewer.rowCount(), 2);
        QCOMPARE(viewer.rowFolders.size(), 3);
        QTreeWidgetItem* sub = viewer.topLevelItem(0);
        QCOMPARE(rowTexts(sub), QStringList({ "sub", "Dictionary", "8", "0", "1" }));
        QCOMPARE(foreground(sub, 1), QVariant(QColor(160, 0, 0)));
        QCOMPARE(sub->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
        QCOMPARE(viewer.rowFolders.at(1).object(), std::shared_ptr<Object>(nested));

        sub->setExpanded(true);
        QCOMPARE(sub->childCount(), 1);
        QCOMPARE(rowTexts(sub->child(0)), QStringList({ "n", "5", "8", "2", "-1" }));
        QCOMPARE(foreground(sub->child(0), 1), QVariant(QColor(84, 127, 168)));
        sub->setExpanded(false);
        sub->setExpanded(true);
        QCOMPARE(sub->childCount(), 1);

        QTreeWidgetItem* items = viewer.topLevelItem(1);
        QCOMPARE(rowTexts(items), QStringList({ "list", "Collection", "8", "0", "2" }));
        viewer.ExpandRow(items);
        QCOMPARE(items->childCount(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(rowTexts(items->child(i)), QStringList({ QString::number(i + 1), QString(QChar(u'a' + i)), "2", "8", "-1" }));
            QCOMPARE(foreground(items->child(i), 0), QVariant(QColor(84, 127, 168)));
        }
    }

    void missingFolderShowsAnErrorRow_data()
    {
        QTest::addColumn<QString>("rowTag");
        QTest::newRow("past the end") << "1";
        QTest::newRow("negative") << "-1";
    }
    void missingFolderShowsAnErrorRow()
    {
        QFETCH(QString, rowTag);
        DictionaryViewer viewer;
        Dictionary dictionary;
        dictionary.setValue("folder", std::make_shared<Dictionary>());
        viewer.Populate(dictionary);
        QTreeWidgetItem* row = viewer.topLevelItem(0);
        row->setText(DictionaryViewer::RowTagColumn, rowTag);
        const int beeps = Beep::count();
        viewer.ExpandRow(row);
        QCOMPARE(Beep::count(), beeps + 1);
        QCOMPARE(row->childCount(), 1);
        QCOMPARE(rowTexts(row->child(0)), QStringList({ "Error", "Couldn't find nested dictionary", "8", "0", "" }));
    }

    void valueRows_data()
    {
        QTest::addColumn<Variant>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QVariant>("colour");
        const QVariant none;
        QTest::newRow("red") << Variant::colour(0xFF0000) << "(255,0,0)" << "16" << QVariant(QColor(255, 0, 0));
        QTest::newRow("colour") << Variant::colour(0x0A141E) << "(10,20,30)" << "16" << QVariant(QColor(10, 20, 30));
        QTest::newRow("nil") << Variant() << "-1" << "-1" << none;
        QTest::newRow("bytes ABC") << Variant(std::make_shared<MemoryBlock>("ABC")) << "ABC" << "0" << QVariant(QColor(160, 0, 0));
        QTest::newRow("integer") << Variant(-42) << "-42" << "2" << QVariant(QColor(84, 127, 168));
        QTest::newRow("integer 0") << Variant(0) << "0" << "2" << QVariant(QColor(84, 127, 168));
        QTest::newRow("double") << Variant(2.0) << "2.0" << "5" << QVariant(QColor(18, 112, 65));
        QTest::newRow("double, five places") << Variant(-1.0 / 3.0) << "-.33333" << "5" << QVariant(QColor(18, 112, 65));
        QTest::newRow("date") << Variant(QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC)) << "2001-02-03T04:05:06.000Z"
                              << "7" << QVariant(QColor(18, 139, 0));
        QTest::newRow("string") << Variant(" text ") << " text " << "8" << QVariant(QColor(151, 83, 254));
        QTest::newRow("false") << Variant(false) << "False" << "11" << QVariant(QColor(31, 31, 255));
        QTest::newRow("no object") << Variant(std::shared_ptr<Object>()) << "Null" << "0" << QVariant(QColor(160, 0, 0));
        QTest::newRow("file") << Variant(std::make_shared<FolderItem>(QStringLiteral("/tmp/x"))) << "/tmp/x" << "9"
                              << QVariant(QColor(0, 0, 0));
        auto other = std::make_shared<Object>();
        QTest::newRow("other object") << Variant(other) << "#" + QString::number(other->hashNumber()) << "9"
                                      << QVariant(QColor(0, 0, 0));
    }
    void valueRows()
    {
        QFETCH(Variant, value);
        DictionaryViewer viewer;
        Dictionary dictionary;
        dictionary.setValue("k", value);
        viewer.Populate(dictionary);
        const QTreeWidgetItem* row = viewer.topLevelItem(0);
        QTEST(row->text(1), "text");
        QTEST(row->text(3), "kind");
        QTEST(foreground(row, 1), "colour");
        QCOMPARE(row->text(4), QStringLiteral("-1"));
    }

    void colourByTypeColumn_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QVariant>("colour");
        QTest::newRow("object reading Null") << "Null" << "9" << QVariant(QColor(255, 0, 0));
        QTest::newRow("object reading null") << "null" << "9" << QVariant(QColor(255, 0, 0));
        QTest::newRow("colour with blanks") << "( 1, 2 ,3)" << "16" << QVariant(QColor(1, 2, 3));
        QTest::newRow("colour out of range") << "(999,-4)" << "16" << QVariant(QColor(255, 0, 0));
        QTest::newRow("unknown kind") << "x" << "3" << QVariant();
        QTest::newRow("no kind") << "x" << "" << QVariant(QColor(160, 0, 0));
    }
    void colourByTypeColumn()
    {
        QFETCH(QString, text);
        QFETCH(QString, kind);
        QTreeWidgetItem row;
        row.setText(0, text);
        row.setText(2, kind);
        row.setText(1, text);
        row.setText(3, kind);
        const std::optional<QColor> key = DictionaryViewer::cellTextColour(row, 0);
        const std::optional<QColor> value = DictionaryViewer::cellTextColour(row, 1);
        QTEST(key ? QVariant(*key) : QVariant(), "colour");
        QTEST(value ? QVariant(*value) : QVariant(), "colour");
        QVERIFY(!DictionaryViewer::cellTextColour(row, 2));
    }
};

QTEST_MAIN(TestDictionaryViewer)
#include "test_dictionaryviewer.moc"
