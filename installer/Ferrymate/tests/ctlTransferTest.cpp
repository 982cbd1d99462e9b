// The installation progress control, headless: the engine's reports as the
// engine makes them, and the user's Abort.
#include <gtest/gtest.h>

#include <memory>

#include <QFont>
#include <QPushButton>

#include "ErrorNumber.h"
#include "Ferrymate/ctlTransfer.h"
#include "Renova/ConfigBag.h"
#include "Renova/Enums.h"
#include "ui/ListView.h"

namespace Ferrymate {
namespace {

using Platform::Ui::ListView;

class TransferTest : public testing::Test {
protected:
    ListView& printers() { return *control->findChild<ListView*>("lvwPrinters"); }
    ListView& actions() { return *control->findChild<ListView*>("lvwActions"); }
    void abort() { control->findChild<QPushButton*>("cmdAbort")->click(); }
    int icon(const std::string& address) { return printers().SmallIcon(printers().Item("P" + address)); }
    std::string status(int32_t id) { return actions().Text(actions().Item("ID" + std::to_string(id)), 1); }
    static Automation::Ref<Renova::ActionList> actionList(std::initializer_list<int32_t> ids) {
        auto list = Automation::New<Renova::ActionList>();
        for (int32_t id : ids)
            list->Add(id);
        return list;
    }
    // Reports progress as the engine does, with Cancel passed in as given.
    bool progress(int32_t percent, const std::string& printer, int32_t action, bool cancelIn = false) {
        bool cancel = cancelIn;
        control->Progress("", percent, printer, action, cancel);
        return cancel;
    }

    std::unique_ptr<ctlTransfer> control = std::make_unique<ctlTransfer>();
};

TEST_F(TransferTest, ListsThePrintersAndTheStepsOfTheRunningJob) {
    control->AddPrinter("127.0.0.21", "Annex");
    control->AddPrinter("Com1", "Printer on com1");
    EXPECT_EQ(errorNumberOf([&] { control->AddPrinter("127.0.0.21", "again"); }), ListView::KeyNotUnique);
    EXPECT_TRUE(printers().isHeaderHidden());
    EXPECT_TRUE(actions().isHeaderHidden());
    EXPECT_EQ(printers().ColumnKey(0), "Printer");
    EXPECT_EQ(actions().ColumnKey(0), "Action");
    EXPECT_EQ(actions().ColumnKey(1), "Status");
    auto* annex = printers().Item("P127.0.0.21");
    EXPECT_EQ(printers().Text(annex), "Annex");
    EXPECT_TRUE(annex->font(0).bold());
    EXPECT_EQ(icon("127.0.0.21"), ctlTransfer::NoIcon);

    control->UpdateStart(actionList({Renova::AI_Loading_Rbi, Renova::AI_Connecting, Renova::AI_CopyingFiles,
                                     13, Renova::AI_Finished}),
                         "127.0.0.21");
    EXPECT_EQ(icon("127.0.0.21"), ctlTransfer::RunningIcon);
    std::vector<std::string> rows;
    for (auto* row : actions().Items())
        rows.push_back(actions().Key(row) + "|" + actions().Text(row) + "|" + actions().Text(row, 1));
    EXPECT_EQ(rows, (std::vector<std::string>{"ID1|Read Rbi file|-", "ID3|Connect|-", "ID9|Copy files|-",
                                              "ID13||-", "ID99|Finished|-"}));

    EXPECT_FALSE(progress(0, "127.0.0.21", 3));
    EXPECT_EQ(status(3), "0 %");
    // Cancel comes back False without an Abort, whatever the engine passed in.
    EXPECT_FALSE(progress(45, "127.0.0.21", 9, true));
    EXPECT_EQ(status(9), "45 %");
    EXPECT_FALSE(progress(100, "127.0.0.21", 9));
    EXPECT_EQ(status(9), "100 %");
    EXPECT_EQ(status(3), "0 %");
    control->UpdateFinshed("127.0.0.21");
    EXPECT_EQ(icon("127.0.0.21"), ctlTransfer::FinishedIcon);

    // The next job replaces the steps; the finished printer keeps its tick.
    control->UpdateStart(actionList({Renova::AI_Loading_Firmware_File, Renova::AI_UpdatingFirmware}), "Com1");
    EXPECT_EQ(actions().ItemCount(), 2);
    EXPECT_EQ(actions().Text(actions().Item("ID12")), "Read firmware file");
    EXPECT_EQ(icon("127.0.0.21"), ctlTransfer::FinishedIcon);
    EXPECT_EQ(icon("Com1"), ctlTransfer::RunningIcon);
    progress(30, "Com1", Renova::AI_UpdatingFirmware);
    control->Error("Com1", Renova::AI_UpdatingFirmware, 113);
    EXPECT_EQ(status(Renova::AI_UpdatingFirmware), "Error");
    EXPECT_EQ(icon("Com1"), ctlTransfer::NoIcon);

    // Reports for rows that do not exist fail with the list's error.
    EXPECT_EQ(errorNumberOf([&] { progress(5, "Com1", Renova::AI_CopyingFiles); }),
              ListView::ElementNotFound);
    EXPECT_EQ(errorNumberOf([&] { control->UpdateFinshed("Com2"); }), ListView::ElementNotFound);
    EXPECT_EQ(errorNumberOf([&] { control->Error("Com1", 13, 113); }), ListView::ElementNotFound);

    control->UpdateStart(actionList({Renova::AI_Connecting}), "127.0.0.21");
    control->ClearPrinterIcon("127.0.0.21");
    EXPECT_EQ(icon("127.0.0.21"), ctlTransfer::NoIcon);
    control->RemovePrinter("Com1");
    EXPECT_EQ(printers().ItemCount(), 1);
    EXPECT_EQ(errorNumberOf([&] { control->RemovePrinter("Com1"); }), ListView::ElementNotFound);
}

TEST_F(TransferTest, AnAbortReachesEveryLaterReportOfTheRun) {
    control->AddPrinter("127.0.0.21", "Annex");
    control->AddPrinter("127.0.0.22", "Basement");
    control->UpdateStart(actionList({Renova::AI_CopyingFiles}), "127.0.0.21");
    EXPECT_FALSE(control->AbortRequested());
    EXPECT_FALSE(progress(5, "127.0.0.21", Renova::AI_CopyingFiles));
    abort();
    EXPECT_TRUE(control->AbortRequested());
    // The report it first reaches may come from an operation that does not
    // stop: the later ones, the next job's too, hear it as well.
    EXPECT_TRUE(progress(10, "127.0.0.21", Renova::AI_CopyingFiles));
    EXPECT_TRUE(progress(20, "127.0.0.21", Renova::AI_CopyingFiles));
    control->UpdateFinshed("127.0.0.21");
    control->UpdateStart(actionList({Renova::AI_Connecting}), "127.0.0.22");
    EXPECT_TRUE(progress(0, "127.0.0.22", Renova::AI_Connecting));
    EXPECT_TRUE(control->AbortRequested());
}

TEST_F(TransferTest, TheEngineReachesTheControlThroughItsJobWhileTheControlLives) {
    auto job = Automation::New<Renova::ConfigBag>();
    job->setCallbackClient(control->Callback());
    control->AddPrinter("127.0.0.21", "Annex");
    auto callback = job->CallbackClient();
    callback->UpdateStart(actionList({Renova::AI_Connecting}), "127.0.0.21");
    abort();
    bool cancel = false;
    callback->Progress("", 50, "127.0.0.21", Renova::AI_Connecting, cancel);
    EXPECT_TRUE(cancel);
    EXPECT_EQ(status(Renova::AI_Connecting), "50 %");
    callback->UpdateFinshed("127.0.0.21");
    EXPECT_EQ(icon("127.0.0.21"), ctlTransfer::FinishedIcon);

    control.reset();
    EXPECT_EQ(errorNumberOf([&] { callback->UpdateFinshed("127.0.0.21"); }), 91);
}

} // namespace
} // namespace Ferrymate
