// The serial road: the automatic connection scans the port; failing that,
// the package's serial settings with its break strings; failing that, the
// user's settings and break string, until the printer answers.
#include "Renova/PrinterUpdater.h"
#include "Seekwire/AutoConnect.h"
#include "Seekwire/ConnectionSetup.h"
#include "Tethra/SerPort.h"

namespace Renova {

using Automation::Ref;

namespace {

bool answersInImmediateMode(const Ref<Seekwire::IConnectionSetup>& setup) {
    auto found = setup.as<Seekwire::ConnectionSetup>();
    return found && found->ImmediateMode();
}

} // namespace

Ref<Tethra::Connection> PrinterUpdater::CreateSerialConnection() {
    return step("CreateSerialConnection", "CreateSerialConnection error: ", [&] {
        log("Create serial connection");
        auto connection = Automation::New<Tethra::Connection>();
        connection->setPortType(PCT_Serial);
        return connection;
    });
}

void PrinterUpdater::sendWhileOpen(const std::string& text) {
    // The scan leaves the port closed, and its line values are set while it
    // is: it is opened, counted, for the send alone.
    connection_->setPortOpen(true);
    try {
        connection_->Send(text);
    } catch (...) {
        connection_->setPortOpen(false);
        throw;
    }
    connection_->setPortOpen(false);
}

bool PrinterUpdater::SerialAutoConnect() {
    return step("SerialAutoConnect", "SerialAutoConnect error: ", [&] {
        log("Run Serial AutoConnect");
        // The scan reports to the client through this engine, under the step's row.
        setAction(AI_Connecting);
        auto port = connection_->PortObject().as<Tethra::SerPort>();
        const int32_t commPort = targetPrinter_.as<SerialPrinter>()->Port();
        auto apply = [&](int32_t baudrate, int32_t databits, int32_t parity, int32_t stopbits) {
            port->setBaudrate(baudrate);
            port->setCommPort(commPort);
            port->setDatabits(databits);
            port->setParity(parity);
            port->setStopbits(stopbits);
        };
        auto autoConnect = Automation::New<Seekwire::AutoConnect>();
        autoConnect->setConnection(connection_);
        auto scanned = [&] {
            Ref<Seekwire::IConnectionSetup> setup =
                autoConnect->ScanSerialConnection(commPort, {}, self<Gaugely::IProgressCallBack>());
            CancelPoint();
            if (!answersInImmediateMode(setup))
                return false;
            autoConnect->MakeConnection(setup);
            return true;
        };

        bool result = scanned();
        if (!result) {
            bool answered = false;
            if (package_) {
                for (const auto& settings : *package_->SerialConnectStrings()) {
                    apply(settings->BaudRate(), settings->DataBits(), settings->Parity(),
                          settings->StopBits());
                    for (const auto& entry : *package_->BreakStrings()) {
                        // A break stops the program the printer runs: not after an abort.
                        CancelPointBeforeAsking();
                        // Expanded as on the network: a package writes its
                        // control characters as tokens.
                        std::string text = entry->getBreakString();
                        ExpandControlTokens(text);
                        sendWhileOpen(text);
                        answered = printer_->IsImmediateMode();
                        CancelPoint();
                        if (answered)
                            break;
                    }
                    if (answered)
                        break;
                }
            }
            bool cancelled = false;
            while (!answered && !cancelled) {
                CancelPointBeforeAsking();
                int32_t baudrate = 0;
                int16_t databits = 0, stopbits = 0, parity = 0;
                std::string sBreakString;
                requestClient_->RequestForSerialBreakString(printerName_, baudrate, databits, stopbits,
                                                            parity, sBreakString, cancelled);
                if (cancelled)
                    break;
                apply(baudrate, databits, parity, stopbits);
                sendWhileOpen(sBreakString);
                answered = printer_->IsImmediateMode();
            }
            if (answered && (result = scanned()))
                log("Setting connection parameters to " + connection_->ConnectString());
        }
        autoConnect->setConnection(nullptr);
        return result;
    });
}

} // namespace Renova
