// Bringing the printer into immediate mode: the connection, break strings
// over the link and to the print server, and the questions for one.
#include "Gaugely/Progress.h"
#include "Proptree/Properties.h"
#include "Renova/EngineSettings.h"
#include "Renova/PrinterUpdater.h"
#include "Tethra/IPort.h"
#include "automation/Runtime.h"
#include "http/HttpPost.h"

namespace Renova {

using Automation::Ref;
using Automation::Variant;

namespace {

constexpr int32_t DefaultHelloWaitMs = 10000;

// The names of the codes 0 to 31, in order.
const std::vector<std::string_view>& controlTokenNames() {
    static const auto names = Automation::split("NUL,SOH,STZ,ETX,EOT,ENQ,ACK,BEL,BS,HT,LF,VT,FF,CR,SO,SI,DEL,"
                                                "DC1,DC2,DC3,DC4,NAK,SYN,ETB,CAN,EM,SUB,ESC,FS,"
                                                "GS,RS,US",
                                                ',');
    return names;
}

} // namespace

void PrinterUpdater::ExpandControlTokens(std::string& text) {
    const auto& names = controlTokenNames();
    for (size_t code = 0; code < names.size(); ++code) {
        const std::string token = "<" + std::string(names[code]) + ">";
        for (size_t at = text.find(token); at != std::string::npos; at = text.find(token, at + 1))
            text.replace(at, token.size(), 1, static_cast<char>(code));
    }
}

std::string PrinterUpdater::WrittenControlTokens(const std::string& text) {
    std::string written;
    for (char c : text) {
        const auto code = static_cast<uint8_t>(c);
        if (code < controlTokenNames().size())
            written += "<" + std::string(controlTokenNames()[code]) + ">";
        else
            written += c;
    }
    return written;
}

Ref<Tethra::Connection> PrinterUpdater::CreateNetworkConnection(const std::string& IPAddress,
                                                                int32_t IPPort) {
    return step("CreateNetworkConnection", "CreateNetworkConnection error: ", [&] {
        log("Create network connection");
        auto connection = Automation::New<Tethra::Connection>();
        connection->setPortType(PCT_Network);
        auto properties = connection->PortObject().as<Tethra::IPort>()->Properties();
        properties->Item(Variant(std::string("RemoteHost")))->setValue(Variant(IPAddress));
        properties->Item(Variant(std::string("RemotePort")))->setValue(Variant(std::to_string(IPPort)));
        log("Setting connection parameters to " + connection->ConnectString());
        return connection;
    });
}

void PrinterUpdater::SendHttpBreak(const std::string& text) {
    // The answer does not matter, and a print server that fails or is not
    // there costs no more than the client's time-out.
    Platform::HttpPost(printerName_, "/rb/running", "BRK=" + text);
}

bool PrinterUpdater::HelloAnswered(int32_t waitMs) {
    // A line the log cannot take is no failed attempt: the hello still goes.
    IgnoringErrors([&] {
        log("Wait on response for maximum " + std::to_string(Automation::toLong(waitMs / 1000.0)) +
            " second(s)");
    });
    try {
        // The wait reports to the client, whose abort ends it.
        printer_->Command("print \"hello\"", NewResponseWait(), waitMs, true, true);
        return true;
    } catch (const Automation::Error& error) {
        return error.Number() <= 0;
    }
}

void PrinterUpdater::SendBreak(const std::string& text, const std::string& sent) {
    // A typed string comes expanded: the log shows its control characters by name.
    log("Sending break string: " + WrittenControlTokens(text));
    connection_->Send(sent);
    SendHttpBreak(text);
}

bool PrinterUpdater::NetworkConnect() {
    return step("NetworkConnect", "NetworkConnect error: ", [&] {
        log("Run Network AutoConnect");
        setAction(AI_Connecting);
        report(0);
        int32_t waitMs = 0;
        IgnoringErrors([&] { waitMs = ReadTimeoutValue(TS_TimeOut); });
        if (waitMs == 0) {
            waitMs = DefaultHelloWaitMs;
            IgnoringErrors([&] { WriteTimeout(TS_TimeOut, DefaultHelloWaitMs); });
        }
        // The probe reports as the hello's wait does: an abort during it ends it.
        bool answered = printer_->IsImmediateMode(NewResponseWait());
        if (!answered) {
            connection_->setPortOpen(true);
            if (package_) {
                for (const auto& entry : *package_->BreakStrings()) {
                    // A break stops the program the printer runs: not after an abort.
                    CancelPointBeforeAsking();
                    std::string expanded = entry->getBreakString();
                    ExpandControlTokens(expanded);
                    SendBreak(entry->getBreakString(), expanded);
                    answered = HelloAnswered(waitMs);
                    CancelPoint();
                    if (answered)
                        break;
                }
            }
            while (!answered) {
                CancelPointBeforeAsking();
                log("Request break string");
                std::string sBreak;
                bool cancel = false;
                requestClient_->RequestForBreakString(printerName_, sBreak, cancel);
                if (cancel) {
                    log("Operation cancelled by user");
                    return false;
                }
                SendBreak(sBreak, sBreak);
                answered = HelloAnswered(waitMs);
            }
        }
        log("AutoConnect succeeded");
        return true;
    });
}

void PrinterUpdater::ApplyTransferTimeouts() {
    const TransferTimeouts timeouts =
        ReadTransferTimeouts([&] { return printer_->RawTransferUploadCancelCatTimeout(); },
                             [&] { return printer_->RawTransferUploadRestoreTimeout(); });
    transferTimeout_ = timeouts.transfer;
    restoreTimeout_ = timeouts.restore;
    printer_->setRawTransferUploadCancelCatTimeout(transferTimeout_);
    printer_->setRawTransferUploadRestoreTimeout(restoreTimeout_);
}

bool PrinterUpdater::ConnectToPrinter() {
    setAction(AI_Connecting);
    log("Connect to printer");
    report(0);
    if (!printer_->IsImmediateMode())
        return false;
    report(100);
    return true;
}

} // namespace Renova
