#include "catalogue/folderlisting.h"

#include "catalogue/rawpath.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <dirent.h>

namespace {

QCollator naturalOrder()
{
    // Qt's collator ignores numeric mode in the C locale, which is what a
    // session without a language setting runs in.
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

} // namespace

std::vector<FolderItem> listFolder(const QByteArray& path)
{
    std::vector<FolderItem> items;
    DIR* folder = ::opendir(path.constData());
    if (!folder)
        return items;
    while (const dirent* entry = ::readdir(folder)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const FolderItem::Kind kind = entry->d_type == DT_DIR ? FolderItem::Kind::folder
            : entry->d_type == DT_REG                         ? FolderItem::Kind::file
                                                              : FolderItem::Kind::unknown;
        items.push_back({name, kind});
    }
    ::closedir(folder);

    const QCollator collator = naturalOrder();
    struct Keyed {
        QCollatorSortKey key;
        size_t index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i)
        keyed.push_back({collator.sortKey(RawPath::display(items[i].name)), i});
    std::sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
        const int order = a.key.compare(b.key);
        // Names that collate alike (differing only in case or in bytes that
        // are not valid UTF-8) still get one fixed order.
        return order != 0 ? order < 0 : items[a.index].name < items[b.index].name;
    });
    std::vector<FolderItem> sorted;
    sorted.reserve(items.size());
    for (const Keyed& k : keyed)
        sorted.push_back(std::move(items[k.index]));
    return sorted;
}
