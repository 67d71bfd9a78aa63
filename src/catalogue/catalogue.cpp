#include "catalogue/catalogue.h"

void Catalogue::empty()
{
    m_bildfile.clear();
    m_bildname.clear();
    m_bildsize.clear();
    m_bildscaled.clear();
}

void Catalogue::append(const CatalogueEntry& entry)
{
    m_bildsize.append(entry.size);
    m_bildname.append(entry.name);
    m_bildscaled.append(entry.thumbnail);
    m_bildfile.append(entry.path);
}

QByteArray Catalogue::bildfile(int i) const
{
    return has(i) ? m_bildfile.at(i - 1) : QByteArray();
}

QString Catalogue::bildname(int i) const
{
    return has(i) ? m_bildname.at(i - 1) : QString();
}

QString Catalogue::bildsize(int i) const
{
    return has(i) ? m_bildsize.at(i - 1) : QString();
}

QImage Catalogue::bildscaled(int i) const
{
    return has(i) ? m_bildscaled.at(i - 1) : QImage();
}
