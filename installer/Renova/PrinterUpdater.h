#pragma once
// The installation engine: performs one job (a firmware image, or a package
// document with its UFF flash file) on one printer, step by step, reporting
// each step to its ICallback, asking its IRequest, and writing the log.
#include <cstdint>
#include <string>
#include <string_view>

#include "Brindle/Printer.h"
#include "Chunkery/FlashFile.h"
#include "Gaugely/IProgressCallBack.h"
#include "Renova/ActionList.h"
#include "Renova/ConfigBag.h"
#include "Renova/LogWriter.h"
#include "Scrivel/KSDoc.h"
#include "Tethra/Connection.h"
#include "automation/Error.h"
#include "automation/Object.h"
#include "files/TemporaryFile.h"

namespace Renova {

class PrinterUpdater : public Automation::Object, public Gaugely::IProgressCallBack {
public:
    static constexpr Automation::ClassInfo classInfo{"{5A1D8E34-9C72-4B06-A3F5-E82B0C7D4169}",
                                                     "Renova.PrinterUpdater",
                                                     "{C3E70B95-6F18-4D2A-8B41-0D9A5E3C7F28}"};

    PrinterUpdater() = default;
    // Tears down the connection and the printer.
    ~PrinterUpdater() override;
    PrinterUpdater(const PrinterUpdater&) = delete;
    PrinterUpdater& operator=(const PrinterUpdater&) = delete;

    // Performs the whole job; any failure is logged and raised.
    void UpdatePrinter(const Automation::Ref<ConfigBag>& oConfigBag);
    // enumActionIDs: the step the job is in, or ended in.
    int32_t CurrentAction() const { return currentAction_; }

    // Created on first use; the caller sets its path and flags before UpdatePrinter.
    Automation::Ref<LogWriter> Log();
    const Automation::Ref<IPrinter>& TargetPrinter() const { return targetPrinter_; }
    void setTargetPrinter(Automation::Ref<IPrinter> value) { targetPrinter_ = std::move(value); }
    const Automation::Ref<ICallback>& Client() const { return client_; }
    void setClient(Automation::Ref<ICallback> value) { client_ = std::move(value); }
    const Automation::Ref<IRequest>& RequestClient() const { return requestClient_; }
    void setRequestClient(Automation::Ref<IRequest> value) { requestClient_ = std::move(value); }

    // A new temporary file holding sData, removed when the result goes.
    Platform::Files::TemporaryFile GetTempFileFromData(const std::string& sData);
    // Lets go of the Client and closes the printer's port.
    void TearDown();

    // Every Progress the engine makes reports here: forwarded to the Client,
    // whose cancel comes back in Cancel.
    void Feedback(const Automation::Ref<Gaugely::Progress>& ProgressObj, bool& Cancel) override;

    // The major number of a version text: its first digit, with the next
    // character when the two read as a number ("10.01" gives 10, "7.00" 7).
    static int32_t MajorVersion(std::string_view text);
    // The enumPrinterModels bit of a model name (compared in lower case); 0 when unknown.
    static int32_t ModelBit(std::string_view modelName);
    // "<ESC>" and the other names of the codes 0 to 31 become those characters.
    static void ExpandControlTokens(std::string& text);
    // The other way: each of the codes 0 to 31 becomes its name between "<" and ">".
    static std::string WrittenControlTokens(const std::string& text);

private:
    // Errors that the engine raises without a source of its own carry the library's.
    static constexpr const char* LibrarySource = "Renova";
    static constexpr int32_t InvalidContent = 9999;
    // The user's abort, and the number of every failure it causes.
    static constexpr int32_t Aborted = 113;
    // The error being handled, whatever was thrown.
    static Automation::Error currentError();
    // A handler's log line: prefix, description and the number in parentheses.
    static std::string errorLine(const std::string& prefix, int32_t number, const std::string& description);

    // Runs a step under its own handler: an error is logged with the
    // prefix (when one is given) and raised again with
    // "PrinterUpdater:" & name in front of its source.
    template <class F> auto step(const char* name, const char* logPrefix, F&& body) -> decltype(body());
    [[noreturn]] void stepFailed(const char* name, const char* logPrefix);
    // A log line from inside a handler: a failing write must not replace
    // the error being handled.
    void logQuietly(const std::string& text) noexcept;
    void log(const std::string& text) { Log()->WriteLine(text); }

    void setAction(int32_t action) { currentAction_ = action; }
    // Where the job may stop: raises 113 once the client has asked to abort.
    void CancelPoint();
    // Before a question to the user or a break string: an abort the client
    // holds since its last report is asked for by reporting the current step
    // again, and stops the job before the question is put or the break sent.
    void CancelPointBeforeAsking();
    // A Progress that reports to this engine, so that a long wait hears the client's abort.
    Automation::Ref<Gaugely::Progress> NewProgress();
    // The same for a wait on the printer's answer to a hello.
    Automation::Ref<Gaugely::Progress> NewResponseWait();
    void report(int32_t percent) { NotifyClientProgress({}, percent, printerName_); }
    void NotifyClientProgress(const std::string& Info, int32_t Progress, const std::string& sPrinter);
    void NotifyError(const std::string& sPrinter, int32_t action, int32_t Error);

    // The steps.
    void LoadRbiFile();
    void CreateActionList();
    void LoadUffFile();
    void CheckPackagePaths();
    Automation::Ref<Tethra::Connection> CreateNetworkConnection(const std::string& IPAddress, int32_t IPPort);
    Automation::Ref<Tethra::Connection> CreateSerialConnection();
    bool SerialAutoConnect();
    // Sends over the serial port, opening it (counted) for the send alone.
    void sendWhileOpen(const std::string& text);
    bool NetworkConnect();
    // Logs the break as written, sends `sent` over the link and posts the
    // text as written to the print server.
    void SendBreak(const std::string& text, const std::string& sent);
    bool HelloAnswered(int32_t waitMs);
    void SendHttpBreak(const std::string& text);
    void ApplyTransferTimeouts();
    bool ConnectToPrinter();
    bool CheckRubricVersion(const std::string& required);
    void CheckRequirements();
    void SetBaseSettings();
    void FormatDevice();
    void CreateDirectories();
    void UploadFiles();
    bool CheckFirmwareFile();
    void UpdateFirmware();
    void Reboot();
    void Finalize();

    Automation::Ref<ICallback> client_;
    Automation::Ref<IRequest> requestClient_;
    Automation::Ref<IPrinter> targetPrinter_;
    Automation::Ref<ConfigBag> job_;
    Automation::Ref<Scrivel::KSDoc> package_;
    Automation::Ref<Chunkery::FlashFile> flashFile_;
    Automation::Ref<ActionList> actionList_;
    int32_t currentAction_ = 0;
    // The last report of the current step, repeated by CancelPointBeforeAsking.
    int32_t reportedAction_ = 0;
    int32_t reportedPercent_ = 0;
    std::string reportedInfo_;
    std::string printerName_;
    // Set by the client's Cancel and kept until the job stops: an abort is
    // never taken back by a later report.
    bool cancel_ = false;
    Automation::Ref<LogWriter> log_;
    Automation::Ref<Tethra::Connection> connection_;
    Automation::Ref<Brindle::Printer> printer_;
    int32_t transferTimeout_ = 0;
    int32_t restoreTimeout_ = 0;
};

template <class F>
auto PrinterUpdater::step(const char* name, const char* logPrefix, F&& body) -> decltype(body()) {
    try {
        return body();
    } catch (...) {
        stepFailed(name, logPrefix);
    }
}

} // namespace Renova
