// libFuzzer target for reading XML dictionaries. For every input:
// - the nesting scan never reports less depth than the tree pugixml builds;
// - an accepted text, written again in either dialect, is accepted again,
//   and a second round writes the very same text (a fixed point);
// - in xmldict, which has an element for every kind, the second reading
//   holds the same keys, kinds and values as the first (doubles aside, as
//   their text keeps 15 places).
#include "settings/collection.h"
#include "settings/dictionary.h"
#include "settings/folderitem.h"
#include "settings/memoryblock.h"
#include "settings/valuetext.h"
#include "settings/xmldictionary.h"
#include "settings/xmlnesting.h"

#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

int treeDepth(pugi::xml_node top)
{
    int deepest = 0;
    int depth = 0;
    pugi::xml_node node = top.first_child();
    if (!node)
        return 0;
    depth = 1;
    while (node) {
        if (node.type() == pugi::node_element && depth > deepest)
            deepest = depth;
        if (pugi::xml_node child = node.first_child()) {
            node = child;
            ++depth;
            continue;
        }
        while (node && !node.next_sibling()) {
            node = node.parent();
            --depth;
            if (node == top)
                return deepest;
        }
        if (node)
            node = node.next_sibling();
    }
    return deepest;
}

QString shape(const Variant& value, int depth = 0);

QString shapeOf(const Object* container, int depth)
{
    QString text = QStringLiteral("(");
    const int count = XMLDictionary::StorageCount(container);
    for (int i = 0; i < count; ++i) {
        text += shape(XMLDictionary::StorageKey(container, i), depth) + u'=';
        text += shape(XMLDictionary::StorageValue(container, i), depth) + u';';
    }
    return text + u')';
}

QString shape(const Variant& value, int depth)
{
    check(depth <= XMLDictionary::maximumDepth + 1, "containers nest no deeper than the document");
    const QString kind = QString::number(value.code()) + u':';
    switch (value.kind()) {
    case Variant::Kind::Nil:
    case Variant::Kind::Double:
        return kind;
    case Variant::Kind::Integer:
        return kind + QString::number(value.integerValue());
    case Variant::Kind::Date:
        return kind + dateText(value.dateValue());
    case Variant::Kind::String:
        return kind + value.stringValue();
    case Variant::Kind::Boolean:
        return kind + (value.booleanValue() ? u'1' : u'0');
    case Variant::Kind::Colour:
        return kind + QString::number(value.colourValue());
    case Variant::Kind::Object:
        break;
    }
    if (const auto* block = value.as<MemoryBlock>())
        return kind + QString::fromLatin1(block->bytes.toHex());
    if (const auto* file = value.as<FolderItem>())
        return kind + file->absolutePath;
    return kind + shapeOf(value.object().get(), depth + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    const QByteArray utf8 = text.toUtf8();
    const int scanned = xmlNestingDepth(utf8.constData(), std::size_t(utf8.size()), XMLDictionary::maximumDepth);
    if (scanned <= XMLDictionary::maximumDepth) {
        pugi::xml_document document;
        document.load_buffer(utf8.constData(), std::size_t(utf8.size()), pugi::parse_default | pugi::parse_ws_pcdata,
            pugi::encoding_utf8);
        check(treeDepth(document) <= scanned, "the scan sees at least the depth of the tree");
    }

    Dictionary first;
    if (!XMLDictionary::LoadXML(first, text))
        return 0;
    for (const bool plist : { false, true }) {
        Dictionary second;
        check(XMLDictionary::LoadXML(second, XMLDictionary::ExportXMLString(first, plist)), "written text is accepted");
        if (!plist)
            check(shapeOf(&first, 0) == shapeOf(&second, 0), "xmldict reads back what was written");
        const QString again = XMLDictionary::ExportXMLString(second, plist);
        Dictionary third;
        check(XMLDictionary::LoadXML(third, again), "rewritten text is accepted");
        check(XMLDictionary::ExportXMLString(third, plist) == again, "writing is a fixed point after one round");
    }
    return 0;
}
