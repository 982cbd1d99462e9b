#include "KestrupExe/ctlSerialPorts.h"

#include <algorithm>

#include <QGroupBox>
#include <QVBoxLayout>

#include "Seekwire/CommPorts.h"
#include "automation/Runtime.h"
#include "ui/ListView.h"
#include "ui/Twips.h"

namespace Kestrup {

ctlSerialPorts::ctlSerialPorts(QWidget* parent) : QWidget(parent) {
    auto* frame = new QGroupBox("Available communication ports", this);
    lstSerialPorts = new Platform::Ui::ListView(frame);
    lstSerialPorts->setObjectName("lstSerialPorts");
    (new QVBoxLayout(frame))->addWidget(lstSerialPorts);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(frame);
    connect(lstSerialPorts, &Platform::Ui::ListView::SelectionChange, this,
            [this](QTreeWidgetItem* item) { ItemClick(item); });
}

Automation::Ref<Seekwire::CommPort> ctlSerialPorts::portOf(QTreeWidgetItem* item) const {
    const Automation::Variant& tag = lstSerialPorts->Tag(item);
    return tag.isObject() ? tag.toObject().as<Seekwire::CommPort>() : nullptr;
}

void ctlSerialPorts::showEvent(QShowEvent* event) {
    // The headers belong to the control, not to a listing.
    if (!headersAdded_) {
        headersAdded_ = true;
        lstSerialPorts->AddColumn("", "Port", 1000);
        lstSerialPorts->AddColumn("", "DSR status", 1000);
        fitColumns();
    }
    QWidget::showEvent(event);
}

void ctlSerialPorts::Load() {
    auto ports = Automation::New<Seekwire::CommPorts>();
    ports->Enumerate(1, 15);
    lstSerialPorts->ClearItems();
    for (const auto& port : *ports) {
        QTreeWidgetItem* row = lstSerialPorts->AddItem(port->Name(), Automation::upperCase(port->Name()));
        lstSerialPorts->setText(row, 1, port->IsDataSetReady() ? "Active" : "Not active");
        lstSerialPorts->setTag(row, port);
    }
    fitColumns();
}

void ctlSerialPorts::fitColumns() {
    // At least their width of 1000 twips, and wide enough for their headers and cells.
    for (int column = 0; column < lstSerialPorts->columnCount(); ++column) {
        lstSerialPorts->resizeColumnToContents(column);
        lstSerialPorts->setColumnWidth(
            column, std::max(Platform::Ui::toPixels(1000), lstSerialPorts->columnWidth(column)));
    }
}

Automation::Ref<Seekwire::CommPort> ctlSerialPorts::SelectedSerPort() const {
    const auto selected = lstSerialPorts->selectedItems();
    if (selected.isEmpty())
        return nullptr;
    return portOf(selected.first());
}

void ctlSerialPorts::ItemClick(QTreeWidgetItem* item) {
    auto port = item ? portOf(item) : nullptr;
    if (port)
        Q_EMIT SerPortSelected(static_cast<int16_t>(port->Number()));
    else
        Q_EMIT NoSerPortSelected();
}

} // namespace Kestrup
