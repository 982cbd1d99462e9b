#pragma once
// Moves one file over a serial connection with the serial control's ZModem
// or Kermit engine. For the length of a transfer it is the top client of the
// port's serial wrapper, so the control's transfer events come to it; the
// port's open state and receive threshold are put back afterwards.
// ZModemTransfer and KermitTransfer are this class with their profile.
#include <cstdint>
#include <string>

#include "Brindle/TransferBase.h"
#include "Tethra/ISerCommClient.h"
#include "Tethra/SerCommWrapper.h"

namespace Brindle {

class SerialTransfer : public Automation::Object, public TransferBase, public Tethra::ISerCommClient {
public:
    // What tells the two protocols apart.
    struct Profile {
        const char* className;
        int32_t protocol;           // the control's XferProtocol
        bool needsEightDataBits;    // 125 otherwise
        const char* abortOutput;    // written when an abort is acted on
        int32_t tailMs;             // events pumped after the end report
        bool downloadWithoutNotice; // RThreshold 0 while receiving
    };

    // How long a port's pending output may take to drain before a transfer.
    static constexpr int32_t DrainLimitMs = 10000;

    // ITransfer
    void Download(const std::string& Source, const std::string& Destination, int32_t SourceFileSize,
                  const std::string& TransferExpression) override;
    void Upload(const std::string& Source, const std::string& Destination, int32_t SourceFileSize,
                const std::string& TransferExpression) override;
    void Abort() override;

    // ISerCommClient
    Automation::Ref<Tethra::SerCommWrapper> SerComm() override { return wrapper_; }
    void setSerComm(const Automation::Ref<Tethra::SerCommWrapper>& value) override { wrapper_ = value; }
    void PrepareFile() override;
    void StartFile() override { readStatus(); }
    void WaitForFile() override { readStatus(); }
    void TransferBlock() override;
    void FinishFile() override { readStatus(); }
    void AbortFile() override { ended(); }
    void AbortFileTransfer() override { ended(); }
    void FinishFileTransfer() override { ended(); }
    void Receive() override {}
    void CTSChanged() override {}
    void DSRChanged() override {}

protected:
    explicit SerialTransfer(const Profile& profile) : profile_(profile) {}

private:
    void transfer(bool upload, const std::string& source, const std::string& destination, int32_t size,
                  const std::string& expression);
    std::string source(const char* member) const;
    Automation::Ref<Tethra::SerCommWrapper> wrapper();
    void begin();
    void waitForEnd();
    void end();
    void readStatus();
    void ended();

    Profile profile_;
    Automation::Ref<Tethra::SerCommWrapper> wrapper_;
    bool running_ = false;
    bool abort_ = false;
    bool attached_ = false;
    std::string destination_;
    bool wasOpen_ = false;
    int32_t savedRThreshold_ = 0;
};

} // namespace Brindle
