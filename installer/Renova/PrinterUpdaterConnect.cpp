// Bringing the printer into immediate mode: the connection, break strings
// over the link and to the print server, and the questions for one.
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

} // namespace

void PrinterUpdater::ExpandControlTokens(std::string& text) {
    static const auto names = Automation::split("NUL,SOH,STZ,ETX,EOT,ENQ,ACK,BEL,BS,HT,LF,VT,FF,CR,SO,SI,DEL,"
                                                "DC1,DC2,DC3,DC4,NAK,SYN,ETB,CAN,EM,SUB,ESC,FS,"
                                                "GS,RS,US",
                                                ',');
    for (size_t code = 0; code < names.size(); ++code) {
        const std::string token = "<" + std::string(names[code]) + ">";
        for (size_t at = text.find(token); at != std::string::npos; at = text.find(token, at + 1))
            text.replace(at, token.size(), 1, static_cast<char>(code));
    }
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
        printer_->Command("print \"hello\"", nullptr, waitMs, true, true);
        return true;
    } catch (const Automation::Error& error) {
        return error.Number() <= 0;
    }
}

void PrinterUpdater::SendBreak(const std::string& text, const std::string& sent) {
    log("Sending break string: " + text);
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
        bool answered = printer_->IsImmediateMode();
        if (!answered) {
            connection_->setPortOpen(true);
            if (package_) {
                for (const auto& entry : *package_->BreakStrings()) {
                    std::string expanded = entry->getBreakString();
                    ExpandControlTokens(expanded);
                    SendBreak(entry->getBreakString(), expanded);
                    if ((answered = HelloAnswered(waitMs)))
                        break;
                }
            }
            while (!answered) {
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
