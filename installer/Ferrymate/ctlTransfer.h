#pragma once
// The installation progress: the printers of a run on the left, the steps of
// the running job with their state on the right, and an Abort button whose
// request the engine receives at every progress report after the click.
#include <cstdint>
#include <string>

#include <QWidget>

#include "Renova/ActionList.h"
#include "Renova/ICallback.h"
#include "automation/Object.h"

class QPushButton;

namespace Platform::Ui {
class ListView;
}

namespace Ferrymate {

class ctlTransfer : public QWidget {
    Q_OBJECT
public:
    static constexpr Automation::ClassInfo classInfo{"{8FA64DB9-5818-4F7B-8174-432D2B367ECC}",
                                                     "Ferrymate.ctlTransfer",
                                                     "{22E978A3-51AD-4C8B-92BA-0629A23FBBC3}"};
    // The small icons of a printer row.
    static constexpr int NoIcon = 0;
    static constexpr int RunningIcon = 1;
    static constexpr int FinishedIcon = 2;

    explicit ctlTransfer(QWidget* parent = nullptr);
    ~ctlTransfer() override;

    // A bold row keyed "P" & Address; an address listed already raises 35602.
    void AddPrinter(const std::string& Address, const std::string& Name);
    void RemovePrinter(const std::string& Address);
    // Takes the running arrow from a printer whose job failed without the
    // engine's Error report (any failure but an aborted upload).
    void ClearPrinterIcon(const std::string& Address);

    // The engine's reports (ICallback). An address or action without a row
    // raises the list's 35601.
    void UpdateStart(const Automation::Ref<Renova::ActionList>& oActionList, const std::string& sPrinter);
    // Shows the percentage, then hands over the user's abort request; it
    // stays for the rest of the run.
    void Progress(const std::string& Info, int32_t Progress, const std::string& sPrinter,
                  int32_t CurrentAction, bool& Cancel);
    void UpdateFinshed(const std::string& sPrinter);
    void Error(const std::string& sPrinter, int32_t CurrentAction, int32_t Error);
    // Whether the user asked to abort the run.
    bool AbortRequested() const { return abortRequested_; }

    // The control as the engine's callback client (ConfigBag.CallbackClient).
    // It holds the control weakly: once the control is gone its members raise 91.
    Automation::Ref<Renova::ICallback> Callback() const { return callback_; }

private:
    class CallbackClient;

    Automation::Ref<Renova::ICallback> callback_;
    bool abortRequested_ = false;

    Platform::Ui::ListView* lvwPrinters;
    Platform::Ui::ListView* lvwActions;
    QPushButton* cmdAbort;
};

} // namespace Ferrymate
