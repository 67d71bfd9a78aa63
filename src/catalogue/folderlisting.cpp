#include "catalogue/folderlisting.h"

#include "catalogue/rawpath.h"

#include <QLocale>

#include <unicode/ucol.h>

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <memory>

namespace {

// ICU's collator in the session's language, digits compared by value and
// letter case ignored: the order Qt's QCollator gives with numeric mode and
// case insensitivity, used directly so that a folder of thousands of names
// costs one sort key each in one buffer and a byte comparison per pair.
class NaturalOrder {
public:
    static const UCollator* forThisThread()
    {
        // Qt's collator ignores numeric mode in the C locale, which is what
        // a session without a language setting runs in.
        QLocale locale;
        if (locale.language() == QLocale::C)
            locale = QLocale(QLocale::English, QLocale::UnitedStates);
        const QByteArray name = locale.name().toLatin1();
        thread_local NaturalOrder order;
        if (!order.m_collator || order.m_locale != name) {
            order.m_collator.reset(open(name));
            order.m_locale = name;
        }
        return order.m_collator.get();
    }

private:
    struct Close {
        void operator()(UCollator* collator) const { ucol_close(collator); }
    };

    static UCollator* open(const QByteArray& locale)
    {
        UErrorCode status = U_ZERO_ERROR;
        UCollator* collator = ucol_open(locale.constData(), &status);
        if (U_FAILURE(status)) {
            status = U_ZERO_ERROR;
            collator = ucol_open("", &status);
            if (U_FAILURE(status))
                return nullptr;
        }
        ucol_setAttribute(collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
        ucol_setAttribute(collator, UCOL_STRENGTH, UCOL_SECONDARY, &status);
        ucol_setAttribute(collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
        ucol_setAttribute(collator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
        return collator;
    }

    std::unique_ptr<UCollator, Close> m_collator;
    QByteArray m_locale;
};

// Appends the sort key of name to keys and returns where it starts.
size_t appendSortKey(const UCollator* collator, const QByteArray& name, std::vector<char>& keys)
{
    const size_t start = keys.size();
    if (!collator) {
        keys.push_back('\0');
        return start;
    }
    const QString text = RawPath::display(name);
    const auto* characters = reinterpret_cast<const UChar*>(text.utf16());
    size_t room = std::max<size_t>(64, size_t(text.size()) * 4 + 16);
    for (;;) {
        keys.resize(start + room);
        const int32_t length = ucol_getSortKey(collator, characters, int32_t(text.size()),
            reinterpret_cast<uint8_t*>(keys.data() + start), int32_t(room));
        if (length <= 0) {
            keys.resize(start);
            keys.push_back('\0');
            return start;
        }
        if (size_t(length) <= room) {
            // The length counts the key's closing zero byte.
            keys.resize(start + size_t(length));
            return start;
        }
        room = size_t(length);
    }
}

} // namespace

std::vector<ListedItem> listFolder(const QByteArray& path)
{
    std::vector<ListedItem> items;
    DIR* folder = ::opendir(path.constData());
    if (!folder)
        return items;
    while (const dirent* entry = ::readdir(folder)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        const ListedItem::Kind kind = entry->d_type == DT_DIR ? ListedItem::Kind::folder
            : entry->d_type == DT_REG                         ? ListedItem::Kind::file
                                                              : ListedItem::Kind::unknown;
        items.push_back({QByteArray(name), kind});
    }
    ::closedir(folder);

    const UCollator* collator = NaturalOrder::forThisThread();
    std::vector<char> keys;
    keys.reserve(items.size() * 32);
    std::vector<size_t> starts;
    starts.reserve(items.size());
    for (const ListedItem& item : items)
        starts.push_back(appendSortKey(collator, item.name, keys));
    std::vector<size_t> order(items.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    const char* base = keys.data();
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const int byKey = std::strcmp(base + starts[a], base + starts[b]);
        // Names that collate alike (differing only in case or in bytes that
        // are not valid UTF-8) still get one fixed order.
        return byKey != 0 ? byKey < 0 : items[a].name < items[b].name;
    });
    std::vector<ListedItem> sorted;
    sorted.reserve(items.size());
    for (const size_t i : order)
        sorted.push_back(std::move(items[i]));
    return sorted;
}
