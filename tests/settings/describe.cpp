#include "describe.h"

#include "settings/collection.h"
#include "settings/dictionary.h"
#include "settings/folderitem.h"
#include "settings/memoryblock.h"
#include "settings/valuetext.h"

#include <QSet>

namespace {

QString quoted(QString text)
{
    text.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
    text.replace(u'\n', QStringLiteral("\\n")).replace(u'\r', QStringLiteral("\\r")).replace(u'\t', QStringLiteral("\\t"));
    return u'"' + text + u'"';
}

QString describeValue(const Variant& value, QSet<const Object*>& open);

QString describeDictionary(const Dictionary& dictionary, QSet<const Object*>& open)
{
    if (open.contains(&dictionary))
        return QStringLiteral("{...}");
    open.insert(&dictionary);
    QStringList entries;
    for (int i = 0; i < dictionary.count(); ++i) {
        const Variant key = dictionary.key(i);
        const QString keyText = key.kind() == Variant::Kind::String ? quoted(key.stringValue()) : describeValue(key, open);
        entries << keyText + QStringLiteral(": ") + describeValue(dictionary.value(i), open);
    }
    open.remove(&dictionary);
    return u'{' + entries.join(QStringLiteral(", ")) + u'}';
}

QString describeValue(const Variant& value, QSet<const Object*>& open)
{
    switch (value.kind()) {
    case Variant::Kind::Nil:
        return QStringLiteral("nil");
    case Variant::Kind::Integer:
        return QStringLiteral("int %1").arg(value.integerValue());
    case Variant::Kind::Double:
        return QStringLiteral("real %1").arg(value.doubleValue(), 0, 'g', 17);
    case Variant::Kind::Date:
        return QStringLiteral("date ") + dateText(value.dateValue());
    case Variant::Kind::String:
        return QStringLiteral("string ") + quoted(value.stringValue());
    case Variant::Kind::Boolean:
        return value.booleanValue() ? QStringLiteral("true") : QStringLiteral("false");
    case Variant::Kind::Colour:
        return QStringLiteral("colour #%1").arg(value.colourValue(), 6, 16, QLatin1Char('0'));
    case Variant::Kind::Object:
        break;
    }
    if (!value.object())
        return QStringLiteral("null object");
    if (const auto* dictionary = value.as<Dictionary>())
        return describeDictionary(*dictionary, open);
    if (const auto* list = value.as<Collection>()) {
        if (open.contains(list))
            return QStringLiteral("[...]");
        open.insert(list);
        QStringList items;
        for (int i = 1; i <= list->count(); ++i)
            items << describeValue(list->item(i), open);
        open.remove(list);
        return u'[' + items.join(QStringLiteral(", ")) + u']';
    }
    if (const auto* block = value.as<MemoryBlock>())
        return QStringLiteral("data ") + QString::fromLatin1(block->bytes.toHex());
    if (const auto* file = value.as<FolderItem>())
        return QStringLiteral("file ") + file->absolutePath;
    return QStringLiteral("object");
}

} // namespace

QString describe(const Variant& value)
{
    QSet<const Object*> open;
    return describeValue(value, open);
}

QString describe(const Dictionary& dictionary)
{
    QSet<const Object*> open;
    return describeDictionary(dictionary, open);
}
