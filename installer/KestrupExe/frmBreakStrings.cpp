#include "KestrupExe/frmBreakStrings.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "KestrupExe/NetworkBreakString.h"
#include "KestrupExe/SerialBreakString.h"
#include "Renova/PrinterUpdater.h"
#include "ui/Forms.h"
#include "ui/Text.h"

namespace Kestrup {

namespace {

QComboBox* settingList(const char* name, const char* caption, QWidget* parent, QHBoxLayout* row) {
    auto* frame = new QGroupBox(caption, parent);
    auto* list = new QComboBox(frame);
    list->setObjectName(name);
    (new QVBoxLayout(frame))->addWidget(list);
    row->addWidget(frame);
    return list;
}

void fill(QComboBox* list, std::initializer_list<std::pair<const char*, int>> items) {
    list->clear();
    for (const auto& [text, value] : items)
        list->addItem(text, value);
    list->setCurrentIndex(0);
}

} // namespace

frmBreakStrings::frmBreakStrings(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Break string");
    auto* explanation = new QLabel("Kestrup could not Auto-connect with the printer. This can be caused by "
                                   "the printer application blocking "
                                   "the communication channel. If the printer application allows external "
                                   "breaking, the break string can be "
                                   "entered here. Alternatively - try breaking it by pressing "
                                   "\"Shift\"+\"Pause\" on the printer keyboard.",
                                   this);
    explanation->setWordWrap(true);
    lblPrinter = new QLabel(this);
    lblPrinter->setObjectName("lblPrinter");
    lblFailed = new QLabel("The printer did not answer after the last break string.", this);
    lblFailed->setObjectName("lblFailed");
    lblFailed->setWordWrap(true);
    Text1 = new QLineEdit(this);
    Text1->setObjectName("Text1");
    auto* lblText = new QLabel("&Break string:", this);
    lblText->setBuddy(Text1);
    auto* lblHint = new QLabel("Write a control character by its name between < and >, for example "
                               "<ESC> or <CR>.",
                               this);
    lblHint->setObjectName("lblHint");
    lblHint->setTextFormat(Qt::PlainText);
    lblHint->setWordWrap(true);
    PicSerialSettings = new QWidget(this);
    PicSerialSettings->setObjectName("PicSerialSettings");
    auto* settings = new QHBoxLayout(PicSerialSettings);
    settings->setContentsMargins(0, 0, 0, 0);
    cboBaudrate = settingList("cboBaudrate", "Baudrate", PicSerialSettings, settings);
    cboDataBits = settingList("cboDataBits", "Databits", PicSerialSettings, settings);
    cboStopBits = settingList("cboStopBits", "Stopbits", PicSerialSettings, settings);
    cboParity = settingList("cboParity", "Parity", PicSerialSettings, settings);

    auto* cmdSend = new QPushButton("Send", this);
    cmdSend->setObjectName("cmdSend");
    cmdSend->setDefault(true);
    auto* cmdCancel = new QPushButton("Cancel", this);
    cmdCancel->setObjectName("cmdCancel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSend);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblPrinter);
    layout->addWidget(explanation);
    layout->addWidget(lblFailed);
    layout->addWidget(lblText);
    layout->addWidget(Text1);
    layout->addWidget(lblHint);
    layout->addWidget(PicSerialSettings);
    layout->addLayout(buttons);
    connect(cmdSend, &QPushButton::clicked, this, [this] { cmdSend_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, &frmBreakStrings::reject);
}

void frmBreakStrings::showEvent(QShowEvent* event) {
    if (!loaded_) {
        loaded_ = true;
        Form_Load();
    }
    QDialog::showEvent(event);
}

void frmBreakStrings::Form_Load() {
    lblPrinter->setText(Platform::Ui::toQString("Printer: " + printerName_));
    lblPrinter->setVisible(!printerName_.empty());
    lblFailed->setVisible(lastTryFailed_);
    if (breakStringObj_ && breakStringObj_->BreakStringType() == BST_Serial) {
        setWindowTitle(Platform::Ui::toQString("Break string - Printer " + printerName_));
        fill(cboBaudrate, {{"115200", 115200},
                           {"57600", 57600},
                           {"38400", 38400},
                           {"19200", 19200},
                           {"9600", 9600},
                           {"4800", 4800},
                           {"2400", 2400}});
        fill(cboDataBits, {{"8", 8}, {"7", 7}});
        fill(cboStopBits, {{"1", 1}, {"2", 2}});
        fill(cboParity, {{"None", 1}, {"Even", 2}, {"Odd", 3}, {"Mark", 4}, {"Space", 5}});
        PicSerialSettings->show();
    } else {
        PicSerialSettings->hide();
        adjustSize();
    }
    Platform::Ui::keepWrappedTextWhole(*this, fontMetrics().averageCharWidth() * 50);
}

void frmBreakStrings::cmdSend_Click() {
    std::string typed = Platform::Ui::fromQString(Text1->text());
    Renova::PrinterUpdater::ExpandControlTokens(typed);
    if (auto serial = breakStringObj_.as<SerialBreakString>()) {
        serial->setBaudrate(cboBaudrate->currentData().toInt());
        serial->setStopbits(cboStopBits->currentData().toInt());
        serial->setDatabits(cboDataBits->currentData().toInt());
        serial->setParity(cboParity->currentData().toInt());
        serial->setBreakString(typed);
    } else if (auto network = breakStringObj_.as<NetworkBreakString>()) {
        network->setBreakString(typed);
    }
    sent_ = true;
    accept();
}

void frmBreakStrings::reject() {
    if (!sent_)
        cancelPressed_ = true;
    QDialog::reject();
}

} // namespace Kestrup
