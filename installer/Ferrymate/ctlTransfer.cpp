#include "Ferrymate/ctlTransfer.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

#include "Renova/Enums.h"
#include "messages/WeakControl.h"
#include "ui/Icons.h"
#include "ui/ListView.h"
#include "ui/Text.h"

namespace Ferrymate {

namespace {

using Automation::Ref;

// The text of each step the engine announces; any other identifier has none.
std::string ActionText(int32_t id) {
    switch (id) {
    case Renova::AI_Loading_Rbi:
        return "Read Rbi file";
    case Renova::AI_Loading_Uff:
        return "Read Uff file";
    case Renova::AI_Connecting:
        return "Connect";
    case Renova::AI_VersionCheck:
        return "Check firmware version";
    case Renova::AI_ReqCheck:
        return "Check hardware";
    case Renova::AI_SettingUser:
        return "Check user access rights";
    case Renova::AI_Formatting:
        return "Format";
    case Renova::AI_CreatingDirectories:
        return "Create directories";
    case Renova::AI_CopyingFiles:
        return "Copy files";
    case Renova::AI_UpdatingFirmware:
        return "Update firmware";
    case Renova::AI_Rebooting:
        return "Reboot";
    case Renova::AI_Loading_Firmware_File:
        return "Read firmware file";
    case Renova::AI_Finished:
        return "Finished";
    default:
        return {};
    }
}

std::string printerKey(const std::string& address) {
    return "P" + address;
}

std::string actionKey(int32_t id) {
    return "ID" + std::to_string(id);
}

Platform::Ui::ListView* newList(const char* name) {
    auto* list = new Platform::Ui::ListView;
    list->setObjectName(name);
    list->setHeaderHidden(true);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    list->setFocusPolicy(Qt::NoFocus);
    return list;
}

} // namespace

class ctlTransfer::CallbackClient : public Automation::Object, public Renova::ICallback {
public:
    explicit CallbackClient(ctlTransfer* control) : control_(control) {}

    void Progress(const std::string& Info, int32_t Progress, const std::string& sPrinter,
                  int32_t CurrentAction, bool& Cancel) override {
        control_->Progress(Info, Progress, sPrinter, CurrentAction, Cancel);
    }
    void UpdateFinshed(const std::string& sPrinter) override { control_->UpdateFinshed(sPrinter); }
    void UpdateStart(const Ref<Renova::ActionList>& oActionList, const std::string& sPrinter) override {
        control_->UpdateStart(oActionList, sPrinter);
    }
    void Error(const std::string& sPrinter, int32_t CurrentAction, int32_t Error) override {
        control_->Error(sPrinter, CurrentAction, Error);
    }

private:
    Platform::WeakControl<ctlTransfer> control_;
};

ctlTransfer::ctlTransfer(QWidget* parent)
    : QWidget(parent), callback_(Automation::New<CallbackClient>(this)) {
    auto* Frame1 = new QGroupBox(tr("Printers"));
    Frame1->setObjectName("Frame1");
    lvwPrinters = newList("lvwPrinters");
    lvwPrinters->setImageList({Platform::Ui::ArrowIcon(), Platform::Ui::TickIcon()});
    lvwPrinters->AddColumn("Printer", "", 2400);
    (new QVBoxLayout(Frame1))->addWidget(lvwPrinters);

    auto* Frame2 = new QGroupBox(tr("Progress"));
    Frame2->setObjectName("Frame2");
    lvwActions = newList("lvwActions");
    lvwActions->AddColumn("Action", "", 2000);
    lvwActions->AddColumn("Status", "", 750);
    // The step's text takes the room the status leaves, and never less than its longest text.
    lvwActions->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    int longest = 0;
    for (int32_t id = Renova::AI_Loading_Rbi; id <= Renova::AI_Loading_Firmware_File; ++id)
        longest = std::max(
            longest, lvwActions->fontMetrics().horizontalAdvance(Platform::Ui::toQString(ActionText(id))));
    lvwActions->setMinimumWidth(longest + lvwActions->columnWidth(1) + 4 * lvwActions->frameWidth() + 24);
    // The two frames are halves of one size.
    lvwPrinters->setMinimumWidth(lvwActions->minimumWidth());
    lvwPrinters->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    (new QVBoxLayout(Frame2))->addWidget(lvwActions);

    cmdAbort = new QPushButton(tr("&Abort"));
    cmdAbort->setObjectName("cmdAbort");
    connect(cmdAbort, &QPushButton::clicked, this, [this] { abortRequested_ = true; });

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Frame1, 0, 0);
    layout->addWidget(Frame2, 0, 1);
    layout->addWidget(cmdAbort, 1, 1, Qt::AlignRight);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(0, 1);
}

ctlTransfer::~ctlTransfer() = default;

void ctlTransfer::AddPrinter(const std::string& Address, const std::string& Name) {
    auto* row = lvwPrinters->AddItem(printerKey(Address), Name);
    lvwPrinters->setBold(row, true);
}

void ctlTransfer::RemovePrinter(const std::string& Address) {
    lvwPrinters->RemoveItem(printerKey(Address));
}

void ctlTransfer::ClearPrinterIcon(const std::string& Address) {
    lvwPrinters->setSmallIcon(lvwPrinters->Item(printerKey(Address)), NoIcon);
}

void ctlTransfer::UpdateStart(const Ref<Renova::ActionList>& oActionList, const std::string& sPrinter) {
    auto* printer = lvwPrinters->Item(printerKey(sPrinter));
    lvwPrinters->scrollToItem(printer);
    lvwPrinters->setSmallIcon(printer, RunningIcon);
    lvwActions->ClearItems();
    for (const auto& action : *oActionList) {
        const int32_t id = action->ID();
        auto* row = lvwActions->AddItem(actionKey(id), ActionText(id));
        lvwActions->setText(row, 1, "-");
    }
}

void ctlTransfer::Progress(const std::string&, int32_t Progress, const std::string&, int32_t CurrentAction,
                           bool& Cancel) {
    lvwActions->setText(lvwActions->Item(actionKey(CurrentAction)), 1, std::to_string(Progress) + " %");
    // Every report hears it: the one it first reaches may come from an
    // operation that cannot stop, and the run must still stop after it.
    Cancel = abortRequested_;
}

void ctlTransfer::UpdateFinshed(const std::string& sPrinter) {
    lvwPrinters->setSmallIcon(lvwPrinters->Item(printerKey(sPrinter)), FinishedIcon);
}

void ctlTransfer::Error(const std::string& sPrinter, int32_t CurrentAction, int32_t) {
    lvwActions->setText(lvwActions->Item(actionKey(CurrentAction)), 1, "Error");
    lvwPrinters->setSmallIcon(lvwPrinters->Item(printerKey(sPrinter)), NoIcon);
}

} // namespace Ferrymate
