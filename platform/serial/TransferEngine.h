#pragma once
// The file-transfer engines of the serial control (ZModem and Kermit) are
// plain protocol state machines: bytes from the line come in through
// receive(), bytes for the line go out through the host, and the control
// turns what the engine reports into its events and its Xfer properties.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "serial/SerialEnums.h"

namespace Platform::Serial {

// The course of a transfer, in the order the control raises its events.
enum class TransferEvent {
    WaitForFile,        // receiver: waiting for the sender's first file
    PrepareFile,        // receiver: a file was announced; XferDestFilename may be set now
    StartFile,          // the file's data begins
    TransferBlock,      // a block of data went through
    FinishFile,         // the file is complete
    FinishFileTransfer, // the transfer ended with success
    AbortFile,          // the file was given up
    AbortFileTransfer,  // the transfer was given up
};

enum class TransferDirection { Send, Receive };

struct TransferOptions {
    TransferDirection direction = TransferDirection::Send;
    // Send: the file to send. Receive: the folder that received files go to.
    std::string path;
    // The line carries 7 bits only (7 data bits, or parity other than none).
    bool sevenBitLine = false;
    // Give up when the peer has been silent this long.
    int32_t timeoutMs = 10000;
    // Escape every control character on the line, and ask the peer to do the same.
    bool escapeControl = false;
    // The sender uses a 32-bit CRC where the receiver offers one.
    bool crc32 = true;
    // Data bytes per packet; 0 takes the protocol's usual size.
    int32_t blockSize = 0;
    // Bytes a sender keeps queued for the line ahead of the peer; 0 takes the default.
    int32_t window = 0;
    // Receiver: a file that fails keeps what arrived under its name (else a
    // file that was there stays as it was).
    bool keepPartial = false;
};

class TransferHost {
public:
    virtual ~TransferHost() = default;
    // Queues bytes for the line; returns at once.
    virtual void send(std::string_view bytes) = 0;
    // Bytes queued by send() that have not reached the device yet.
    virtual std::size_t pendingOutput() const = 0;
    // Reports a step of the transfer with the status XferStatus reads from now on.
    virtual void transferEvent(TransferEvent event, enumSerialFTStatus status) = 0;
    // Receive side: the sender announced a file, which is stored as
    // localName unless the caller names another. The answer is the path to
    // write it to (the control raises PrepareFile while asking).
    virtual std::string prepareFile(const std::string& announcedName, const std::string& localName,
                                    int64_t announcedSize) = 0;
    // Bytes of the current file done so far, and its size (-1 when unknown).
    virtual void transferred(int64_t bytes, int64_t fileSize) = 0;
    // Drops what send() queued and the line has not taken yet: the peer asked
    // to resume elsewhere, or the engine is about to cancel.
    virtual void discardOutput() {}
};

class TransferEngine {
public:
    virtual ~TransferEngine() = default;
    // Begins the transfer (the sender's or the receiver's first packet).
    virtual void start() = 0;
    // Bytes read from the line.
    virtual void receive(std::string_view bytes) = 0;
    // Called at least every 100 ms while the transfer runs, for time-outs.
    virtual void tick(int64_t nowMs) = 0;
    // True while the engine wants to hear that the output queue drained (a streaming sender).
    virtual bool wantsDrained() const { return false; }
    // The output queue drained below what the engine asked for; a sender refills.
    virtual void outputDrained() {}
    // Our side aborts (AbortTransfer): tell the peer, end with an abort event.
    virtual void abort() = 0;
    // True once an end event (FinishFileTransfer, AbortFile or AbortFileTransfer) was reported.
    virtual bool finished() const = 0;
};

std::unique_ptr<TransferEngine> makeZModemEngine(TransferHost& host, const TransferOptions& options);
std::unique_ptr<TransferEngine> makeKermitEngine(TransferHost& host, const TransferOptions& options);

} // namespace Platform::Serial
