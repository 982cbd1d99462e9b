#include "Modelpick/ctlVantorSelect.h"

#include <array>

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "messages/ModalBox.h"
#include "messages/WeakControl.h"
#include "ui/Guarded.h"
#include "ui/Icons.h"
#include "ui/ListView.h"
#include "ui/Text.h"

namespace Modelpick {

namespace {

using Automation::Ref;
using Platform::Ui::fromQString;
using Platform::Ui::toQString;

constexpr int32_t ScanTimeOut = 6000;
constexpr const char* DefaultCommunity = "caddis";
constexpr const char* AllNetworks = "255.255.255.255";

struct ColumnSpec {
    int32_t bit;
    const char* caption; // also the column's key
    double widthTwips;
};
constexpr std::array<ColumnSpec, 8> Columns{{{SI_Name, "Name", 1800},
                                             {SI_IP, "IP", 1800},
                                             {SI_Port, "Port", 800},
                                             {SI_SysStatus, "Status", 1000},
                                             {SI_Model, "Model", 800},
                                             {SI_Firmware, "Firmware", 1000},
                                             {SI_HostNet, "Host net", 1800},
                                             {SI_RevTelnet, "Rev Telnet Option", 1000}}};

std::string cellOf(const HubletPrinter& printer, int32_t bit) {
    switch (bit) {
    case SI_Name:
        return printer.Name();
    case SI_IP:
        return printer.IPAddress();
    case SI_Port:
        return std::to_string(printer.Port());
    case SI_SysStatus:
        return printer.StatusText();
    case SI_Model:
        return printer.Model();
    case SI_Firmware:
        return printer.MCSVersion();
    case SI_HostNet:
        return printer.HostNetwork();
    default:
        return printer.ReverseTelnetOption() ? "True" : "False";
    }
}

} // namespace

// The control as the finder's client. The finder holds its client weakly, so
// its reports stop when the control, which holds this object, is gone.
class ctlVantorSelect::FinderClient : public Automation::Object, public Beaconet::INotify {
public:
    explicit FinderClient(ctlVantorSelect* control) : control_(control) {}
    void NewPrinter(const Ref<Beaconet::HBPrinter>& oPrinter) override { control_->NewPrinter(oPrinter); }

private:
    Platform::WeakControl<ctlVantorSelect> control_;
};

Ref<Beaconet::INotify> ctlVantorSelect::NotifyClient() const {
    return client_;
}

ctlVantorSelect::ctlVantorSelect(QWidget* parent)
    : QWidget(parent), client_(Automation::New<FinderClient>(this)) {
    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName("SSTab1");

    auto* printersTab = new QWidget;
    ListView1 = new Platform::Ui::ListView;
    ListView1->setObjectName("ListView1");
    ListView1->setImageList({Platform::Ui::ArrowIcon()});
    ListView1->installEventFilter(this);
    cmdScan = new QPushButton(tr("&Scan"));
    cmdScan->setObjectName("cmdScan");
    auto* scanRow = new QHBoxLayout;
    scanRow->addStretch();
    scanRow->addWidget(cmdScan);
    auto* printersLayout = new QVBoxLayout(printersTab);
    printersLayout->addWidget(ListView1);
    printersLayout->addLayout(scanRow);
    SSTab1->addTab(printersTab, tr(" &Network printers"));

    auto* optionsTab = new QWidget;
    auto* fraIP = new QGroupBox(tr("IP/Broadcast address"));
    fraIP->setObjectName("fraIP");
    txtNetwork = new QLineEdit(AllNetworks);
    txtNetwork->setObjectName("txtNetwork");
    txtNetwork->installEventFilter(this);
    lstSubnets = new QListWidget;
    lstSubnets->setObjectName("lstSubnets");
    cmdAdd = new QPushButton(tr("&Add"));
    cmdAdd->setObjectName("cmdAdd");
    cmdRemove = new QPushButton(tr("&Remove"));
    cmdRemove->setObjectName("cmdRemove");
    cmdRemoveAll = new QPushButton(tr("Remove a&ll"));
    cmdRemoveAll->setObjectName("cmdRemoveAll");
    auto* addRow = new QHBoxLayout;
    addRow->addWidget(txtNetwork, 1);
    addRow->addWidget(cmdAdd);
    auto* removeColumn = new QVBoxLayout;
    removeColumn->addWidget(cmdRemove);
    removeColumn->addWidget(cmdRemoveAll);
    removeColumn->addStretch();
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(lstSubnets, 1);
    listRow->addLayout(removeColumn);
    auto* ipLayout = new QVBoxLayout(fraIP);
    ipLayout->addLayout(addRow);
    ipLayout->addLayout(listRow);

    auto* fraCommunity = new QGroupBox(tr("Community"));
    fraCommunity->setObjectName("fraCommunity");
    txtCommunity = new QLineEdit(DefaultCommunity);
    txtCommunity->setObjectName("txtCommunity");
    txtCommunity->installEventFilter(this);
    auto* communityLayout = new QVBoxLayout(fraCommunity);
    communityLayout->addWidget(txtCommunity);

    auto* optionsLayout = new QVBoxLayout(optionsTab);
    optionsLayout->addWidget(fraIP, 1);
    optionsLayout->addWidget(fraCommunity);
    SSTab1->addTab(optionsTab, tr("&Options"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(SSTab1);

    connect(cmdScan, &QPushButton::clicked, this, [this] { Scan(); });
    auto guarded = [this](const char* where, void (ctlVantorSelect::*handler)()) {
        return [this, where, handler] { Platform::Ui::guarded(where, Title, [&] { (this->*handler)(); }); };
    };
    connect(cmdAdd, &QPushButton::clicked, this, guarded("cmdAdd", &ctlVantorSelect::cmdAdd_Click));
    connect(cmdRemove, &QPushButton::clicked, this, guarded("cmdRemove", &ctlVantorSelect::cmdRemove_Click));
    connect(cmdRemoveAll, &QPushButton::clicked, this,
            guarded("cmdRemoveAll", &ctlVantorSelect::cmdRemoveAll_Click));
    connect(ListView1, &Platform::Ui::ListView::ItemCheck, this, [this](QTreeWidgetItem* item) {
        Platform::Ui::guarded("ListView1", Title, [&] { ItemCheck(item); });
    });
    connect(ListView1, &Platform::Ui::ListView::ColumnClick, this,
            [this](int column) { ListView1->sortByHeader(column); });
}

ctlVantorSelect::~ctlVantorSelect() {
    if (finder_)
        finder_->TearDown();
}

Ref<Beaconet::HBFind> ctlVantorSelect::Finder() {
    if (!finder_)
        finder_ = Automation::New<Beaconet::HBFind>();
    return finder_;
}

Ref<Beaconet::Networks> ctlVantorSelect::Networks() {
    return Finder()->Networks();
}

std::string ctlVantorSelect::ReadCommunity() {
    return Finder()->Community();
}

void ctlVantorSelect::setReadCommunity(const std::string& value) {
    Finder()->setCommunity(value);
}

// --- set-up ----------------------------------------------------------------------

void ctlVantorSelect::Load() {
    if (loaded_)
        return;
    loaded_ = true;
    ListView1->setCheckboxes(true);
    SSTab1->setCurrentIndex(0);
    if (ReadCommunity().empty())
        setReadCommunity(DefaultCommunity);
    txtCommunity->setText(toQString(ReadCommunity()));
    // Each of the remaining steps goes on whatever the one before it did.
    try {
        Networks()->Add(AllNetworks);
    } catch (const Automation::Error&) {
    }
    lstSubnets->addItem(AllNetworks);
    BuildColumns();
}

void ctlVantorSelect::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (showItems_ == 0)
        showItems_ = SI_Name | SI_IP;
    BuildColumns();
}

void ctlVantorSelect::BuildColumns() {
    ListView1->ClearColumns();
    for (const ColumnSpec& column : Columns)
        if (showItems_ & column.bit)
            ListView1->AddColumn(column.caption, column.caption, column.widthTwips);
}

// --- the sweep -------------------------------------------------------------------

void ctlVantorSelect::Scan() {
    Platform::Ui::guarded("Scan", Title, [this] {
        ListView1->ClearItems();
        // Checked rows may have gone with the list.
        Q_EMIT NoSelectionMade();
        BuildColumns();
        const std::string community = fromQString(txtCommunity->text());
        if (community.empty())
            Automation::raise(9999, "ctlVantorSelect", "Community not valid");
        setReadCommunity(community);
        Finder()->GetPrinters(ScanTimeOut, client_);
    });
    ListView1->update();
}

void ctlVantorSelect::NewPrinter(const Ref<Beaconet::HBPrinter>& oPrinter) {
    auto printer = Automation::New<HubletPrinter>();
    printer->setSource(oPrinter);
    AddPrinterRow(printer);
}

void ctlVantorSelect::AddPrinterRow(const Ref<HubletPrinter>& printer) {
    // Every value is read before the list is touched: a port that is no
    // number leaves no half-made row.
    std::vector<std::string> cells;
    for (const ColumnSpec& column : Columns)
        if (showItems_ & column.bit)
            cells.push_back(cellOf(*printer, column.bit));
    const bool ghosted = printer->Port() == 0 || printer->ReverseTelnetOption() || printer->Status() == 0;
    const std::string key = "IP" + printer->IPAddress();

    // A server answers each sweep request, so one may be reported again:
    // its row is brought up to date.
    QTreeWidgetItem* row = ListView1->FindItem(key);
    const bool wasChecked = row && ListView1->Checked(row);
    if (!row)
        row = ListView1->AddItem(key, cells.empty() ? std::string() : cells.front());
    ListView1->setTag(row, printer);
    ListView1->setSmallIcon(row, 1);
    ListView1->setToolTip(row, "Status: " + printer->StatusText() + " Model: " + printer->Model());
    ListView1->setGhosted(row, ghosted);
    for (size_t i = 0; i < cells.size(); ++i)
        ListView1->setText(row, static_cast<int>(i), cells[i]);
    if (ListView1->hasFocus())
        keepACurrentRow();
    ListView1->update();
    if (wasChecked && ghosted) {
        ListView1->setChecked(row, false);
        raiseSelectionState();
    }
}

// --- checks ----------------------------------------------------------------------

void ctlVantorSelect::ItemCheck(QTreeWidgetItem* item) {
    if (ListView1->Ghosted(item)) {
        ListView1->setChecked(item, false);
        if (auto printer = printerOf(item)) {
            std::string message;
            auto reason = [&message](const char* first, const char* continuation) {
                message += message.empty() ? std::string(first) : std::string("\r\n") + continuation;
            };
            if (printer->Port() == 0)
                reason("Can't connect to this printer due to port is set to 0", "");
            if (printer->ReverseTelnetOption())
                reason("Can't connect to this printer due to Reverse Telnet Option is enabled",
                       " and Reverse Telnet Option is enabled");
            if (printer->Status() == 0)
                reason("Can't connect to this printer due to Tessel is running", " and Tessel is running.");
            if (!message.empty())
                Platform::ShowModalBox(message, "Error");
        }
    }
    raiseSelectionState();
}

void ctlVantorSelect::raiseSelectionState() {
    for (QTreeWidgetItem* item : ListView1->Items())
        if (ListView1->Checked(item)) {
            Q_EMIT SelectionMade();
            return;
        }
    Q_EMIT NoSelectionMade();
}

void ctlVantorSelect::keepACurrentRow() {
    if (!ListView1->currentItem() && ListView1->ItemCount() > 0)
        ListView1->setCurrentItem(ListView1->topLevelItem(0), 0, QItemSelectionModel::NoUpdate);
}

void ctlVantorSelect::toggleCurrentRow() {
    // The check box sits in the first column, whichever cell was clicked last.
    if (QTreeWidgetItem* row = ListView1->currentItem())
        row->setCheckState(0, ListView1->Checked(row) ? Qt::Unchecked : Qt::Checked);
}

Ref<HubletPrinter> ctlVantorSelect::printerOf(QTreeWidgetItem* item) const {
    const Automation::Variant& tag = ListView1->Tag(item);
    return tag.isObject() ? tag.toObject().as<HubletPrinter>() : Ref<HubletPrinter>();
}

Ref<HubletPrinters> ctlVantorSelect::GetSelectedItems() const {
    auto selected = Automation::New<HubletPrinters>();
    for (QTreeWidgetItem* item : ListView1->Items()) {
        if (!ListView1->Checked(item))
            continue;
        if (auto printer = printerOf(item))
            selected->Add(printer);
    }
    return selected;
}

// --- the keyboard ----------------------------------------------------------------

bool ctlVantorSelect::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* keyEvent = static_cast<QKeyEvent*>(event);
        const int key = keyEvent->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == txtNetwork) {
                cmdAdd->click();
                return true;
            }
            if (watched == txtCommunity)
                return true;
        }
        if (watched == ListView1 && key == Qt::Key_Space && keyEvent->modifiers() == Qt::NoModifier) {
            toggleCurrentRow();
            return true;
        }
    }
    if (watched == ListView1 && event->type() == QEvent::FocusIn)
        keepACurrentRow();
    return QWidget::eventFilter(watched, event);
}

// --- the networks ----------------------------------------------------------------

void ctlVantorSelect::cmdAdd_Click() {
    const std::string address = fromQString(txtNetwork->text());
    // An address listed already is shown as the one listed, not added twice.
    const auto listed = lstSubnets->findItems(toQString(address), Qt::MatchFixedString);
    if (!listed.isEmpty()) {
        lstSubnets->setCurrentItem(listed.front());
        listed.front()->setSelected(true);
        Platform::ShowModalBox("The address " + address + " is already in the list.", Title);
        return;
    }
    Networks()->Add(address);
    lstSubnets->addItem(toQString(address));
}

void ctlVantorSelect::cmdRemove_Click() {
    QListWidgetItem* item = lstSubnets->currentItem();
    if (!item || !item->isSelected())
        return;
    Networks()->Remove(Automation::Variant(fromQString(item->text())));
    delete item;
}

void ctlVantorSelect::cmdRemoveAll_Click() {
    for (int i = 0; i < lstSubnets->count(); ++i)
        Networks()->Remove(Automation::Variant(fromQString(lstSubnets->item(i)->text())));
    lstSubnets->clear();
}

} // namespace Modelpick
