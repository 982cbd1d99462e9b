#include "ui/ListView.h"

#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>

#include "automation/Error.h"
#include "ui/Text.h"
#include "ui/Twips.h"

namespace Platform::Ui {

namespace {

constexpr const char* ErrorSource = "ListView";

[[noreturn]] void raiseNotFound(const std::string& key) {
    Automation::raise(ListView::ElementNotFound, ErrorSource, "Element not found: \"" + key + "\"");
}

} // namespace

ListView::ListView(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setColumnCount(0);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    connect(header(), &QHeaderView::sectionClicked, this, [this](int column) { Q_EMIT ColumnClick(column); });
    connect(this, &QTreeWidget::itemChanged, this, &ListView::onItemChanged);
}

// --- columns -----------------------------------------------------------------

void ListView::AddColumn(const std::string& key, const std::string& caption, double widthTwips) {
    const int column = static_cast<int>(columnKeys_.size());
    columnKeys_.push_back(key);
    setColumnCount(column + 1);
    headerItem()->setText(column, toQString(caption));
    setColumnWidthTwips(column, widthTwips);
}

void ListView::ClearColumns() {
    columnKeys_.clear();
    setColumnCount(0);
}

int ListView::ColumnIndex(const std::string& key) const {
    for (size_t i = 0; i < columnKeys_.size(); ++i)
        if (columnKeys_[i] == key)
            return static_cast<int>(i);
    raiseNotFound(key);
}

std::string ListView::ColumnKey(int column) const {
    return columnKeys_.at(static_cast<size_t>(column));
}

std::string ListView::ColumnCaption(int column) const {
    return fromQString(headerItem()->text(column));
}

double ListView::ColumnWidthTwips(int column) const {
    return toTwips(columnWidth(column));
}

void ListView::setColumnWidthTwips(int column, double twips) {
    setColumnWidth(column, std::max(0, toPixels(twips)));
}

// --- rows ----------------------------------------------------------------------

QTreeWidgetItem* ListView::AddItem(const std::string& key, const std::string& text) {
    if (!key.empty() && byKey_.count(key))
        Automation::raise(KeyNotUnique, ErrorSource, "Key is not unique in collection: \"" + key + "\"");
    auto* item = new QTreeWidgetItem();
    rows_[item].key = key;
    if (!key.empty())
        byKey_[key] = item;
    changingChecks_ = true;
    item->setText(0, toQString(text));
    if (checkboxes_)
        item->setCheckState(0, Qt::Unchecked);
    addTopLevelItem(item);
    changingChecks_ = false;
    resort();
    return item;
}

QTreeWidgetItem* ListView::FindItem(const std::string& key) const noexcept {
    auto it = byKey_.find(key);
    return it == byKey_.end() ? nullptr : it->second;
}

QTreeWidgetItem* ListView::Item(const std::string& key) const {
    if (auto* item = FindItem(key))
        return item;
    raiseNotFound(key);
}

void ListView::RemoveItem(const std::string& key) {
    QTreeWidgetItem* item = Item(key);
    byKey_.erase(key);
    rows_.erase(item);
    delete item;
}

void ListView::ClearItems() {
    clear();
    byKey_.clear();
    rows_.clear();
}

std::vector<QTreeWidgetItem*> ListView::Items() const {
    std::vector<QTreeWidgetItem*> items;
    for (int i = 0; i < topLevelItemCount(); ++i)
        items.push_back(topLevelItem(i));
    return items;
}

ListView::Row& ListView::rowOf(const QTreeWidgetItem* item) const {
    auto it = rows_.find(item);
    if (it == rows_.end())
        Automation::raise(ElementNotFound, ErrorSource, "Element not found");
    return it->second;
}

std::string ListView::Key(const QTreeWidgetItem* item) const {
    return rowOf(item).key;
}

std::string ListView::Text(const QTreeWidgetItem* item, int column) const {
    return fromQString(item->text(column));
}

void ListView::setText(QTreeWidgetItem* item, int column, const std::string& text) {
    item->setText(column, toQString(text));
    applyGhosting(item, column);
    if (column == sortKey_)
        resort();
}

const Automation::Variant& ListView::Tag(const QTreeWidgetItem* item) const {
    return rowOf(item).tag;
}

void ListView::setTag(QTreeWidgetItem* item, Automation::Variant tag) {
    rowOf(item).tag = std::move(tag);
}

void ListView::setToolTip(QTreeWidgetItem* item, const std::string& text) {
    const QString tip = toQString(text);
    for (int column = 0; column < std::max(1, columnCount()); ++column)
        item->setToolTip(column, tip);
}

void ListView::setBold(QTreeWidgetItem* item, bool bold) {
    QFont font = item->font(0);
    font.setBold(bold);
    item->setFont(0, font);
}

// --- icons ---------------------------------------------------------------------

int ListView::SmallIcon(const QTreeWidgetItem* item) const {
    return rowOf(item).icon;
}

void ListView::setSmallIcon(QTreeWidgetItem* item, int image) {
    if (image < 0 || image > static_cast<int>(images_.size()))
        Automation::raise(Automation::RuntimeError::InvalidProcedureCall, ErrorSource,
                          "No image " + std::to_string(image) + " in the image list");
    rowOf(item).icon = image;
    item->setIcon(0, image == 0 ? QIcon() : images_[static_cast<size_t>(image - 1)]);
}

// --- check boxes -----------------------------------------------------------------

void ListView::setCheckboxes(bool on) {
    checkboxes_ = on;
    changingChecks_ = true;
    for (QTreeWidgetItem* item : Items()) {
        if (on)
            item->setCheckState(0, rowOf(item).checked ? Qt::Checked : Qt::Unchecked);
        else
            item->setData(0, Qt::CheckStateRole, QVariant());
    }
    changingChecks_ = false;
}

bool ListView::Checked(const QTreeWidgetItem* item) const {
    return rowOf(item).checked;
}

void ListView::setChecked(QTreeWidgetItem* item, bool checked) {
    rowOf(item).checked = checked;
    if (!checkboxes_)
        return;
    changingChecks_ = true;
    item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    changingChecks_ = false;
}

void ListView::onItemChanged(QTreeWidgetItem* item, int column) {
    if (column != 0 || !checkboxes_)
        return;
    auto it = rows_.find(item);
    if (it == rows_.end())
        return;
    const bool checked = item->checkState(0) == Qt::Checked;
    if (checked == it->second.checked)
        return;
    it->second.checked = checked;
    if (!changingChecks_)
        Q_EMIT ItemCheck(item);
}

bool ListView::Ghosted(const QTreeWidgetItem* item) const {
    return rowOf(item).ghosted;
}

void ListView::setGhosted(QTreeWidgetItem* item, bool ghosted) {
    rowOf(item).ghosted = ghosted;
    for (int column = 0; column < std::max(1, columnCount()); ++column)
        applyGhosting(item, column);
}

void ListView::applyGhosting(QTreeWidgetItem* item, int column) {
    if (rowOf(item).ghosted)
        item->setForeground(column, palette().brush(QPalette::Disabled, QPalette::Text));
    else
        item->setData(column, Qt::ForegroundRole, QVariant());
}

// --- sorting ---------------------------------------------------------------------

void ListView::setSorted(bool on) {
    sorted_ = on;
    resort();
}

void ListView::setSortKey(int column) {
    sortKey_ = column;
    resort();
}

void ListView::setSortOrder(int order) {
    sortOrder_ = order == 0 ? 0 : 1;
    resort();
}

void ListView::sortByHeader(int column) {
    sortKey_ = column;
    sortOrder_ = sortOrder_ == 0 ? 1 : 0;
    sorted_ = true;
    resort();
}

void ListView::resort() {
    if (sorted_ && sortKey_ < columnCount())
        sortItems(sortKey_, sortOrder_ == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

// --- the user's choice -------------------------------------------------------------

QTreeWidgetItem* ListView::selectedRow() const {
    const auto selected = selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

template <class Input> void ListView::byUser(Input&& input) {
    QTreeWidgetItem* before = selectedRow();
    input();
    QTreeWidgetItem* after = selectedRow();
    if (after != before)
        Q_EMIT SelectionChange(after);
}

void ListView::keyPressEvent(QKeyEvent* event) {
    byUser([&] { QTreeWidget::keyPressEvent(event); });
}

void ListView::focusInEvent(QFocusEvent* event) {
    const bool hadCurrent = currentIndex().isValid();
    QTreeWidget::focusInEvent(event);
    // Qt makes the first row current without choosing it, and an arrow key
    // onto the current row then chooses nothing: the first key is to choose.
    if (!hadCurrent && selectedItems().isEmpty())
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

void ListView::mousePressEvent(QMouseEvent* event) {
    byUser([&] { QTreeWidget::mousePressEvent(event); });
}

void ListView::mouseMoveEvent(QMouseEvent* event) {
    byUser([&] { QTreeWidget::mouseMoveEvent(event); });
}

void ListView::mouseReleaseEvent(QMouseEvent* event) {
    byUser([&] { QTreeWidget::mouseReleaseEvent(event); });
}

} // namespace Platform::Ui
