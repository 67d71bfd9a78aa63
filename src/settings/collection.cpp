#include "settings/collection.h"

Variant Collection::item(int index) const
{
    return index >= 1 && index <= count() ? m_items.at(index - 1) : Variant();
}
