#include "settings/dictionaryviewer.h"

#include "common/leadingnumber.h"
#include "common/textcompare.h"
#include "settings/beep.h"
#include "settings/collection.h"
#include "settings/dictionary.h"
#include "settings/folderitem.h"
#include "settings/memoryblock.h"
#include "settings/valuetext.h"
#include "settings/xmldictionary.h"

#include <QHeaderView>
#include <QScopedValueRollback>
#include <algorithm>
#include <cmath>

namespace {

// A row whose text colour follows its type columns whenever it is drawn.
class ViewerRow : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;

    QVariant data(int column, int role) const override
    {
        if (role == Qt::ForegroundRole) {
            if (const std::optional<QColor> colour = DictionaryViewer::cellTextColour(*this, column))
                return QBrush(*colour);
        }
        return QTreeWidgetItem::data(column, role);
    }
};

int colourComponent(QStringView text)
{
    return std::clamp(int(leadingNumber(text.trimmed())), 0, 255);
}

} // namespace

DictionaryViewer::DictionaryViewer(QWidget* parent)
    : QTreeWidget(parent)
{
    setColumnCount(5);
    setHeaderLabels({ QStringLiteral("Key"), QStringLiteral("Value"), QStringLiteral("Internal Use - Key Type"),
        QStringLiteral("Internal Use - Value Type"), QStringLiteral("Internal Use - RowTag") });
    setRootIsDecorated(true);
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(0);
    for (int column = KeyTypeColumn; column <= RowTagColumn; ++column)
        setColumnHidden(column, true);
    applyColumnWidths();

    connect(this, &QTreeWidget::itemExpanded, this, &DictionaryViewer::ExpandRow);
    // A folder row lists its entries afresh each time it opens.
    connect(this, &QTreeWidget::itemCollapsed, this, [](QTreeWidgetItem* row) { qDeleteAll(row->takeChildren()); });
}

void DictionaryViewer::Populate(const Dictionary& dictionary)
{
    clear();
    m_expanding = nullptr;
    ParseStorage(dictionary);
}

void DictionaryViewer::ParseStorage(const Object& container)
{
    const int count = StorageCount(&container);
    for (int i = 0; i < count; ++i) {
        const Variant value = StorageValue(&container, i);
        const Variant key = StorageKey(&container, i);
        QTreeWidgetItem* row = nullptr;
        if (ValueIsExpandable(value)) {
            row = addRow(true);
            rowFolders.append(value);
            row->setText(ValueTypeColumn, QStringLiteral("0"));
            row->setText(RowTagColumn, QString::number(rowFolders.size() - 1));
        } else {
            row = addRow(false);
            row->setText(ValueTypeColumn, value.as<MemoryBlock>() ? QStringLiteral("0") : getVariantType(value));
            row->setText(RowTagColumn, QStringLiteral("-1"));
        }
        row->setText(KeyColumn, getVariantValue(key));
        row->setText(ValueColumn, getVariantValue(value));
        row->setText(KeyTypeColumn, getVariantType(key));
    }
}

void DictionaryViewer::ExpandRow(QTreeWidgetItem* row)
{
    if (!row || row->childCount() > 0)
        return;
    const QScopedValueRollback<QTreeWidgetItem*> expanding(m_expanding, row);
    const double rowTag = leadingNumber(row->text(RowTagColumn));
    // A RowTag that names no entry (negative ones included) must not index
    // the list.
    if (rowTag < 0 || rowTag >= double(rowFolders.size())) {
        Beep::ring();
        QTreeWidgetItem* error = addRow(false);
        error->setText(KeyColumn, QStringLiteral("Error"));
        error->setText(ValueColumn, QStringLiteral("Couldn't find nested dictionary"));
        error->setText(KeyTypeColumn, QStringLiteral("8"));
        error->setText(ValueTypeColumn, QStringLiteral("0"));
        return;
    }
    if (const Object* container = rowFolders.at(qsizetype(rowTag)).object().get())
        ParseStorage(*container);
}

QString DictionaryViewer::getVariantType(const Variant& value)
{
    if (value.isNil())
        return QStringLiteral("-1");
    if (value.kind() == Variant::Kind::Object && !value.object())
        return QStringLiteral("0");
    return QString::number(value.code());
}

QString DictionaryViewer::getVariantValue(const Variant& value)
{
    switch (value.kind()) {
    case Variant::Kind::Nil:
        return QStringLiteral("-1");
    case Variant::Kind::Integer:
        return QString::number(value.integerValue());
    case Variant::Kind::Double:
        return formatFraction(value.doubleValue(), 5);
    case Variant::Kind::Date:
        return dateText(value.dateValue());
    case Variant::Kind::String:
        return value.stringValue();
    case Variant::Kind::Boolean:
        return value.booleanValue() ? QStringLiteral("True") : QStringLiteral("False");
    case Variant::Kind::Colour: {
        const quint32 rgb = value.colourValue();
        return QStringLiteral("(%1,%2,%3)").arg((rgb >> 16) & 0xFF).arg((rgb >> 8) & 0xFF).arg(rgb & 0xFF);
    }
    case Variant::Kind::Object:
        break;
    }
    if (!value.object())
        return QStringLiteral("Null");
    if (value.as<Dictionary>())
        return QStringLiteral("Dictionary");
    if (value.as<Collection>())
        return QStringLiteral("Collection");
    if (const auto* block = value.as<MemoryBlock>())
        return QString::fromUtf8(block->bytes);
    if (const auto* file = value.as<FolderItem>())
        return file->absolutePath;
    return u'#' + QString::number(value.object()->hashNumber());
}

bool DictionaryViewer::ValueIsExpandable(const Variant& value)
{
    return value.as<Dictionary>() || value.as<Collection>();
}

int DictionaryViewer::StorageCount(const Object* container)
{
    return XMLDictionary::StorageCount(container);
}

Variant DictionaryViewer::StorageKey(const Object* container, int index)
{
    if (dynamic_cast<const Collection*>(container))
        return Variant(index + 1);
    return XMLDictionary::StorageKey(container, index);
}

Variant DictionaryViewer::StorageValue(const Object* container, int index)
{
    return XMLDictionary::StorageValue(container, index);
}

std::optional<QColor> DictionaryViewer::cellTextColour(const QTreeWidgetItem& row, int column)
{
    if (column != KeyColumn && column != ValueColumn)
        return std::nullopt;
    const double code = leadingNumber(row.text(column == KeyColumn ? KeyTypeColumn : ValueTypeColumn));
    const QString text = row.text(column);
    switch (int(code)) {
    case 0:
        return QColor(160, 0, 0);
    case 2:
        return QColor(84, 127, 168);
    case 5:
        return QColor(18, 112, 65);
    case 7:
        return QColor(18, 139, 0);
    case 8:
        return QColor(151, 83, 254);
    case 9:
        return sameText(text, u"Null") ? QColor(255, 0, 0) : QColor(0, 0, 0);
    case 11:
        return QColor(31, 31, 255);
    case 16: {
        const QList<QStringView> fields = QStringView(text).mid(1, text.size() - 2).split(u',');
        const auto field = [&](int i) { return i < fields.size() ? colourComponent(fields.at(i)) : 0; };
        return QColor(field(0), field(1), field(2));
    }
    default:
        return std::nullopt;
    }
}

QString DictionaryViewer::cell(int row, int column) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(column) : QString();
}

void DictionaryViewer::resizeEvent(QResizeEvent* event)
{
    QTreeWidget::resizeEvent(event);
    applyColumnWidths();
}

// The widths "33%,*,0,0,0": a third of the list for the keys, the rest for
// the values, nothing for the three internal columns.
void DictionaryViewer::applyColumnWidths()
{
    const int width = viewport()->width();
    const int keyWidth = int(width * 0.33);
    setColumnWidth(KeyColumn, keyWidth);
    setColumnWidth(ValueColumn, width - keyWidth);
    for (int column = KeyTypeColumn; column <= RowTagColumn; ++column)
        setColumnWidth(column, 0);
}

QTreeWidgetItem* DictionaryViewer::addRow(bool folder)
{
    auto* row = m_expanding ? new ViewerRow(m_expanding) : new ViewerRow(this);
    if (folder)
        row->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return row;
}
