#pragma once
// The serial probe engine: on the COM port of its connection's serial port it
// tries the baud rates (outer) and frames (inner) in their current order with
// a Rubric hello, asks the printer which of its serial channels heard it,
// reads that channel's setup back, and reports the settings found. While it
// runs it is the top client of the port's serial wrapper, so the received
// bytes come to it.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Brindle/FifoBuf.h"
#include "Gaugely/IProgressCallBack.h"
#include "Gaugely/Progress.h"
#include "Seekwire/CommPorts.h"
#include "Seekwire/ConnectionSetupCol.h"
#include "Seekwire/SerialConnectionSetup.h"
#include "Tethra/Connection.h"
#include "Tethra/ISerCommClient.h"
#include "Tethra/SerCommWrapper.h"
#include "automation/Collection.h"
#include "automation/Object.h"
#include "automation/Variant.h"

namespace Seekwire {

class SerialAutoConnect : public Automation::Object, public Tethra::ISerCommClient {
public:
    static constexpr Automation::ClassInfo classInfo{"{3E7A1C52-9B04-4D8E-A6F1-0C2B5D8E7F47}",
                                                     "Seekwire.SerialAutoConnect",
                                                     "{3E7A1C52-9B04-4D8E-A6F1-0C2B5D8E7F48}"};

    static constexpr std::string_view DefaultBaudrates = "115200:57600:38400:19200:9600:4800:2400";
    static constexpr std::string_view DefaultFrames = "m,8,2:n,8,2:n,7,2:n,7,1";
    // Milliseconds to wait for the hello answer, by baud rate.
    static constexpr std::string_view DefaultTimouts =
        "115200:150:57600:150:38400:150:19200:200:9600:250:4800:300:2400:450";
    // The wait of VerifySettings' first two probes, and of every read-back.
    static constexpr int32_t VerifyTimeoutMs = 1000;
    static constexpr int32_t DefaultCommandTimeoutMs = 10000;

    SerialAutoConnect();
    SerialAutoConnect(const SerialAutoConnect&) = delete;
    SerialAutoConnect& operator=(const SerialAutoConnect&) = delete;

    Automation::Ref<Tethra::Connection> Connection() const { return connection_; }
    void setConnection(const Automation::Ref<Tethra::Connection>& value) { connection_ = value; }

    // The whole sweep on the setup's COM port; fills the setup, ImmediateMode
    // telling whether a printer answered. The port is left closed.
    void ScanCommPort(const Automation::Ref<SerialConnectionSetup>& SerialConnectionSetupObj,
                      const Automation::Ref<Gaugely::IProgressCallBack>& ProgressCallback = nullptr);
    void ScanCommPorts(const Automation::Ref<ConnectionSetupCol>&) {}

    // The candidate lists and the waits as a document.
    std::string ObjectData();
    void setObjectData(const std::string& value);

    Automation::Variant CommPort() const { return foundCommPort_; }
    int32_t Baudrate() const { return baudrate_; }
    int32_t Parity() const { return parity_; }
    int32_t Databits() const { return databits_; }
    int32_t Stopbits() const { return stopbits_; }
    int32_t Handshake() const { return handshake_; }
    int32_t StdIO() const;

    // The sweep over every candidate on the wrapper's COM port; True when a
    // printer answered. Errors of the run end it with False.
    bool Scan(const Automation::Ref<Gaugely::IProgressCallBack>& ProgressCallback = nullptr);
    // Tries exactly one setting ("9600,n,8,1") on that COM port.
    bool VerifySettings(int32_t CommPort, const std::string& Settings,
                        const Automation::Ref<SerialConnectionSetup>& SerialConnectionSetupObj,
                        const Automation::Ref<Gaugely::IProgressCallBack>& ProgressCallback = nullptr);
    void Abort() { abort_ = true; }
    bool IsRunning() const { return running_; }
    Automation::Ref<CommPorts> GetCommPorts();

    // 1 to 5 for a text starting with N, E, O, M or S (any case), else 0.
    int32_t ParityValue(const std::string& Expression) const;
    // The letter of parity 1 to 5; another index raises 9.
    std::string ParityString(int32_t Expression) const;
    // "None", "Software", "Hardware" or "Both" for 0 to 3; another index raises 9.
    std::string HandshakeString(int32_t Expression) const;

    // ISerCommClient
    Automation::Ref<Tethra::SerCommWrapper> SerComm() override { return wrapper_; }
    void setSerComm(const Automation::Ref<Tethra::SerCommWrapper>& value) override { wrapper_ = value; }
    void PrepareFile() override {}
    void StartFile() override {}
    void WaitForFile() override {}
    void TransferBlock() override {}
    void FinishFile() override {}
    void AbortFile() override {}
    void AbortFileTransfer() override {}
    void FinishFileTransfer() override {}
    void Receive() override;
    void CTSChanged() override {}
    void DSRChanged() override {}

private:
    struct Run;

    Automation::Ref<Tethra::SerCommWrapper> GetSerComm() const;
    // Takes the wrapper and sets the port up for probing; raises 117 (with
    // source) when the connection has no serial wrapper.
    void prepare(Run& run, const char* source, const Automation::Ref<Gaugely::IProgressCallBack>& callback);
    // Pushes the engine on the wrapper's client stack.
    void attach(Run& run);
    // Keeps what the run puts back, and sets the line up for the probes:
    // buffers emptied, no handshake, a Receive for every byte.
    void saveAndReset(Run& run);
    // Closes the port and ends the run; with restoreOpen the line gets the
    // settings found and is opened again as the run found it.
    void finish(Run& run, const std::string& settings, bool restoreOpen);
    // The end of an error: the run is over, the port closed.
    void fail(Run& run);
    void closeProgress(Run& run);
    void feedback(Run& run, int32_t add);

    // Sends a probe with the settings and waits for endMarker or the time-out.
    void command(const std::string& text, const std::string& settings, int32_t timeoutMs,
                 std::string_view endMarker);
    // The hello, channel and read-back probes with one setting: no answer,
    // answered (the channel digit stored) but the read-back unfinished, or
    // read back.
    enum class Probe { NoAnswer, Answered, ReadBack };
    Probe probe(Run& run, const std::string& settings, int32_t waitMs, bool verify);
    // The values of the read-back in the receive buffer.
    void readSetup(const std::string& settings);
    // The setup gets the values found (they are those of an earlier run, or
    // 0, when nothing was read back).
    void fill(SerialConnectionSetup& setup, bool answered) const;
    // The values of the setting that answered, without handshake.
    void takeCandidate(const std::string& settings);

    int32_t timeoutOf(const std::string& baud);
    void moveBaudrateToFront(const std::string& baud);
    void moveFrameToFront(const std::string& frame);

    std::string Timouts();
    void setTimouts(const std::string& value);

    Automation::Ref<Tethra::Connection> connection_;
    Automation::Ref<Tethra::SerCommWrapper> wrapper_;
    // Replaced whole when read from a document, so a bad text changes nothing.
    std::unique_ptr<Automation::Collection<std::string>> baudrates_;
    std::unique_ptr<Automation::Collection<std::string>> frames_;
    // Milliseconds as text, keyed by baud-rate text.
    std::unique_ptr<Automation::Collection<std::string>> waits_;
    std::string msTimouts_;
    Automation::Ref<Brindle::FifoBuf> buffer_;
    bool abort_ = false;
    bool running_ = false;
    std::string channelDigit_;
    Automation::Variant foundCommPort_;
    int32_t baudrate_ = 0;
    int32_t parity_ = 0;
    int32_t databits_ = 0;
    int32_t stopbits_ = 0;
    int32_t handshake_ = 0;
};

} // namespace Seekwire
