#include "Brindle/SerialTransfer.h"

#include "Tethra/Enums.h"
#include "Tethra/SerPort.h"
#include "automation/Error.h"
#include "automation/Runtime.h"
#include "errors/ErrorTextProvider.h"
#include "messages/Clock.h"
#include "messages/MessagePump.h"

namespace Brindle {

using Automation::Ref;
using namespace Tethra;

namespace {

std::string statusName(int32_t status) {
    switch (status) {
    case FileTransfer_Failure:
        return "failure";
    case FileTransfer_WaitForFile:
        return "waiting for the file";
    case FileTransfer_Prepare:
        return "preparing";
    case FileTransfer_Starting:
        return "starting";
    case FileTransfer_Transferring:
        return "transferring";
    case FileTransfer_FileAbort:
        return "file aborted";
    case FileTransfer_TransferAbort:
        return "transfer aborted";
    case FileTransfer_EndOfFile:
        return "end of file";
    default:
        return std::to_string(status);
    }
}

// The data bits of settings such as "115200,n,8,1".
int32_t dataBits(const std::string& settings) {
    size_t first = settings.find(',');
    size_t second = first == std::string::npos ? first : settings.find(',', first + 1);
    if (second == std::string::npos)
        return 0;
    return static_cast<int32_t>(Automation::val(settings.substr(second + 1)));
}

} // namespace

std::string SerialTransfer::source(const char* member) const {
    return std::string(profile_.className) + ":" + member + " method";
}

Ref<SerCommWrapper> SerialTransfer::wrapper() {
    if (!wrapper_ && connection_) {
        if (auto port = connection_->PortObject().as<SerPort>())
            wrapper_ = port->SerComm();
    }
    return wrapper_;
}

void SerialTransfer::Download(const std::string& Source, const std::string& Destination,
                              int32_t SourceFileSize, const std::string& TransferExpression) {
    (void)Source;
    transfer(false, Source, Destination, SourceFileSize, TransferExpression);
}

void SerialTransfer::Upload(const std::string& Source, const std::string& Destination, int32_t SourceFileSize,
                            const std::string& TransferExpression) {
    transfer(true, Source, Destination, SourceFileSize, TransferExpression);
}

void SerialTransfer::transfer(bool upload, const std::string& sourceFile, const std::string& destination,
                              int32_t size, const std::string& expression) {
    std::string front = source(upload ? "ITransfer_Upload" : "ITransfer_Download");
    if (!connection_)
        Platform::ErrorTextProvider::RaiseLibraryError(116, front);
    if (connection_->PortType() != static_cast<int32_t>(enumPortTypes::SerialPort) || !wrapper())
        Platform::ErrorTextProvider::RaiseLibraryError(117, front);
    if (connection_->Busy())
        Platform::ErrorTextProvider::RaiseLibraryError(121, front);
    abort_ = false;
    destination_ = destination;
    if (progress_) {
        progress_->setSubValue(1);
        progress_->setSubTopValue(size);
    }
    garbage_.clear();
    running_ = true;

    std::string own = source(upload ? "Upload" : "Download");
    try {
        begin();
        Ref<SerCommWrapper> link = wrapper_;
        if (!link->PortOpen())
            link->setPortOpen(true);
        if (profile_.needsEightDataBits && dataBits(link->Settings()) != 8)
            Platform::ErrorTextProvider::RaiseLibraryError(125, own);
        link->setXferProtocol(profile_.protocol);
        if (profile_.protocol == FileTransferProtocol_ZModem)
            link->setAutoZModem(false);
        link->setAbortTransfer(false);
        if (!upload && profile_.downloadWithoutNotice)
            link->setRThreshold(0);
        link->setInBufferCount(0);
        link->setOutBufferCount(0);
        if (!expression.empty())
            link->setOutput(Automation::Variant(expression));
        if (upload)
            link->setUpload(sourceFile);
        else
            link->setDownload(destination);
        waitForEnd();
        end();
    } catch (const Automation::Error& error) {
        running_ = false;
        end();
        throw Automation::Error(error.Number(), error.Source().empty() ? own : error.Source(),
                                error.Description());
    }
    if (status_ == FileTransfer_Success)
        return;
    if (abort_)
        Platform::ErrorTextProvider::RaiseLibraryError(113, own);
    // A failed transfer must not pass for a finished one.
    Automation::raise(130, own, "The file transfer failed (final status: " + statusName(status_) + ").");
}

void SerialTransfer::begin() {
    Ref<SerCommWrapper> link = wrapper();
    if (link->PortOpen())
        Platform::WaitUntil([&] { return abort_ || link->OutBufferCount() == 0; }, DrainLimitMs);
    link->ClientAdd(self<ISerCommClient>());
    wrapper_ = link;
    attached_ = true;
    wasOpen_ = link->PortOpen();
    savedRThreshold_ = link->RThreshold();
}

void SerialTransfer::waitForEnd() {
    while (running_ && wrapper_)
        wrapper_->ProcessEvents();
    int64_t until = Platform::MillisecondClock() + profile_.tailMs;
    do {
        if (wrapper_)
            wrapper_->ProcessEvents();
        else
            Platform::WaitForEvents(10);
    } while (Platform::MillisecondClock() <= until);
}

void SerialTransfer::end() {
    if (!attached_)
        return;
    Ref<SerCommWrapper> link = wrapper_;
    attached_ = false;
    garbage_ = link->InputStr();
    link->setInBufferCount(0);
    link->setOutBufferCount(0);
    if (link->PortOpen() != wasOpen_)
        link->setPortOpen(wasOpen_);
    link->setRThreshold(savedRThreshold_);
    link->ClientRemove(self<ISerCommClient>());
    wrapper_ = nullptr;
}

void SerialTransfer::Abort() {
    abort_ = true;
    if (!running_)
        return;
    if (wrapper_)
        wrapper_->setAbortTransfer(true);
    waitForEnd();
}

void SerialTransfer::readStatus() {
    if (wrapper_)
        status_ = wrapper_->XferStatus();
}

void SerialTransfer::PrepareFile() {
    if (wrapper_)
        wrapper_->setXferDestFilename(destination_);
    readStatus();
}

void SerialTransfer::TransferBlock() {
    if (!wrapper_)
        return;
    if (abort_) {
        wrapper_->setAbortTransfer(true);
        wrapper_->setOutput(Automation::Variant(std::string(profile_.abortOutput)));
    }
    if (progress_) {
        progress_->setSubValue(wrapper_->XferTransferred());
        if (progress_->Cancel())
            abort_ = true;
    }
    readStatus();
}

void SerialTransfer::ended() {
    if (wrapper_ && progress_)
        progress_->setSubValue(wrapper_->XferTransferred());
    running_ = false;
    readStatus();
}

} // namespace Brindle
