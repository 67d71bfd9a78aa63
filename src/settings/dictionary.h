#pragma once

#include "settings/object.h"
#include "settings/variant.h"

#include <QHash>
#include <QList>

// Keys and values in the order of first insertion: storing under a key that
// is already present replaces the value in its place. String keys compare
// without regard to letter case (the program's one text rule) and keep the
// spelling they were first stored with; keys of different kinds never match,
// objects match by identity.
class Dictionary : public Object {
public:
    int count() const { return int(m_entries.size()); }
    // The i-th key and value, from 0; nil outside 0 ... count() - 1.
    Variant key(int index) const;
    Variant value(int index) const;

    bool hasKey(const Variant& key) const;
    // The value under the key, nil when the key is absent.
    Variant lookup(const Variant& key) const;
    void setValue(const Variant& key, const Variant& value);
    bool remove(const Variant& key);

private:
    struct Entry {
        Variant key;
        Variant value;
    };
    static QString identity(const Variant& key);

    QList<Entry> m_entries;
    QHash<QString, int> m_index;
};
