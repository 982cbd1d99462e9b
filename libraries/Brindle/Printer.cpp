#include "Brindle/Printer.h"

#include <vector>

#include "Brindle/FileTransfer.h"
#include "Brindle/FilesListing.h"
#include "Brindle/Globals.h"
#include "automation/Runtime.h"
#include "errors/ErrorTextProvider.h"

namespace Brindle {

namespace {

using Automation::CompareMethod;
using Platform::ErrorTextProvider;

// The device part of a path in lower case: the text before its first colon,
// or the first directory of a path that begins with "/".
std::string normaliseDeviceName(const std::string& path) {
    size_t end = path.find(':');
    size_t start = 0;
    if (!path.empty() && path[0] == '/') {
        start = 1;
        end = path.find('/', 1);
    }
    if (end == std::string::npos)
        return path;
    return path.substr(0, start) + Automation::lowerCase(path.substr(start, end - start)) + path.substr(end);
}

Automation::ByteArray bytesOf(const std::string& text) {
    return Automation::ByteArray(text.begin(), text.end());
}

} // namespace

Printer::~Printer() {
    if (properties_)
        properties_->ParentTerminate();
    if (handler_)
        handler_->setCallbackOwner(nullptr);
}

Automation::Ref<ProtocolHandler> Printer::protocolHandler() {
    if (!handler_)
        ErrorTextProvider::RaiseLibraryError(116, "Printer:ProtocolHandler Property Get");
    return handler_;
}

void Printer::setConnection(const Automation::Ref<Tethra::Connection>& value) {
    if (value == connection_)
        return;
    if (!value) {
        if (handler_)
            handler_->setCallbackOwner(nullptr);
    } else {
        if (!handler_) {
            handler_ = Automation::New<ProtocolHandler>();
            handler_->setFirstResponseLimit(1000);
        }
        handler_->setCallbackOwner(callback_);
    }
    ClearCache();
    NotifyClientsAboutPrinterRefresh();

    onReceive_.disconnect();
    afterChanged_.disconnect();
    beforeDestroy_.disconnect();
    connection_ = value;
    if (!connection_)
        return;
    onReceive_ = connection_->OnReceive.connect([this] {
        Automation::ByteArray bytes = connection_->ReceiveB();
        if (handler_)
            handler_->AddReceivedData(
                std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    });
    afterChanged_ = connection_->AfterConnectionChanged.connect([this](Automation::Ref<Tethra::Connection>) {
        ClearCache();
        NotifyClientsAboutPrinterRefresh();
        OnPrinterRefresh.raise();
    });
    beforeDestroy_ = connection_->BeforeConnectionDestroy.connect(
        [this](Automation::Ref<Tethra::Connection>, bool& cancel) {
            if (!cancel)
                ClearCache();
        });
}

void Printer::ClearCache() {
    versionText_.clear();
    stdIO_ = 0;
    verbosityLevel_ = 0;
    errorMsgType_ = 0;
    lineBreak_.clear();
    legacyMode_ = 0;
    startUp_ = 0;
}

enumRubricMode Printer::RubricMode() const {
    return handler_ ? handler_->RubricMode() : enumRubricMode::RBMode_Unknown;
}

const Automation::Ref<RubricErrors>& Printer::Errors() {
    if (!errors_)
        errors_ = Automation::New<RubricErrors>();
    return errors_;
}

std::string Printer::Command(std::string Expression, const Automation::Ref<Gaugely::Progress>& Progress,
                             int32_t Timeout, bool TranslateLineBreaks, bool RaiseErrorFromRubric) {
    Automation::Ref<Printer> keepAlive = self<Printer>();
    Automation::Ref<Tethra::Connection> connection = connection_;
    auto handler = handler_ ? handler_ : Automation::New<ProtocolHandler>();
    return handler->Command(Expression, connection, Progress, Timeout, TranslateLineBreaks,
                            RaiseErrorFromRubric);
}

void Printer::AbortCommand() {
    if (handler_)
        handler_->Abort();
}

void Printer::CommandProtocolReceived(const Automation::Ref<CommandReply>& reply) {
    bool changed = false;
    if (reply->RBVersionStr() != versionText_)
        changed = true;
    versionText_ = reply->RBVersionStr();
    if (reply->StartUp() == 1)
        changed = true;
    startUp_ = reply->StartUp();
    if (RubricVersionNumber::FromText(versionText_).TracksLegacyMode() && reply->LegacyMode() != legacyMode_)
        changed = true;
    legacyMode_ = reply->LegacyMode();
    lineBreak_ = reply->LineBreakStr();
    stdIO_ = reply->StdIO();
    errors_ = reply->RBErrors();
    userName_ = reply->UserName();
    if (!programOperation_) {
        verbosityLevel_ = reply->VerbosityLevel();
        errorMsgType_ = reply->ErrorMsgType();
    }
    if (!changed)
        return;
    try {
        NotifyClientsAboutPrinterRefresh();
        OnPrinterRefresh.raise();
    } catch (const Automation::Error&) {
        // A client's failure does not undo the reply.
    }
}

void Printer::PackageDelay() {
    if (connection_->PortType() != 2) {
        handler_->setFirstResponseLimit(1000);
        return;
    }
    if (versionText_.empty() || RubricVersionNumber::FromText(versionText_).NeedsNetworkPackageDelay()) {
        connection_->Wait(500, true);
        handler_->setFirstResponseLimit(2000);
    }
}

bool Printer::RubricHello(Automation::Error* failure, const Automation::Ref<Gaugely::Progress>& progress) {
    if (!connection_)
        ErrorTextProvider::RaiseLibraryError(116, "Printer:RubricHello Method");
    try {
        std::string reply = Command("PRINT\"HELLO\r\n", progress, 0, true, true);
        return Automation::inStr(1, reply, "HELLO", CompareMethod::Text) != 0;
    } catch (const Automation::Error& error) {
        if (failure)
            *failure = error;
        return false;
    }
}

void Printer::ensureState() {
    if (versionText_.empty())
        RubricHello(nullptr);
}

bool Printer::IsImmediateMode(const Automation::Ref<Gaugely::Progress>& Progress) {
    try {
        return RubricHello(nullptr, Progress);
    } catch (const Automation::Error&) {
        ErrorTextProvider::RaiseLibraryError(101, "Printer:IsImmediateMode Method");
    }
}

std::string Printer::RubricVersionStr() {
    try {
        if (versionText_.empty()) {
            Automation::Error failure(0, {}, {});
            if (!RubricHello(&failure))
                throw failure;
        }
        return versionText_;
    } catch (const Automation::Error& error) {
        Automation::reraise(error, "Printer:RubricVersionStr Get");
    }
}

std::string Printer::RubricVersion() {
    try {
        return RubricVersionNumber::FromText(RubricVersionStr()).Text();
    } catch (const Automation::Error& error) {
        Automation::reraise(error, "Printer:RubricVersion Get");
    }
}

int32_t Printer::StdIO() {
    ensureState();
    return stdIO_;
}

std::string Printer::StdioStr() {
    static const char* const devices[] = {"console:", "uart1:", "uart2:", "uart3:", "par:", "net1:", "usb1:"};
    int32_t channel = StdIO();
    if (channel < 0 || channel > 6)
        Automation::raise(Automation::RuntimeError::SubscriptOutOfRange, "Printer:StdioStr Property Get");
    return devices[channel];
}

int32_t Printer::LegacyMode() {
    ensureState();
    return legacyMode_;
}

std::string Printer::LineBreakStr() {
    ensureState();
    return lineBreak_;
}

std::string Printer::UserName() {
    return userName_;
}

Automation::ByteArray Printer::TerminalReceivedBinary() {
    return bytesOf(TerminalReceived());
}
Automation::ByteArray Printer::DebugReceivedBinary() {
    return bytesOf(DebugReceived());
}
Automation::ByteArray Printer::APReceivedBinary() {
    return bytesOf(APReceived());
}
std::string Printer::TerminalReceived() {
    return handler_ ? handler_->TakeTerminal() : std::string();
}
std::string Printer::DebugReceived() {
    return handler_ ? handler_->TakeDebug() : std::string();
}
std::string Printer::APReceived() {
    return handler_ ? handler_->TakeApplication() : std::string();
}

void Printer::setAPSeparationEnable(bool value) {
    protocolHandler()->setAPSeparationEnable(value);
}

bool Printer::IsDeviceMounted(const std::string& DeviceName) {
    const std::string source = "Printer:IsDeviceMounted Method";
    requireConnection(source);
    Globals::CheckRubricValue(DeviceName, source);
    try {
        switch (RubricVersionNumber::FromText(RubricVersion()).CommandDialect()) {
        case RubricVersionNumber::Dialect::Shell: {
            auto lines = Globals::Split(Command("RUN\"df " + DeviceName + "\r"), "\r\n");
            return lines.size() >= 2 && lines[1].size() >= 6;
        }
        case RubricVersionNumber::Dialect::Basic:
            try {
                Command("OPEN\"" + DeviceName + "\" FOR INPUT AS #9091:CLOSE 9091\r");
            } catch (const Automation::Error& error) {
                return error.Number() != 50039;
            }
            return true;
        case RubricVersionNumber::Dialect::None:
            break;
        }
        return false;
    } catch (const Automation::Error& error) {
        Automation::reraise(error, source);
    }
}

int32_t Printer::GetBytesFree(const std::string& DeviceName) {
    const std::string source = "Printer:GetBytesFree Method";
    Globals::CheckRubricValue(DeviceName, source);
    try {
        std::string reply = Command("FILES \"" + normaliseDeviceName(DeviceName) + "\r");
        for (const auto& line : Globals::Split(reply, "\r\n"))
            if (line.find("bytes free") != std::string::npos)
                return Automation::toLong(Automation::val(line));
        return 0;
    } catch (const Automation::Error& error) {
        Automation::reraise(error, source);
    }
}

namespace {

// A listing line of a file: ten mode characters, the first of them any, the
// others r, w, x or -.
bool isFileListingLine(const std::string& line) {
    static const char modes[] = "rwx";
    if (line.size() < 11 || line[10] != ' ')
        return false;
    for (size_t i = 1; i < 10; ++i)
        if (line[i] != '-' && line[i] != modes[(i - 1) % 3])
            return false;
    return true;
}

// Whether a listing line names the file: its text ends with a blank and the name.
bool listsName(const std::string& line, const std::string& name) {
    return Automation::lowerCase(line).ends_with(" " + Automation::lowerCase(name));
}

std::string baseName(const std::string& path) {
    size_t at = path.find_last_of(":/");
    return at == std::string::npos ? path : path.substr(at + 1);
}

} // namespace

int32_t Printer::GetFileSize(const std::string& Filename) {
    const std::string source = "Printer:GetFileSize Method";
    try {
        Globals::CheckRubricValue(Filename, source);
        std::string path = FilesListing::NormalizeDevicePath(Filename);
        std::vector<std::string> lines;
        switch (RubricVersionNumber::FromText(RubricVersion()).CommandDialect()) {
        case RubricVersionNumber::Dialect::Shell:
            lines = Globals::Split(Command("RUN\"ll -a " + Globals::EscapeBlanks(path) + "\r"), "\r\n");
            break;
        case RubricVersionNumber::Dialect::Basic:
            // The old FILES output, rebuilt as listing lines; among them the file's own.
            for (const auto& line :
                 Globals::Split(FilesListing::ParseFilesListing(Command("FILES\"" + path + "\r")), "\r\n"))
                if (listsName(line, baseName(path)))
                    lines.push_back(line);
            break;
        case RubricVersionNumber::Dialect::None:
            break;
        }
        for (const auto& line : lines)
            if (isFileListingLine(line))
                return Automation::toLong(Automation::val(Automation::mid(line, 30)));
        ErrorTextProvider::RaiseLibraryError(122, "Printer:GetFileSize", "File: \"" + Filename + "\"");
    } catch (const Automation::Error& error) {
        Automation::reraise(error, source);
    }
}

void Printer::InstallPrinterResource(const std::string& PrinterFilename) {
    Globals::CheckRubricValue(PrinterFilename, "Printer:InstallPrinterResource Method");
    Command("RUN\"install " + Globals::EscapeBlanks(PrinterFilename) + "\r");
}

int32_t Printer::RawTransferUploadCancelCatTimeout() {
    if (cancelCatTimeout_ == 0)
        prepareFileTransfer();
    return cancelCatTimeout_;
}

int32_t Printer::RawTransferUploadRestoreTimeout() {
    if (restoreTimeout_ == 0)
        prepareFileTransfer();
    return restoreTimeout_;
}

Automation::Ref<FileTransfer> Printer::prepareFileTransfer() {
    auto transfer = Automation::New<FileTransfer>();
    transfer->setPrinter(self<Printer>());
    transfer->setRawTransferUploadCancelCatTimeout(cancelCatTimeout_);
    transfer->setRawTransferUploadRestoreTimeout(restoreTimeout_);
    cancelCatTimeout_ = transfer->RawTransferUploadCancelCatTimeout();
    restoreTimeout_ = transfer->RawTransferUploadRestoreTimeout();
    return transfer;
}

void Printer::requireConnection(const std::string& source) const {
    if (!connection_)
        ErrorTextProvider::RaiseLibraryError(116, source);
}

std::string Printer::GetMCSName() {
    return Globals::WithoutTrailingLineBreaks(Command("RUN\"uname -a\r"));
}

void Printer::SetDisplay(const std::string& TextToDisplay, int32_t SoundFreq, int32_t SoundDuration) {
    const std::string source = "Printer:SetDisplay Method";
    try {
        std::string sound = SoundFreq > 0 ? "\rSOUND " + std::to_string(SoundFreq) + "," +
                                                std::to_string(SoundDuration) + "\r"
                                          : std::string();
        switch (RubricVersionNumber::FromText(RubricVersion()).CommandDialect()) {
        case RubricVersionNumber::Dialect::Shell:
            Command("RUN\"cat -" + std::to_string(TextToDisplay.size()) + " > console:\r" + TextToDisplay +
                    sound + "\r");
            break;
        case RubricVersionNumber::Dialect::Basic: {
            // Here the text stands inside a quoted string.
            Globals::CheckRubricValue(TextToDisplay, source);
            std::string text = Automation::left(TextToDisplay, 16) + " " + Automation::mid(TextToDisplay, 17);
            Command("OPEN\"CONSOLE:\"FOR OUTPUT AS 10956:PRINT#10956,\"" + text + "\";\rCLOSE10956" + sound +
                    "\r");
            break;
        }
        case RubricVersionNumber::Dialect::None:
            break;
        }
    } catch (const Automation::Error& error) {
        Automation::reraise(error, source);
    }
}

void Printer::AddClient(const Automation::Ref<IPrinterClientObj>& ClientObj) {
    if (!ClientObj)
        return;
    if (!clients_)
        clients_ = Automation::New<Automation::Collection<Automation::Ref<IPrinterClientObj>>>();
    clients_->Add(ClientObj, "C" + std::to_string(ClientObj.identity()));
}

void Printer::RemoveClient(const Automation::Ref<IPrinterClientObj>& ClientObj) {
    if (!ClientObj || !clients_)
        return;
    clients_->Remove("C" + std::to_string(ClientObj.identity()));
    if (clients_->Count() == 0)
        clients_.reset();
}

template <class F> void Printer::forEachClient(F call) {
    if (!clients_)
        return;
    auto clients = clients_; // a client may unregister while it is told
    for (const auto& client : *clients)
        call(*client);
}

void Printer::NotifyClientsAboutFilesystemUpdate(const std::string& NewData) {
    forEachClient([&](IPrinterClientObj& c) { c.FileSystemRefresh(NewData); });
}
void Printer::NotifyClientsAboutSetupRefresh(const std::string& NewData) {
    forEachClient([&](IPrinterClientObj& c) { c.SetupRefresh(NewData); });
}
void Printer::NotifyClientsAboutFontsRefresh(const std::string& NewData) {
    forEachClient([&](IPrinterClientObj& c) { c.FontsRefresh(NewData); });
}
void Printer::NotifyClientsAboutImagesRefresh(const std::string& NewData) {
    forEachClient([&](IPrinterClientObj& c) { c.ImagesRefresh(NewData); });
}
bool Printer::NotifyClientsAboutPrinterRefresh() {
    forEachClient([](IPrinterClientObj& c) { c.PrinterRefresh(); });
    return false;
}
bool Printer::NotifyClientsAboutDestruction() {
    bool cancel = false;
    forEachClient([&](IPrinterClientObj& c) { c.DestroyRequest(cancel); });
    return cancel;
}

} // namespace Brindle
