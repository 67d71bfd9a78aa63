#include "settings/dictionary.h"

Variant Dictionary::key(int index) const
{
    return index >= 0 && index < count() ? m_entries.at(index).key : Variant();
}

Variant Dictionary::value(int index) const
{
    return index >= 0 && index < count() ? m_entries.at(index).value : Variant();
}

bool Dictionary::hasKey(const Variant& key) const
{
    return m_index.contains(identity(key));
}

Variant Dictionary::lookup(const Variant& key) const
{
    const auto found = m_index.constFind(identity(key));
    return found == m_index.cend() ? Variant() : m_entries.at(*found).value;
}

void Dictionary::setValue(const Variant& key, const Variant& value)
{
    const QString id = identity(key);
    const auto found = m_index.constFind(id);
    if (found != m_index.cend()) {
        m_entries[*found].value = value;
        return;
    }
    m_index.insert(id, int(m_entries.size()));
    m_entries.append({ key, value });
}

bool Dictionary::remove(const Variant& key)
{
    const auto found = m_index.find(identity(key));
    if (found == m_index.end())
        return false;
    const int removed = *found;
    m_index.erase(found);
    m_entries.removeAt(removed);
    for (int& index : m_index) {
        if (index > removed)
            --index;
    }
    return true;
}

QString Dictionary::identity(const Variant& key)
{
    const QString kind = QString::number(key.code()) + u':';
    switch (key.kind()) {
    case Variant::Kind::Nil:
        return kind;
    case Variant::Kind::Integer:
        return kind + QString::number(key.integerValue());
    case Variant::Kind::Double:
        return kind + QString::number(key.doubleValue(), 'g', 17);
    case Variant::Kind::Date:
        return kind + QString::number(key.dateValue().toMSecsSinceEpoch());
    case Variant::Kind::String:
        return kind + key.stringValue().toCaseFolded();
    case Variant::Kind::Object:
        return kind + QString::number(quintptr(key.object().get()));
    case Variant::Kind::Boolean:
        return kind + (key.booleanValue() ? u'1' : u'0');
    case Variant::Kind::Colour:
        return kind + QString::number(key.colourValue());
    }
    return kind;
}
