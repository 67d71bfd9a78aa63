#pragma once

#include "settings/variant.h"

#include <QList>
#include <QTreeWidget>
#include <memory>
#include <optional>

class Dictionary;
class Object;

// A dictionary shown as a tree: key and value text in the two visible
// columns, the key's and the value's kind codes and, for folder rows (a
// dictionary or a list), the index of the container in rowFolders in three
// zero-width columns. Folder rows list their entries when expanded. The
// settings are read back from the rows of a never-shown instance.
class DictionaryViewer : public QTreeWidget {
    Q_OBJECT
public:
    enum Column { KeyColumn, ValueColumn, KeyTypeColumn, ValueTypeColumn, RowTagColumn };

    explicit DictionaryViewer(QWidget* parent = nullptr);

    // Removes the rows (rowFolders keeps its entries, so RowTags stay
    // valid) and adds one row per top-level entry.
    void Populate(const Dictionary& dictionary);
    // Adds one row per entry of the container at the current level: the top
    // level, or below the row being expanded.
    void ParseStorage(const Object& container);
    // Lists the entries of the folder row's container as its children.
    void ExpandRow(QTreeWidgetItem* row);

    static QString getVariantType(const Variant& value);
    static QString getVariantValue(const Variant& value);
    static bool ValueIsExpandable(const Variant& value);

    // The viewer's own accessors: like the XML dictionary's, except that
    // the key of list item i is the integer i + 1.
    static int StorageCount(const Object* container);
    static Variant StorageKey(const Object* container, int index);
    static Variant StorageValue(const Object* container, int index);

    // The colour the text of a cell is drawn in, chosen from the kind code
    // in its type column; none for the list's default colour.
    static std::optional<QColor> cellTextColour(const QTreeWidgetItem& row, int column);

    // The top-level rows, and the text of a cell of one ("" outside).
    int rowCount() const { return topLevelItemCount(); }
    QString cell(int row, int column) const;

    QList<Variant> rowFolders;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyColumnWidths();
    QTreeWidgetItem* addRow(bool folder);

    QTreeWidgetItem* m_expanding = nullptr;
};
