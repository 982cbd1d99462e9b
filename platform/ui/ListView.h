#pragma once
// The common controls' list view in report view, as the page controls use
// it: rows found by text keys (compared exactly, as file paths need), columns
// by key or position, a tag per row, small icons by their number in an image
// list (0 for none), check boxes, ghosted rows, and sorting by one column in
// either order. A key the list does not hold raises 35601, a key in use 35602.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include <QIcon>
#include <QTreeWidget>

#include "automation/Variant.h"

namespace Platform::Ui {

class ListView : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int32_t ElementNotFound = 35601;
    static constexpr int32_t KeyNotUnique = 35602;

    explicit ListView(QWidget* parent = nullptr);

    // --- columns
    void AddColumn(const std::string& key, const std::string& caption, double widthTwips);
    void ClearColumns();
    // Position from 0 of the column with this key; raises 35601.
    int ColumnIndex(const std::string& key) const;
    std::string ColumnKey(int column) const;
    std::string ColumnCaption(int column) const;
    double ColumnWidthTwips(int column) const;
    void setColumnWidthTwips(int column, double twips);

    // --- rows
    QTreeWidgetItem* AddItem(const std::string& key, const std::string& text);
    // Raises 35601 when no row has the key.
    QTreeWidgetItem* Item(const std::string& key) const;
    QTreeWidgetItem* FindItem(const std::string& key) const noexcept;
    void RemoveItem(const std::string& key);
    void ClearItems();
    int ItemCount() const { return topLevelItemCount(); }
    // The rows in the order the list shows them.
    std::vector<QTreeWidgetItem*> Items() const;

    std::string Key(const QTreeWidgetItem* item) const;
    std::string Text(const QTreeWidgetItem* item, int column = 0) const;
    void setText(QTreeWidgetItem* item, int column, const std::string& text);
    const Automation::Variant& Tag(const QTreeWidgetItem* item) const;
    void setTag(QTreeWidgetItem* item, Automation::Variant tag);
    void setToolTip(QTreeWidgetItem* item, const std::string& text);
    void setBold(QTreeWidgetItem* item, bool bold);

    // --- small icons: 1-based numbers into the image list, 0 for none
    void setImageList(std::vector<QIcon> images) { images_ = std::move(images); }
    int SmallIcon(const QTreeWidgetItem* item) const;
    void setSmallIcon(QTreeWidgetItem* item, int image);

    // --- check boxes; a change made here raises no ItemCheck
    bool Checkboxes() const { return checkboxes_; }
    void setCheckboxes(bool on);
    bool Checked(const QTreeWidgetItem* item) const;
    void setChecked(QTreeWidgetItem* item, bool checked);
    bool Ghosted(const QTreeWidgetItem* item) const;
    void setGhosted(QTreeWidgetItem* item, bool ghosted);

    // --- sorting: by the text of column SortKey, ascending (0) or descending (1)
    bool Sorted() const { return sorted_; }
    void setSorted(bool on);
    int SortKey() const { return sortKey_; }
    void setSortKey(int column);
    int SortOrder() const { return sortOrder_; }
    void setSortOrder(int order);
    // A header click as the page controls take it: sort by that column,
    // the order flipped whichever column was sorted before.
    void sortByHeader(int column);

Q_SIGNALS:
    // The user changed the selection: clicked a row or the empty part of the
    // list, or chose with the keyboard (arrows, Home, End, Space, Ctrl+Space).
    // The row now selected, nullptr when none is. Changes made by a program
    // raise none.
    void SelectionChange(QTreeWidgetItem* selected);
    // The user changed a row's check box.
    void ItemCheck(QTreeWidgetItem* item);
    void ColumnClick(int column);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    struct Row {
        std::string key;
        Automation::Variant tag;
        int icon = 0;
        bool checked = false;
        bool ghosted = false;
    };
    Row& rowOf(const QTreeWidgetItem* item) const;
    void applyGhosting(QTreeWidgetItem* item, int column);
    void resort();
    void onItemChanged(QTreeWidgetItem* item, int column);
    QTreeWidgetItem* selectedRow() const;
    // Runs the user's input and reports the selection it changed.
    template <class Input> void byUser(Input&& input);

    std::vector<std::string> columnKeys_;
    std::unordered_map<std::string, QTreeWidgetItem*> byKey_;
    mutable std::unordered_map<const QTreeWidgetItem*, Row> rows_;
    std::vector<QIcon> images_;
    bool checkboxes_ = false;
    bool changingChecks_ = false;
    bool sorted_ = false;
    int sortKey_ = 0;
    int sortOrder_ = 0;
};

} // namespace Platform::Ui
