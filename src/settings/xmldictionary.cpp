#include "settings/xmldictionary.h"

#include "common/leadingnumber.h"
#include "common/textcompare.h"
#include "settings/collection.h"
#include "settings/dictionary.h"
#include "settings/folderitem.h"
#include "settings/memoryblock.h"
#include "settings/valuetext.h"
#include "settings/xmlnesting.h"

#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace XMLDictionary {

namespace {

// The platform's end-of-line sequence.
constexpr char lineBreak[] = "\n";
constexpr int base64LineWidth = 45;

const char plistDoctype[]
    = R"(<!DOCTYPE plist PUBLIC "-//Apple Computer//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">)";
const char xmldictDoctype[]
    = R"(<!DOCTYPE xmldict PUBLIC "-//Marrowind//DTD XMLDICT 1.1//EN" "http://www.brightfold.com/DTDs/XMLDictionary-1.1.dtd">)";

class StringWriter : public pugi::xml_writer {
public:
    void write(const void* data, std::size_t size) override { text.append(static_cast<const char*>(data), size); }
    std::string text;
};

QString fromUtf8(const char* text)
{
    return QString::fromUtf8(text);
}

void appendText(pugi::xml_node element, const QString& text)
{
    if (!text.isEmpty())
        element.append_child(pugi::node_pcdata).set_value(text.toUtf8().constData());
}

QString keyText(const Variant& key)
{
    switch (key.kind()) {
    case Variant::Kind::Integer:
        return QString::number(key.integerValue());
    case Variant::Kind::Double:
        return formatReal(key.doubleValue());
    case Variant::Kind::Date:
        return dateText(key.dateValue());
    case Variant::Kind::String:
        return key.stringValue();
    case Variant::Kind::Boolean:
        return key.booleanValue() ? QStringLiteral("True") : QStringLiteral("False");
    case Variant::Kind::Colour:
        return u'#' + QString::number(key.colourValue(), 16).toUpper();
    case Variant::Kind::Object:
        if (const auto* file = key.as<FolderItem>())
            return file->absolutePath;
        return key.object() ? u'#' + QString::number(key.object()->hashNumber()) : QString();
    case Variant::Kind::Nil:
        break;
    }
    return QString();
}

// Base64 in lines of 45 characters, each on its own line at the element's
// indentation.
void appendBase64(pugi::xml_node element, const QByteArray& bytes, int depth)
{
    const QByteArray base64 = bytes.toBase64();
    for (qsizetype at = 0; at < base64.size(); at += base64LineWidth) {
        pugi::xml_node line = element.append_child(pugi::node_pcdata);
        line.set_value(base64.mid(at, base64LineWidth).constData());
        IndentNode(line, depth, false);
    }
}

// The value element for value, appended to target; true when its closing
// tag goes on a line of its own.
bool appendValue(pugi::xml_node target, const Variant& value, VisitedList& visited, int depth, bool plist)
{
    const char* const nothing = plist ? "false" : "null";
    switch (value.kind()) {
    case Variant::Kind::Nil:
        target.append_child(nothing);
        return false;
    case Variant::Kind::Integer:
        appendText(target.append_child("integer"), QString::number(value.integerValue()));
        return false;
    case Variant::Kind::Double:
        appendText(target.append_child("real"), formatReal(value.doubleValue()));
        return false;
    case Variant::Kind::Date:
        appendText(target.append_child("date"), dateText(value.dateValue()));
        return false;
    case Variant::Kind::String:
        appendText(target.append_child("string"), value.stringValue());
        return false;
    case Variant::Kind::Boolean:
        target.append_child(value.booleanValue() ? "true" : "false");
        return false;
    case Variant::Kind::Colour:
        if (plist)
            target.append_child("false");
        else
            appendText(target.append_child("color"), u'#' + QString::number(value.colourValue(), 16).toUpper());
        return false;
    case Variant::Kind::Object:
        break;
    }

    const Object* object = value.object().get();
    if (dynamic_cast<const Dictionary*>(object) || dynamic_cast<const Collection*>(object)) {
        pugi::xml_node element = target.append_child(dynamic_cast<const Dictionary*>(object) ? "dict" : "array");
        ParseStorage(*object, element, visited, depth + 1, plist);
        return true;
    }
    if (const auto* block = dynamic_cast<const MemoryBlock*>(object)) {
        appendBase64(target.append_child("data"), block->bytes, depth);
        return true;
    }
    if (const auto* file = dynamic_cast<const FolderItem*>(object); file && !plist) {
        appendBase64(target.append_child("file"), file->absolutePath.toUtf8(), depth);
        return true;
    }
    target.append_child(nothing);
    return false;
}

quint32 hexadecimal(QStringView text)
{
    quint32 value = 0;
    for (const QChar c : text) {
        const int digit = QStringView(u"0123456789abcdef").indexOf(c.toLower());
        if (digit < 0)
            break;
        value = (value << 4) | quint32(digit);
    }
    return value;
}

int toInteger(double number)
{
    if (number >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (number <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(number);
}

// The value an element stands for; false for names the reader does not know.
bool readValue(pugi::xml_node element, QStringView name, Object& container, const Variant& key, Variant& value)
{
    if (sameText(name, u"null")) {
        value = Variant();
    } else if (sameText(name, u"integer")) {
        value = Variant(toInteger(leadingNumber(NodeContents(element))));
    } else if (sameText(name, u"real")) {
        value = Variant(leadingNumber(NodeContents(element)));
    } else if (sameText(name, u"date")) {
        value = Variant(dateFromText(NodeContents(element)));
    } else if (sameText(name, u"string")) {
        value = Variant(NodeContents(element));
    } else if (sameText(name, u"dict")) {
        std::shared_ptr<Dictionary> dictionary;
        if (!key.isNil())
            dictionary = std::dynamic_pointer_cast<Dictionary>(StorageByKey(&container, key).object());
        if (!dictionary)
            dictionary = std::make_shared<Dictionary>();
        ParseXML(element, *dictionary);
        value = Variant(dictionary);
    } else if (sameText(name, u"array")) {
        auto list = std::make_shared<Collection>();
        ParseXML(element, *list);
        value = Variant(list);
    } else if (sameText(name, u"data")) {
        value = Variant(std::make_shared<MemoryBlock>(QByteArray::fromBase64(NodeContents(element).toLatin1())));
    } else if (sameText(name, u"file")) {
        const QString path = QString::fromUtf8(QByteArray::fromBase64(NodeContents(element).toLatin1()));
        value = path.isEmpty() ? Variant() : Variant(std::make_shared<FolderItem>(path));
    } else if (sameText(name, u"true")) {
        value = Variant(true);
    } else if (sameText(name, u"false")) {
        value = Variant(false);
    } else if (sameText(name, u"color")) {
        value = Variant::colour(hexadecimal(QStringView(NodeContents(element)).mid(1)));
    } else {
        return false;
    }
    return true;
}

// Whether the elements from node down nest deeper than limit (node counts
// as 1). Walks the tree without recursion.
bool deeperThan(pugi::xml_node node, int limit)
{
    const pugi::xml_node top = node;
    int depth = 1;
    while (node) {
        if (depth > limit && node.type() == pugi::node_element)
            return true;
        if (pugi::xml_node child = node.first_child()) {
            node = child;
            ++depth;
            continue;
        }
        while (node != top && !node.next_sibling()) {
            node = node.parent();
            --depth;
        }
        if (node == top)
            break;
        node = node.next_sibling();
    }
    return false;
}

} // namespace

QString formatReal(double value)
{
    return formatFraction(value, 15);
}

pugi::xml_document ExportXML(const Dictionary& dictionary, bool plist)
{
    pugi::xml_document document;
    if (plist) {
        pugi::xml_node root = document.append_child("plist");
        root.append_attribute("version") = "1.0";
        pugi::xml_node dict = root.append_child("dict");
        ParseStorage(dictionary, dict, true);
        IndentNode(root, 0, true);
        IndentNode(dict, 0, true);
    } else {
        pugi::xml_node root = document.append_child("xmldict");
        root.append_attribute("version") = "1.1";
        ParseStorage(dictionary, root, false);
        IndentNode(root, 0, true);
    }
    document.append_child(pugi::node_pcdata).set_value(lineBreak);
    return document;
}

QString ExportXMLString(const Dictionary& dictionary, bool plist)
{
    StringWriter writer;
    ExportXML(dictionary, plist).save(writer, "", pugi::format_raw, pugi::encoding_utf8);
    // The serialiser writes carriage returns in text as they are, and every
    // XML reader turns them into line feeds; as references they survive.
    QString text = QString::fromUtf8(writer.text).replace(u'\r', QStringLiteral("&#13;"));

    const qsizetype declarationEnd = text.indexOf(QLatin1String(lineBreak));
    const qsizetype split = declarationEnd < 0 ? text.size() : declarationEnd + 1;
    return text.left(split) + QLatin1String(plist ? plistDoctype : xmldictDoctype) + QLatin1String(lineBreak)
        + text.mid(split);
}

bool LoadXML(Dictionary& dictionary, const QString& text)
{
    if (text.size() > maximumTextLength)
        return false;
    const QByteArray utf8 = text.toUtf8();
    if (xmlNestingDepth(utf8.constData(), std::size_t(utf8.size()), maximumDepth) > maximumDepth)
        return false;
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer(
        utf8.constData(), std::size_t(utf8.size()), pugi::parse_default | pugi::parse_ws_pcdata, pugi::encoding_utf8);
    return parsed && LoadXML(dictionary, document);
}

bool LoadXML(Dictionary& dictionary, const pugi::xml_document& document)
{
    const pugi::xml_node root = document.document_element();
    if (!root || deeperThan(root, maximumDepth))
        return false;
    const double version = leadingNumber(fromUtf8(root.attribute("version").value()));

    if (sameText(fromUtf8(root.name()), u"plist")) {
        pugi::xml_node first = root.first_child();
        while (first && first.type() != pugi::node_element)
            first = first.next_sibling();
        if (!first || !sameText(fromUtf8(first.name()), u"dict") || version > 1.0)
            return false;
        ParseXML(first, dictionary);
        return true;
    }
    if (version > 1.1)
        return false;
    ParseXML(root, dictionary);
    return true;
}

void ParseStorage(const Object& container, pugi::xml_node element, bool plist)
{
    VisitedList visited;
    ParseStorage(container, element, visited, 1, plist);
}

void ParseStorage(const Object& container, pugi::xml_node element, VisitedList& visited, int depth, bool plist)
{
    if (visited.contains(&container))
        return;
    visited.append(&container);

    const int count = StorageCount(&container);
    for (int i = 0; i < count; ++i) {
        const Variant key = StorageKey(&container, i);
        if (!key.isNil()) {
            pugi::xml_node keyElement = element.append_child("key");
            appendText(keyElement, keyText(key));
            IndentNode(keyElement, depth, false);
        }
        const bool closing = appendValue(element, StorageValue(&container, i), visited, depth, plist);
        IndentNode(element.last_child(), depth, closing);
    }
}

void IndentNode(pugi::xml_node node, int depth, bool closing)
{
    const std::string layout = lineBreak + std::string(std::size_t(std::max(depth, 0)), '\t');
    node.parent().insert_child_before(pugi::node_pcdata, node).set_value(layout.c_str());
    if (closing)
        node.append_child(pugi::node_pcdata).set_value(layout.c_str());
}

void ParseXML(pugi::xml_node element, Object& container)
{
    std::optional<QString> pendingKey;
    for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element)
            continue;
        const QString name = fromUtf8(child.name());
        if (!pendingKey && sameText(name, u"key")) {
            pendingKey = NodeContents(child);
            continue;
        }
        const Variant key = pendingKey ? Variant(*pendingKey) : Variant();
        pendingKey.reset();
        if (sameText(name, u"key"))
            continue;
        Variant value;
        if (readValue(child, name, container, key, value))
            StoreValue(&container, key, value);
    }
}

QString NodeContents(pugi::xml_node element)
{
    QString contents;
    for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
            contents += fromUtf8(child.value());
        } else {
            StringWriter writer;
            child.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
            contents += QString::fromUtf8(writer.text);
        }
    }
    return contents;
}

int StorageCount(const Object* container)
{
    if (const auto* dictionary = dynamic_cast<const Dictionary*>(container))
        return dictionary->count();
    if (const auto* list = dynamic_cast<const Collection*>(container))
        return list->count();
    return 0;
}

Variant StorageKey(const Object* container, int index)
{
    if (const auto* dictionary = dynamic_cast<const Dictionary*>(container))
        return dictionary->key(index);
    return Variant();
}

Variant StorageValue(const Object* container, int index)
{
    if (const auto* dictionary = dynamic_cast<const Dictionary*>(container))
        return dictionary->value(index);
    if (const auto* list = dynamic_cast<const Collection*>(container))
        return list->item(index + 1);
    return Variant();
}

Variant StorageByKey(const Object* container, const Variant& key)
{
    if (const auto* dictionary = dynamic_cast<const Dictionary*>(container))
        return dictionary->lookup(key);
    return Variant();
}

void StoreValue(Object* container, const Variant& key, const Variant& value)
{
    if (auto* dictionary = dynamic_cast<Dictionary*>(container)) {
        if (!key.isNil())
            dictionary->setValue(key, value);
    } else if (auto* list = dynamic_cast<Collection*>(container)) {
        list->add(value);
    }
}

} // namespace XMLDictionary
