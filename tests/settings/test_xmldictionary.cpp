#include "describe.h"
#include "settings/collection.h"
#include "settings/dictionary.h"
#include "settings/folderitem.h"
#include "settings/memoryblock.h"
#include "settings/xmldictionary.h"
#include "settings/xmlnesting.h"

#include <QTest>

using Build = std::shared_ptr<Dictionary> (*)();
Q_DECLARE_METATYPE(Build)

namespace {

const QString plistHead = QStringLiteral("<?xml version=\"1.0\"?>\n"
                                         "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
                                         "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n");
const QString xmldictHead = QStringLiteral("<?xml version=\"1.0\"?>\n"
                                           "<!DOCTYPE xmldict PUBLIC \"-//Marrowind//DTD XMLDICT 1.1//EN\" "
                                           "\"http://www.brightfold.com/DTDs/XMLDictionary-1.1.dtd\">\n");

std::shared_ptr<Dictionary> dictionaryOf(std::initializer_list<std::pair<Variant, Variant>> entries)
{
    auto dictionary = std::make_shared<Dictionary>();
    for (const auto& [key, value] : entries)
        dictionary->setValue(key, value);
    return dictionary;
}

std::shared_ptr<Collection> listOf(std::initializer_list<Variant> items)
{
    auto list = std::make_shared<Collection>();
    for (const Variant& item : items)
        list->add(item);
    return list;
}

QString nested(int depth)
{
    return QStringLiteral("<a>").repeated(depth) + QStringLiteral("</a>").repeated(depth);
}

QByteArray allBytes()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    return bytes;
}

} // namespace

class TestXMLDictionary : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void dictionaryKeepsFirstInsertionOrder()
    {
        Dictionary dictionary;
        dictionary.setValue("b", 1);
        dictionary.setValue("a", 2);
        dictionary.setValue(3, 3);
        dictionary.setValue("B", 4); // same key as "b": replaced in its place, first spelling kept
        dictionary.setValue("3", 5); // a string, not the integer 3
        QCOMPARE(describe(dictionary), QStringLiteral("{\"b\": int 4, \"a\": int 2, int 3: int 3, \"3\": int 5}"));
        QVERIFY(dictionary.remove("A"));
        dictionary.setValue("a", 6);
        QCOMPARE(describe(dictionary), QStringLiteral("{\"b\": int 4, int 3: int 3, \"3\": int 5, \"a\": int 6}"));
        QCOMPARE(describe(dictionary.lookup(99)), QStringLiteral("nil"));
    }

    void formatReal_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("2") << 2.0 << "2.0";
        QTest::newRow("0.25") << 0.25 << ".25";
        QTest::newRow("-1.5") << -1.5 << "-1.5";
        QTest::newRow("0") << 0.0 << ".0";
        QTest::newRow("-0.25") << -0.25 << "-.25";
        QTest::newRow("third") << 1.0 / 3.0 << ".333333333333333";
        QTest::newRow("rounded up at the fifteenth") << 0.9999999999999999 << "1.0";
        QTest::newRow("0.1 + 0.2") << 0.1 + 0.2 << ".3";
        QTest::newRow("too small for 15 places") << -1e-16 << ".0";
        QTest::newRow("large") << 1e20 << "100000000000000000000.0";
        QTest::newRow("integer part kept") << 123456789.125 << "123456789.125";
    }
    void formatReal()
    {
        QFETCH(double, value);
        QTEST(XMLDictionary::formatReal(value), "text");
    }

    // The text after the DOCTYPE line.
    void layout_data()
    {
        QTest::addColumn<Build>("build");
        QTest::addColumn<bool>("plist");
        QTest::addColumn<QString>("body");

        QTest::newRow("empty plist: dict tags on two lines at column 0")
            << Build(+[] { return std::make_shared<Dictionary>(); }) << true
            << "<plist version=\"1.0\">\n<dict>\n</dict>\n</plist>\n";
        QTest::newRow("empty xmldict") << Build(+[] { return std::make_shared<Dictionary>(); }) << false
                                       << "<xmldict version=\"1.1\">\n</xmldict>\n";
        QTest::newRow("nested dict one tab deeper")
            << Build(+[] { return dictionaryOf({ { "a", dictionaryOf({ { "x", 1 }, { "y", "z" } }) } }); }) << true
            << "<plist version=\"1.0\">\n<dict>\n"
               "\t<key>a</key>\n\t<dict>\n"
               "\t\t<key>x</key>\n\t\t<integer>1</integer>\n"
               "\t\t<key>y</key>\n\t\t<string>z</string>\n"
               "\t</dict>\n</dict>\n</plist>\n";
        QTest::newRow("base64 in 45-character lines at the element's indentation")
            << Build(+[] { return dictionaryOf({ { "d", std::make_shared<MemoryBlock>(QByteArray(40, 'A')) } }); })
            << false
            << "<xmldict version=\"1.1\">\n\t<key>d</key>\n\t<data>\n"
               "\tQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQ\n"
               "\tUFBQUFBQQ==\n"
               "\t</data>\n</xmldict>\n";
        QTest::newRow("shared dictionary written once, then empty") << Build(+[] {
            auto shared = dictionaryOf({ { "x", true } });
            return dictionaryOf({ { "first", shared }, { "second", shared } });
        }) << true << "<plist version=\"1.0\">\n<dict>\n"
                      "\t<key>first</key>\n\t<dict>\n\t\t<key>x</key>\n\t\t<true/>\n\t</dict>\n"
                      "\t<key>second</key>\n\t<dict>\n\t</dict>\n"
                      "</dict>\n</plist>\n";
        QTest::newRow("dictionary holding itself") << Build(+[] {
            auto self = dictionaryOf({ { "n", -5 } });
            self->setValue("me", self);
            return self;
        }) << false << "<xmldict version=\"1.1\">\n\t<key>n</key>\n\t<integer>-5</integer>\n"
                       "\t<key>me</key>\n\t<dict>\n\t</dict>\n</xmldict>\n";
        QTest::newRow("list items have no keys")
            << Build(+[] { return dictionaryOf({ { 7, listOf({ "a", 2.5, listOf({}) }) } }); }) << false
            << "<xmldict version=\"1.1\">\n\t<key>7</key>\n\t<array>\n"
               "\t\t<string>a</string>\n\t\t<real>2.5</real>\n\t\t<array>\n\t\t</array>\n"
               "\t</array>\n</xmldict>\n";
        QTest::newRow("xmldict kinds") << Build(+[] {
            return dictionaryOf({ { "nil", Variant() }, { "colour", Variant::colour(0xFF) },
                { "file", std::make_shared<FolderItem>(QStringLiteral("/tmp/a b")) },
                { "other", std::make_shared<Object>() }, { "no object", std::shared_ptr<Object>() },
                { "off", false }, { "empty", "" } });
        }) << false << "<xmldict version=\"1.1\">\n"
                       "\t<key>nil</key>\n\t<null/>\n"
                       "\t<key>colour</key>\n\t<color>#FF</color>\n"
                       "\t<key>file</key>\n\t<file>\n\tL3RtcC9hIGI=\n\t</file>\n"
                       "\t<key>other</key>\n\t<null/>\n"
                       "\t<key>no object</key>\n\t<null/>\n"
                       "\t<key>off</key>\n\t<false/>\n"
                       "\t<key>empty</key>\n\t<string/>\n"
                       "</xmldict>\n";
        QTest::newRow("plist writes what it has no element for as false") << Build(+[] {
            return dictionaryOf({ { "nil", Variant() }, { "colour", Variant::colour(0xFF0000) },
                { "file", std::make_shared<FolderItem>(QStringLiteral("/tmp")) }, { "other", std::make_shared<Object>() } });
        }) << true << "<plist version=\"1.0\">\n<dict>\n"
                      "\t<key>nil</key>\n\t<false/>\n\t<key>colour</key>\n\t<false/>\n"
                      "\t<key>file</key>\n\t<false/>\n\t<key>other</key>\n\t<false/>\n"
                      "</dict>\n</plist>\n";
    }
    void layout()
    {
        QFETCH(Build, build);
        QFETCH(bool, plist);
        const std::shared_ptr<Dictionary> dictionary = build();
        const QString text = XMLDictionary::ExportXMLString(*dictionary, plist);
        const QString& head = plist ? plistHead : xmldictHead;
        QVERIFY2(text.startsWith(head), qPrintable(text));
        QTEST(text.mid(head.size()), "body");
        dictionary->remove("me");
    }

    void roundTrip_data()
    {
        QTest::addColumn<Build>("build");
        QTest::addColumn<bool>("plist");
        QTest::addColumn<QString>("readBack");

        QTest::newRow("nested dictionaries and lists") << Build(+[] {
            return dictionaryOf({ { "a", dictionaryOf({ { "b", dictionaryOf({ { "c", 1 } }) }, { "d", listOf({ 1, "two", listOf({ false }) }) } }) } });
        }) << true << "{\"a\": {\"b\": {\"c\": int 1}, \"d\": [int 1, string \"two\", [false]]}}";
        QTest::newRow("bytes over several lines") << Build(+[] {
            return dictionaryOf({ { "all", std::make_shared<MemoryBlock>(allBytes()) }, { "none", std::make_shared<MemoryBlock>() } });
        }) << false << "{\"all\": data " + QString::fromLatin1(allBytes().toHex()) + ", \"none\": data }";
        QTest::newRow("integer keys come back as strings")
            << Build(+[] { return dictionaryOf({ { 1, "one" }, { -20, "minus twenty" } }); }) << true
            << "{\"1\": string \"one\", \"-20\": string \"minus twenty\"}";
        QTest::newRow("strings keep their spaces, line breaks and markup") << Build(+[] {
            return dictionaryOf({ { "s", "  two\nlines\r\n\tand <&> \"quotes\"  " }, { "blank", "   " }, { "breaks", "\n\n" } });
        }) << false << "{\"s\": string \"  two\\nlines\\r\\n\\tand <&> \\\"quotes\\\"  \", \"blank\": string \"   \", \"breaks\": string \"\\n\\n\"}";
        QTest::newRow("numbers") << Build(+[] {
            return dictionaryOf({ { "int", -2147483647 - 1 }, { "real", -1.5 }, { "small", 0.0001220703125 }, { "third", 1.0 / 3.0 } });
        }) << true << "{\"int\": int -2147483648, \"real\": real -1.5, \"small\": real 0.0001220703125, \"third\": real 0.33333333333333298}";
        QTest::newRow("colour in xmldict")
            << Build(+[] { return dictionaryOf({ { "c", Variant::colour(0xFF) }, { "red", Variant::colour(0xFF0000) } }); })
            << false << "{\"c\": colour #0000ff, \"red\": colour #ff0000}";
        QTest::newRow("colour, nil, file and other objects in plist read back as false") << Build(+[] {
            return dictionaryOf({ { "c", Variant::colour(0xFF) }, { "n", Variant() },
                { "f", std::make_shared<FolderItem>(QStringLiteral("/tmp")) }, { "o", std::make_shared<Object>() } });
        }) << true << "{\"c\": false, \"n\": false, \"f\": false, \"o\": false}";
        QTest::newRow("nil, file and other objects in xmldict") << Build(+[] {
            return dictionaryOf({ { "n", Variant() }, { "f", std::make_shared<FolderItem>(QStringLiteral("/tmp/ä b")) },
                { "o", std::make_shared<Object>() } });
        }) << false << "{\"n\": nil, \"f\": file /tmp/ä b, \"o\": nil}";
        QTest::newRow("dates") << Build(+[] {
            return dictionaryOf({ { "utc", QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58, 125), Qt::UTC) },
                { "offset", QDateTime(QDate(1999, 12, 31), QTime(1, 2, 3), Qt::OffsetFromUTC, -3600 * 5) } });
        }) << false << "{\"utc\": date 2024-02-29T23:59:58.125Z, \"offset\": date 1999-12-31T01:02:03.000-05:00}";
    }
    void roundTrip()
    {
        QFETCH(Build, build);
        QFETCH(bool, plist);
        Dictionary readBack;
        QVERIFY(XMLDictionary::LoadXML(readBack, XMLDictionary::ExportXMLString(*build(), plist)));
        QTEST(describe(readBack), "readBack");
    }

    void load_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("entries");

        const QString entry = QStringLiteral("<key>k</key><true/>");
        QTest::newRow("plist 1.0") << "<plist version=\"1.0\"><dict>" + entry + "</dict></plist>" << true << "{\"k\": true}";
        QTest::newRow("plist 1.01 refused") << "<plist version=\"1.01\"><dict>" + entry + "</dict></plist>" << false << "{}";
        QTest::newRow("plist without version") << "<plist><dict>" + entry + "</dict></plist>" << true << "{\"k\": true}";
        QTest::newRow("plist: text and comments before the dict")
            << "<plist version=\"1.0\">\n <!-- c --><?pi x?><dict>" + entry + "</dict></plist>" << true << "{\"k\": true}";
        QTest::newRow("plist: array first refused")
            << "<plist version=\"1.0\"><array/><dict>" + entry + "</dict></plist>" << false << "{}";
        QTest::newRow("plist without elements refused") << "<plist version=\"1.0\">text</plist>" << false << "{}";
        QTest::newRow("any other root without version is xmldict") << "<anything>" + entry + "</anything>" << true << "{\"k\": true}";
        QTest::newRow("xmldict 1.1") << "<xmldict version=\"1.1\">" + entry + "</xmldict>" << true << "{\"k\": true}";
        QTest::newRow("xmldict 1.2 refused") << "<xmldict version=\"1.2\">" + entry + "</xmldict>" << false << "{}";
        QTest::newRow("names in any letter case") << "<PLIST VERSION=\"1.0\"><Dict><KEY>k</KEY><TRUE/></Dict></PLIST>"
                                                  << true << "{\"k\": true}";
        QTest::newRow("value before any key dropped") << "<xmldict><true/><key>a</key><integer>1</integer></xmldict>" << true
                                                      << "{\"a\": int 1}";
        QTest::newRow("key, key, value drops all three")
            << "<xmldict><key>a</key><key>b</key><integer>1</integer><key>c</key><integer>2</integer></xmldict>" << true
            << "{\"c\": int 2}";
        QTest::newRow("unknown element takes its key") << "<xmldict><key>a</key><blob/><key>b</key><false/><key>end</key></xmldict>"
                                                       << true << "{\"b\": false}";
        QTest::newRow("numbers from text")
            << "<xmldict><key>a</key><integer>12.9</integer><key>b</key><integer>-3.7x</integer><key>c</key>"
               "<integer>abc</integer><key>d</key><integer>99999999999</integer><key>e</key><real>1.5e3</real>"
               "<key>f</key><real>none</real></xmldict>"
            << true << "{\"a\": int 12, \"b\": int -3, \"c\": int 0, \"d\": int 2147483647, \"e\": real 1500, \"f\": real 0}";
        QTest::newRow("element content kept as XML") << "<xmldict><key>s</key><string>a<b x=\"1\">c</b>&amp;<![CDATA[<d>]]></string></xmldict>"
                                                     << true << "{\"s\": string \"a<b x=\\\"1\\\">c</b>&<d>\"}";
        QTest::newRow("keys in a list are ignored")
            << "<xmldict><key>l</key><array><key>x</key><integer>1</integer><string>y</string></array></xmldict>" << true
            << "{\"l\": [int 1, string \"y\"]}";
        QTest::newRow("base64 across tabs and spaces") << "<xmldict><key>d</key><data>\n\t QU\n  JD\n</data></xmldict>" << true
                                                       << "{\"d\": data 414243}";
        QTest::newRow("colour") << "<xmldict><key>c</key><color>#ff8000</color></xmldict>" << true
                                << "{\"c\": colour #ff8000}";
        QTest::newRow("entities are not expanded")
            << "<!DOCTYPE xmldict [<!ENTITY e \"boom\"> <!ENTITY f \"&e;&e;&e;\">]><xmldict><key>s</key><string>&f;</string></xmldict>"
            << true << "{\"s\": string \"&f;\"}";
        QTest::newRow("not XML") << "jpeg=true" << false << "{}";
        QTest::newRow("empty") << "" << false << "{}";
        QTest::newRow("only a comment") << "<!-- <xmldict/> -->" << false << "{}";
        QTest::newRow("unclosed") << "<xmldict><key>k</key><true/>" << false << "{}";
    }
    void load()
    {
        QFETCH(QString, text);
        Dictionary dictionary;
        QTEST(XMLDictionary::LoadXML(dictionary, text), "accepted");
        QTEST(describe(dictionary), "entries");
    }

    void loadAddsToWhatIsThere()
    {
        auto existing = dictionaryOf({ { "old", 1 } });
        Dictionary dictionary;
        dictionary.setValue("keep", true);
        dictionary.setValue("k", existing);
        QVERIFY(XMLDictionary::LoadXML(dictionary,
            QStringLiteral("<xmldict><key>k</key><dict><key>new</key><integer>2</integer></dict>"
                           "<key>l</key><array><string>x</string></array></xmldict>")));
        QCOMPARE(dictionary.lookup("k").object(), std::shared_ptr<Object>(existing));
        QCOMPARE(describe(dictionary), QStringLiteral("{\"keep\": true, \"k\": {\"old\": int 1, \"new\": int 2}, \"l\": [string \"x\"]}"));

        QVERIFY(!XMLDictionary::LoadXML(dictionary, QStringLiteral("<plist version=\"2.0\"><dict><key>z</key><true/></dict></plist>")));
        QCOMPARE(dictionary.count(), 3);
    }

    // Nesting is bounded before any tree is built: deeper documents are
    // refused whole, however they are spelled.
    void hostileDocuments_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        const int bound = XMLDictionary::maximumDepth;
        QTest::newRow("at the bound") << nested(bound) << true;
        QTest::newRow("one past the bound") << nested(bound + 1) << false;
        QTest::newRow("200,000 deep") << nested(200000) << false;
        QTest::newRow("300,000 deep, never closed") << QStringLiteral("<a>").repeated(300000) << false;
        QTest::newRow("deep dicts in a plist")
            << "<plist><dict>" + QStringLiteral("<key>k</key><dict>").repeated(bound) + QStringLiteral("</dict>").repeated(bound + 1)
                + "</plist>" << false;
        QTest::newRow("tags inside comments, CDATA, attributes and the DOCTYPE do not count")
            << "<!DOCTYPE a [<!ENTITY x \"" + QStringLiteral("<a>").repeated(bound) + "\"><!-- ' -->]><a b=\""
                + QStringLiteral("<a>").repeated(bound) + "\"><!--" + QStringLiteral("<a>").repeated(bound) + "--><![CDATA["
                + QStringLiteral("<a>").repeated(bound) + "]]></a>" << true;
        QTest::newRow("too large") << "<xmldict>" + QString(XMLDictionary::maximumTextLength, u' ') + "</xmldict>" << false;
    }
    void hostileDocuments()
    {
        QFETCH(QString, text);
        Dictionary dictionary;
        QTEST(XMLDictionary::LoadXML(dictionary, text), "accepted");
    }

    void deepDocumentFormRefused()
    {
        pugi::xml_document document;
        pugi::xml_node node = document.append_child("xmldict");
        for (int depth = 1; depth <= XMLDictionary::maximumDepth; ++depth)
            node = node.append_child("array");
        Dictionary dictionary;
        QVERIFY(!XMLDictionary::LoadXML(dictionary, document));
        document.document_element().first_child().remove_child(document.document_element().first_child().first_child());
        QVERIFY(XMLDictionary::LoadXML(dictionary, document));
    }

    void nestingDepth_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("depth");
        QTest::newRow("empty elements") << "<a><b/><c x='/'/></a>" << 2;
        QTest::newRow("nested") << "<a><b><c></c></b><d/></a>" << 3;
        QTest::newRow("quoted > and />") << "<a x=\"/>\" y='>'><b/></a>" << 2;
        QTest::newRow("comment and CDATA") << "<a><!-- <b><c> --><![CDATA[<b><c>]]></a>" << 1;
        QTest::newRow("processing instruction") << "<?xml version=\"1.0\"?><?pi <b>?><a/>" << 1;
        QTest::newRow("doctype subset with quotes in a comment") << "<!DOCTYPE a [ <!-- ' --> <!ELEMENT a ANY> ]><a><b><c/></b></a>" << 3;
        QTest::newRow("doctype ignore section") << "<!DOCTYPE a [<![IGNORE[ ]]> ]]>]><a><b/></a>" << 2;
        QTest::newRow("stray closing tags do not hide depth") << "</x></x><a><b>" << 2;
        QTest::newRow("stops past the limit") << QStringLiteral("<a>").repeated(50) << 11;
    }
    void nestingDepth()
    {
        QFETCH(QString, text);
        const QByteArray utf8 = text.toUtf8();
        QTEST(xmlNestingDepth(utf8.constData(), std::size_t(utf8.size()), 10), "depth");
    }
};

QTEST_GUILESS_MAIN(TestXMLDictionary)
#include "test_xmldictionary.moc"
