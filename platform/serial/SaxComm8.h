#pragma once
// SaxComm8, the serial communications control: opens a COM port, buffers
// input and output, raises its events and carries the ZModem and Kermit file
// transfers. Events are raised only while the thread pumps its event loop,
// never inside the call that caused them.
//
// Errors it raises (source "SaxComm8"):
//   380  Invalid property value (the description names the value)
//   8002 Invalid port number (not COM1 to COM16, or no such device)
//   8005 Port already open (CommPort changed while open, or the device is held)
//   8010 The hardware is not available (the device cannot be used as a line)
//   8012 The device is not open (Output, Upload, Download on a closed port)
//   8015 Could not set the comm state (the device refused the settings)
//   8019 A file transfer is already running
//   53   File not found (Upload of a file that cannot be read)
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "automation/Event.h"
#include "automation/Object.h"
#include "automation/Variant.h"
#include "serial/SerialDevice.h"
#include "serial/TransferEngine.h"

class QObject;
class QSocketNotifier;
class QTimer;

namespace Platform::Serial {

namespace SaxComm8Error {
inline constexpr int32_t InvalidPropertyValue = 380;
inline constexpr int32_t InvalidPortNumber = 8002;
inline constexpr int32_t PortAlreadyOpen = 8005;
inline constexpr int32_t HardwareNotAvailable = 8010;
inline constexpr int32_t DeviceNotOpen = 8012;
inline constexpr int32_t CannotSetCommState = 8015;
inline constexpr int32_t TransferRunning = 8019;
} // namespace SaxComm8Error

class SaxComm8 final : public Automation::Object, private TransferHost {
public:
    SaxComm8();
    ~SaxComm8() override;
    SaxComm8(const SaxComm8&) = delete;
    SaxComm8& operator=(const SaxComm8&) = delete;

    // The line. CommPort is "COMn" (n from 1 to 16), read back as set.
    std::string CommPort() const { return commPort_; }
    void setCommPort(const std::string& value);
    std::string Settings() const { return settings_.text(); }
    void setSettings(const std::string& value);
    int32_t Handshaking() const { return handshaking_; }
    void setHandshaking(int32_t value);
    // Opening fails with a clear error and leaves the port closed; closing
    // drops what is still queued and ends a running transfer at once.
    bool PortOpen() const { return device_.isOpen(); }
    void setPortOpen(bool value);
    bool CDHolding() const;
    int32_t CDTimeOut() const { return cdTimeOut_; }
    void setCDTimeOut(int32_t value);
    // A file transfer is running.
    bool Busy() const;
    // While True no events are raised and a running transfer is given up:
    // the owner is going away.
    bool Shutdown() const { return shutdown_; }
    void setShutdown(bool value);

    // Buffers. The counts include what the kernel still queues (input only
    // while no transfer runs: then the engine takes it); setting a count to 0
    // empties that buffer.
    int32_t InBufferCount() const;
    void setInBufferCount(int32_t value);
    int32_t OutBufferCount() const;
    void setOutBufferCount(int32_t value);
    int32_t InBufferSize() const { return inBufferSize_; }
    void setInBufferSize(int32_t value);
    int32_t OutBufferSize() const { return outBufferSize_; }
    void setOutBufferSize(int32_t value);
    // Receive is raised once this many bytes wait; 0 raises none.
    int32_t RThreshold() const { return rThreshold_; }
    void setRThreshold(int32_t value);
    // Queues text or bytes for sending and returns at once.
    void setOutput(const Automation::Variant& value);
    // 0 hands the input over as text, 1 as bytes.
    int32_t InputMode() const { return inputMode_; }
    void setInputMode(int32_t value);
    // Hands over the waiting input (at most InputLen bytes when that is set).
    Automation::Variant Input();

    // Options, set by the owner at creation in this order: DTREnable to XferWindow.
    bool DTREnable() const { return dtrEnable_; }
    void setDTREnable(bool value);
    bool RTSEnable() const { return rtsEnable_; }
    void setRTSEnable(bool value);
    int32_t InputLen() const { return inputLen_; }
    void setInputLen(int32_t value);
    // Received NUL bytes are dropped.
    bool NullDiscard() const { return nullDiscard_; }
    void setNullDiscard(bool value) { nullDiscard_ = value; }
    // Transfers escape every control character and ask the peer to do the same.
    bool XferEscapeControl() const { return xferEscapeControl_; }
    void setXferEscapeControl(bool value) { xferEscapeControl_ = value; }
    // Milliseconds of peer silence after which a transfer gives up; 0 is 10000.
    int32_t XferTimeout() const { return xferTimeout_; }
    void setXferTimeout(int32_t value);
    // The ZModem sender uses CRC-32 where the receiver offers it.
    bool XferCRC32() const { return xferCrc32_; }
    void setXferCRC32(bool value) { xferCrc32_ = value; }
    // A partly received file stays after a failed download (else it is removed).
    bool XferKeepPartial() const { return xferKeepPartial_; }
    void setXferKeepPartial(bool value) { xferKeepPartial_ = value; }
    // Data bytes per packet; 0 is the protocol's usual size.
    int32_t XferBlockSize() const { return xferBlockSize_; }
    void setXferBlockSize(int32_t value);
    // Bytes a sender keeps queued ahead of the peer; 0 is the default.
    int32_t XferWindow() const { return xferWindow_; }
    void setXferWindow(int32_t value);

    // File transfers.
    int32_t XferProtocol() const { return xferProtocol_; }
    void setXferProtocol(int32_t value);
    bool AutoZModem() const { return autoZModem_; }
    void setAutoZModem(bool value) { autoZModem_ = value; }
    // True stops a running transfer.
    bool AbortTransfer() const { return abortTransfer_; }
    void setAbortTransfer(bool value);
    // Starts sending the file at the path.
    void setUpload(const std::string& path);
    // Starts receiving one file: into the folder when the path is one, else
    // into that path. XferDestFilename set during PrepareFile takes precedence.
    void setDownload(const std::string& path);
    std::string XferDestFilename() const { return xferDest_; }
    void setXferDestFilename(const std::string& value) { xferDest_ = value; }
    std::string XferSourceFilename() const { return xferSource_; }
    int32_t XferFileSize() const;
    int32_t XferTransferred() const;
    // An enumSerialFTStatus value; 0 only after a transfer that succeeded.
    int32_t XferStatus() const { return xferStatus_; }

    Automation::Event<> Receive;
    Automation::Event<> CTSChanged;
    Automation::Event<> DSRChanged;
    Automation::Event<> WaitForFile;
    Automation::Event<> PrepareFile;
    Automation::Event<> StartFile;
    Automation::Event<> TransferBlock;
    Automation::Event<> FinishFile;
    Automation::Event<> FinishFileTransfer;
    Automation::Event<> AbortFile;
    Automation::Event<> AbortFileTransfer;

private:
    enum class EventId {
        Receive,
        CTSChanged,
        DSRChanged,
        WaitForFile,
        PrepareFile,
        StartFile,
        TransferBlock,
        FinishFile,
        FinishFileTransfer,
        AbortFile,
        AbortFileTransfer,
    };

    // TransferHost
    void send(std::string_view bytes) override;
    std::size_t pendingOutput() const override;
    void transferEvent(TransferEvent event, enumSerialFTStatus status) override;
    std::string prepareFile(const std::string& announcedName, const std::string& localName,
                            int64_t announcedSize) override;
    void transferred(int64_t bytes, int64_t fileSize) override;
    void discardOutput() override;

    void applyLine(const LineSettings& settings, int32_t handshaking);
    void applyModemControl();
    void closeLine();
    void startTransfer(TransferDirection direction, const std::string& path);
    template <class Call> void callEngine(Call call);
    void afterEngine();
    void requestAbort();

    template <class Handler> void onNotice(const char* where, Handler handler);
    void onReadable();
    void onWritable();
    void onTick();
    void onModemPoll();
    void readInto(std::size_t limit, bool untilEmpty);
    void takeInput(std::string_view bytes);
    void writeOut();
    std::size_t outputWaiting() const { return outBuf_.size() - outHead_; }
    void updateWriteNotifier();
    void updateReadNotifier();

    void queueEvent(EventId id);
    void deliverEvents();
    void raiseEvent(EventId id);
    std::shared_ptr<Object> keepAlive();

    SerialDevice device_;
    std::string commPort_ = "COM1";
    LineSettings settings_;
    int32_t handshaking_ = HandShake_None;
    int32_t cdTimeOut_ = 10000;
    bool shutdown_ = false;

    std::string inBuf_;
    std::string outBuf_;
    std::size_t outHead_ = 0;
    int32_t inBufferSize_ = 1024;
    int32_t outBufferSize_ = 512;
    int32_t rThreshold_ = 0;
    int32_t inputMode_ = 0;
    bool lineDown_ = false;
    bool sent_ = false;

    bool dtrEnable_ = true;
    bool rtsEnable_ = true;
    int32_t inputLen_ = 0;
    bool nullDiscard_ = false;
    bool xferEscapeControl_ = false;
    int32_t xferTimeout_ = 0;
    bool xferCrc32_ = true;
    bool xferKeepPartial_ = false;
    int32_t xferBlockSize_ = 0;
    int32_t xferWindow_ = 0;

    int32_t xferProtocol_ = SerialFTProtocol_ZModem;
    bool autoZModem_ = false;
    bool abortTransfer_ = false;
    std::string xferDest_;
    std::string xferSource_;
    std::string downloadTarget_;
    int64_t xferFileSize_ = 0;
    int64_t xferTransferred_ = 0;
    int32_t xferStatus_ = SerialFTStatus_Failure;
    std::unique_ptr<TransferEngine> engine_;
    int engineDepth_ = 0;
    bool abortPending_ = false;
    std::string engineInput_; // arrived while the engine was busy further up the stack

    std::optional<uint32_t> modemStatus_;
    std::deque<EventId> events_;
    bool deliveryPosted_ = false;
    int noticeDepth_ = 0; // notices running: they raise what they queue themselves

    std::unique_ptr<QObject> poster_;
    std::unique_ptr<QSocketNotifier> readNotifier_;
    std::unique_ptr<QSocketNotifier> writeNotifier_;
    std::unique_ptr<QTimer> tickTimer_;
    std::unique_ptr<QTimer> modemTimer_;
};

} // namespace Platform::Serial
