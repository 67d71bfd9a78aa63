#pragma once

#include "settings/object.h"
#include "settings/variant.h"

#include <QList>

// A list of values, counted from 1.
class Collection : public Object {
public:
    int count() const { return int(m_items.size()); }
    // Item 1 ... count(); nil outside.
    Variant item(int index) const;
    void add(const Variant& value) { m_items.append(value); }

private:
    QList<Variant> m_items;
};
