#include "Brindle/RAWTransfer.h"

#include <fstream>
#include <functional>

#include "Brindle/RawUploadReply.h"
#include "Tethra/Enums.h"
#include "Tethra/NetPort.h"
#include "automation/Error.h"
#include "errors/ErrorTextProvider.h"
#include "files/ReplacementFile.h"
#include "messages/Clock.h"
#include "messages/MessagePump.h"
#include "tcp/TcpControl.h"

namespace Brindle {

using Automation::Ref;
using namespace Tethra;

namespace {

constexpr const char* WaitSource = "RawTransfer:WaitUntilNotRunning method.";
constexpr const char* ReceiveSource = "RawTransfer:INetCommClient_Receive method";
constexpr int32_t FailureSettleMs = 4000;
// One pass of the wait blocks in the event loop at most this long.
constexpr int32_t WaitSliceMs = 50;

constexpr std::string_view EndMarkerLine = "\rPRINTCHR$(1)+CHR$(2)+\"<@END>\"+CHR$(3)+CHR$(4)\r";
constexpr const char* SendSource = "RawTransfer:OutputBinaryData Method";
// The file is read this far ahead of what goes out.
constexpr size_t ReadAhead = 65536;

// Opens the file to be sent once it is known to hold `size` bytes.
void openSource(std::ifstream& file, const std::string& path, int64_t size) {
    file.open(path, std::ios::binary | std::ios::ate);
    if (!file)
        Automation::raise(Automation::RuntimeError::FileNotFound, "RawTransfer:Upload method",
                          "File not found: \"" + path + "\"");
    if (file.tellg() < size)
        Automation::raise(Platform::Files::PathFileAccessError, "RawTransfer:Upload method",
                          "The file " + path + " is shorter than " + std::to_string(size) + " bytes");
    file.seekg(0);
}

} // namespace

RAWTransfer::RAWTransfer() : errors_(Automation::New<Platform::ErrorInfoHolder>()) {}

Ref<NetCommWrapper> RAWTransfer::wrapper() {
    if (!wrapper_ && connection_) {
        if (auto port = connection_->PortObject().as<NetPort>())
            wrapper_ = port->NetComm();
    }
    return wrapper_;
}

bool RAWTransfer::frontChecks(const std::string& source, int32_t size, const std::string& destination) {
    if (running_)
        return false;
    if (!connection_)
        Platform::ErrorTextProvider::RaiseLibraryError(116, source);
    if (connection_->PortType() != static_cast<int32_t>(enumPortTypes::NetWorkPort))
        Platform::ErrorTextProvider::RaiseLibraryError(118, source);
    if (connection_->Busy())
        Platform::ErrorTextProvider::RaiseLibraryError(121, source);
    if (!wrapper())
        Platform::ErrorTextProvider::RaiseLibraryError(118, source);
    abort_ = false;
    cut_ = false;
    size_ = size;
    destination_ = destination;
    errors_ = Automation::New<Platform::ErrorInfoHolder>();
    if (progress_) {
        progress_->setSubValue(1);
        progress_->setSubTopValue(size);
    }
    garbage_.clear();
    return true;
}

void RAWTransfer::Upload(const std::string& Source, const std::string& Destination, int32_t SourceFileSize,
                         const std::string& TransferExpression) {
    if (!frontChecks("RAWTransfer:ITransfer_Upload method", SourceFileSize, Destination))
        return;
    status_ = FileTransfer_Prepare;
    upload(Source, TransferExpression);
}

void RAWTransfer::Download(const std::string& Source, const std::string& Destination, int32_t SourceFileSize,
                           const std::string& TransferExpression) {
    (void)Source;
    if (!frontChecks("RAWTransfer:ITransfer_Download method", SourceFileSize, Destination))
        return;
    download(TransferExpression);
}

void RAWTransfer::attach() {
    status_ = FileTransfer_Prepare;
    Ref<NetCommWrapper> link = wrapper();
    link->ClientAdd(self<INetCommClient>());
    wrapper_ = link;
    wasConnected_ = link->Connected();
    if (!wasConnected_)
        link->setConnected(true);
    touch();
}

void RAWTransfer::detach() {
    Ref<NetCommWrapper> link = wrapper();
    if (!link)
        return;
    // An aborted upload ends only once the printer's cat has given up, or
    // before it was started: nothing is left to settle.
    if (status_ == FileTransfer_Failure || (status_ == FileTransfer_FileAbort && !uploading_))
        connection_->Wait(FailureSettleMs, true);
    // An upload's collected replies served only its checks; a download
    // keeps what followed its end marker.
    if (uploading_)
        garbage_.clear();
    garbage_ += link->InputStr();
    if (link->Connected() != wasConnected_)
        link->setConnected(wasConnected_);
    link->ClientRemove(self<INetCommClient>());
    wrapper_ = nullptr;
}

void RAWTransfer::touch() {
    lastActivity_ = Platform::MillisecondClock();
}

void RAWTransfer::capture(int32_t number, const std::string& source) {
    if (hasError())
        return;
    errors_->Capture(Automation::Error(number, source, Platform::ErrorTextProvider::GetErrorText(number)));
}

void RAWTransfer::upload(const std::string& source, const std::string& expression) {
    run("RawTransfer:Upload method", [&] {
        uploading_ = true;
        if (size_ > 0)
            openSource(source_, source, size_);
        staged_.clear();
        stagedAt_ = 0;
        sent_ = 0;
        // Aborted before the printer's cat was started: nothing goes out.
        if (abortRequested()) {
            status_ = FileTransfer_FileAbort;
            capture(113, WaitSource);
            return;
        }
        wrapper_->setDataToSend(Automation::Variant(expression));
        outputBinaryData();
    });
}

void RAWTransfer::download(const std::string& expression) {
    run("RawTransfer:Download method", [&] {
        uploading_ = false;
        received_ = 0;
        scanner_.emplace(size_);
        wrapper_->setDataToSend(Automation::Variant(expression));
    });
}

void RAWTransfer::run(const std::string& ownSource, const std::function<void()>& start) {
    try {
        attach();
        running_ = true;
        start();
    } catch (const Automation::Error& error) {
        running_ = false;
        source_.close();
        detach();
        throw Automation::Error(error.Number(), error.Source().empty() ? ownSource : error.Source(),
                                error.Description());
    }
    finish(ownSource);
}

void RAWTransfer::finish(const std::string& ownSource) {
    waitUntilNotRunning();
    running_ = false;
    if (progress_)
        progress_->setStart(false);
    detach();
    // A download that did not complete leaves the destination as it was.
    file_.reset();
    source_.close();
    staged_.clear();
    scanner_.reset();
    if (hasError())
        throw Automation::Error(errors_->Number(), errors_->Source() + ">" + ownSource,
                                errors_->Description());
    if (status_ == FileTransfer_EndOfFile)
        status_ = FileTransfer_Success;
}

void RAWTransfer::waitUntilNotRunning() {
    while (running_) {
        Ref<NetCommWrapper> link = wrapper_;
        link->ProcessEvents();
        if (!running_)
            break;
        // An upload hears the abort between its blocks, and its end waits
        // for the printer's cat.
        if (!uploading_ && abortRequested()) {
            status_ = FileTransfer_FileAbort;
            capture(113, WaitSource);
        } else if (!link->Connected()) {
            // The printer went away: nothing more can arrive.
            status_ = FileTransfer_Failure;
            capture(108, WaitSource);
        } else if (cut_ && Platform::MillisecondClock() - lastActivity_ > FailureSettleMs) {
            // A printer that does not say its cat gave up may still be
            // reading: the abort ends the upload as a failure, whose waits follow.
            status_ = FileTransfer_Failure;
            capture(113, WaitSource);
        } else if (Platform::MillisecondClock() - lastActivity_ > idleTimeoutMs_) {
            status_ = FileTransfer_Failure;
            bool refused = scanner_ && scanner_->MentionsSocketError();
            capture(refused ? 129 : 120, WaitSource);
        }
        if (hasError())
            break;
        Platform::WaitForEvents(WaitSliceMs);
    }
}

bool RAWTransfer::abortRequested() {
    if (progress_ && progress_->Cancel())
        abort_ = true;
    return abort_;
}

void RAWTransfer::outputBinaryData() {
    // Nested pumps bring ReadyToSend while this loop runs; it sends alone.
    if (sending_)
        return;
    sending_ = true;
    resume_ = false;
    size_t fileBytes = static_cast<size_t>(size_);
    while (sent_ < uploadSize() && !hasError()) {
        // Before the file's last byte an abort stops the stream: the printer's
        // cat drops what it read once the silence reaches its limit. After
        // it the cat keeps the file whatever follows, so the end marker goes
        // and the upload ends as it would have.
        if (sent_ < fileBytes && abortRequested()) {
            cut_ = true;
            break;
        }
        status_ = sent_ < fileBytes ? FileTransfer_Transferring : FileTransfer_EndOfFile;
        try {
            wrapper_->setDataToSend(Automation::Variant(nextBlock()));
        } catch (const Automation::Error& error) {
            status_ = FileTransfer_Failure;
            if (error.Number() == Platform::Tcp::TcpControlError::WouldBlock)
                resume_ = true;
            else
                errors_->Capture(Automation::Error(error.Number(), SendSource, error.Description()));
            break;
        }
        int32_t taken = wrapper_->BytesSent();
        if (sent_ < fileBytes)
            stagedAt_ += static_cast<size_t>(taken);
        sent_ += static_cast<size_t>(taken);
        if (taken > 0)
            touch();
        if (progress_)
            progress_->setSubValue(static_cast<int32_t>(std::min(sent_, fileBytes)));
        if (taken == 0) {
            // The window is full: ReadyToSend goes on.
            resume_ = true;
            break;
        }
        wrapper_->ProcessEvents();
    }
    if (sent_ >= uploadSize() && status_ != FileTransfer_Failure)
        status_ = FileTransfer_EndOfFile;
    sending_ = false;
}

size_t RAWTransfer::uploadSize() const {
    return static_cast<size_t>(size_) + EndMarkerLine.size();
}

std::string RAWTransfer::nextBlock() {
    size_t fileBytes = static_cast<size_t>(size_);
    // The end-marker line goes out on its own, after the last block.
    if (sent_ >= fileBytes)
        return std::string(EndMarkerLine.substr(sent_ - fileBytes));
    if (staged_.size() - stagedAt_ < BlockSize) {
        // What is left of the staged bytes moves to the front, and the file's next bytes follow it.
        staged_.erase(0, stagedAt_);
        stagedAt_ = 0;
        size_t have = staged_.size();
        staged_.resize(have + std::min(ReadAhead, fileBytes - sent_ - have));
        if (staged_.size() > have &&
            !source_.read(staged_.data() + have, static_cast<std::streamsize>(staged_.size() - have)))
            Automation::raise(Platform::Files::PathFileAccessError, SendSource,
                              "The file being sent became shorter than " + std::to_string(size_) + " bytes");
    }
    return staged_.substr(stagedAt_, BlockSize);
}

void RAWTransfer::ReadyToSend() {
    if (running_ && uploading_ && (sent_ < uploadSize() || resume_))
        outputBinaryData();
}

void RAWTransfer::Receive() {
    if (!running_ || !wrapper_)
        return;
    touch();
    try {
        if (uploading_)
            receiveUpload();
        else
            receiveDownload();
    } catch (const Automation::Error& error) {
        status_ = FileTransfer_Failure;
        if (!hasError())
            errors_->Capture(error);
        running_ = false;
    }
}

void RAWTransfer::receiveUpload() {
    garbage_ += wrapper_->InputStr();
    RawUploadReply::Verdict verdict = RawUploadReply::Judge(garbage_);
    if (cut_) {
        // The cat's time-out is the end of a cut stream: the printer has
        // dropped the bytes and takes commands again.
        if (verdict.error == RawUploadReply::CatTimedOut) {
            status_ = FileTransfer_FileAbort;
            capture(113, WaitSource);
        }
    } else if (verdict.error != 0) {
        status_ = FileTransfer_Failure;
        capture(verdict.error, ReceiveSource);
    } else if (verdict.ended) {
        running_ = false;
        status_ = FileTransfer_EndOfFile;
    }
}

void RAWTransfer::receiveDownload() {
    std::string arrived = wrapper_->InputStr();
    received_ += static_cast<int64_t>(arrived.size());
    if (progress_)
        progress_->setSubValue(static_cast<int32_t>(received_));
    status_ = FileTransfer_Transferring;
    RawDownloadScanner::State state = scanner_->Scan(arrived);
    if (!scanner_->FileBytes().empty() || state == RawDownloadScanner::State::Complete) {
        if (!file_)
            file_.emplace(destination_, ReceiveSource);
        file_->Write(scanner_->FileBytes());
    }
    switch (state) {
    case RawDownloadScanner::State::Waiting:
        return;
    case RawDownloadScanner::State::SocketError:
        status_ = FileTransfer_Failure;
        capture(129, ReceiveSource);
        return;
    case RawDownloadScanner::State::SizeMismatch:
        status_ = FileTransfer_Failure;
        capture(101, ReceiveSource);
        return;
    case RawDownloadScanner::State::Complete:
        break;
    }
    status_ = FileTransfer_EndOfFile;
    file_->Commit();
    file_.reset();
    running_ = false;
    // The printer's prompt after the end marker is no file data.
    garbage_ = scanner_->Rest();
}

} // namespace Brindle
