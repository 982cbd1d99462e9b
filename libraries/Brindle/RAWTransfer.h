#pragma once
// Moves one file over the printer's TCP connection with the printer's own
// cat program: no transfer protocol, printed markers delimit the data. For
// the length of a transfer it is the top client of the connection's TCP
// wrapper, so the socket's events come to it and the port is detached.
#include <cstdint>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "Brindle/RawDownloadScanner.h"
#include "Brindle/TransferBase.h"
#include "Tethra/INetCommClient.h"
#include "Tethra/NetCommWrapper.h"
#include "errors/ErrorInfoHolder.h"
#include "files/ReplacementFile.h"

namespace Brindle {

class RAWTransfer : public Automation::Object, public TransferBase, public Tethra::INetCommClient {
public:
    static constexpr Automation::ClassInfo classInfo{"{8B2D4F61-3A95-4C07-B1E8-6D0F2A7C9E35}",
                                                     "Brindle.RAWTransfer",
                                                     "{9C3E5A72-4BA6-4D18-82F9-7E1A3B8D0F46}"};

    // Data is handed to the socket in blocks of this size.
    static constexpr size_t BlockSize = 2048;
    // A transfer during which nothing moves for this long ends with 120.
    static constexpr int32_t DefaultIdleTimeoutMs = 30000;

    RAWTransfer();

    // ITransfer
    void Download(const std::string& Source, const std::string& Destination, int32_t SourceFileSize,
                  const std::string& TransferExpression) override;
    void Upload(const std::string& Source, const std::string& Destination, int32_t SourceFileSize,
                const std::string& TransferExpression) override;
    void Abort() override { abort_ = true; }

    // INetCommClient
    Automation::Ref<Tethra::NetCommWrapper> NetComm() override { return wrapper_; }
    void setNetComm(const Automation::Ref<Tethra::NetCommWrapper>& value) override { wrapper_ = value; }
    void Connected(int16_t&, std::string&) override {}
    void Receive() override;
    void DataIn(std::string&, bool&) override {}
    void Disconnected(int16_t&, std::string&) override {}
    void Error(int16_t&, std::string&) override {}
    void ReadyToSend() override;

    // How long a transfer may go without a byte moving either way.
    int32_t IdleTimeoutMs() const { return idleTimeoutMs_; }
    void setIdleTimeoutMs(int32_t value) { idleTimeoutMs_ = value; }

private:
    // Common front of Download and Upload: false when a transfer is running.
    bool frontChecks(const std::string& source, int32_t size, const std::string& destination);
    Automation::Ref<Tethra::NetCommWrapper> wrapper();
    void attach();
    void detach();
    void upload(const std::string& source, const std::string& expression);
    void download(const std::string& expression);
    // Attaches and starts one direction; an error on the way detaches again.
    void run(const std::string& ownSource, const std::function<void()>& start);
    // The wait and the detach that both directions end with; raises what was captured.
    void finish(const std::string& ownSource);
    void waitUntilNotRunning();
    // Whether the transfer is to stop: Abort, or the progress's Cancel.
    bool abortRequested();
    void outputBinaryData();
    // The file's bytes and the end-marker line.
    size_t uploadSize() const;
    // Up to BlockSize bytes of the file from sent_ on, or the rest of the
    // end-marker line after the file.
    std::string nextBlock();
    void receiveUpload();
    void receiveDownload();
    // Keeps the first error of the transfer.
    void capture(int32_t number, const std::string& source);
    bool hasError() const { return errors_->Number() != 0; }
    void touch();

    Automation::Ref<Tethra::NetCommWrapper> wrapper_;
    Automation::Ref<Platform::ErrorInfoHolder> errors_;
    bool running_ = false;
    bool uploading_ = false;
    bool abort_ = false;
    // An abort stopped the upload's stream before the file's last byte.
    bool cut_ = false;
    bool resume_ = false;
    bool sending_ = false;
    bool wasConnected_ = false;
    int64_t size_ = 0;
    std::string destination_;
    // Upload: the file is read a little ahead of what goes out; staged_ from
    // stagedAt_ holds the file's bytes from sent_ on. The end-marker command
    // line follows the file; sent_ counts the bytes taken, file and line.
    std::ifstream source_;
    std::string staged_;
    size_t stagedAt_ = 0;
    size_t sent_ = 0;
    // Download: the bytes received so far, where the file lies in them, and
    // the file bytes written so far, which replace the destination once the
    // end marker has followed them.
    int64_t received_ = 0;
    std::optional<RawDownloadScanner> scanner_;
    std::optional<Platform::Files::ReplacementFile> file_;
    int32_t idleTimeoutMs_ = DefaultIdleTimeoutMs;
    int64_t lastActivity_ = 0;
};

} // namespace Brindle
