#pragma once
// One simulated printer at work in the simulator's thread: its link (a TCP
// listener that serves one client at a time, or a serial port on a
// pseudo-terminal), its interpreter and the faults applied to what it sends.
// Everything a test reads is guarded by mutex().
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QRecursiveMutex>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <memory>
#include <optional>

#include "FaultPlan.h"
#include "Host.h"
#include "HttpBreak.h"
#include "Interpreter.h"
#include "PeerProgram.h"
#include "Profile.h"
#include "ReplyShaper.h"
#include "SerialLink.h"

namespace PrinterSim {

class Device : public QObject, public Host {
    Q_OBJECT
public:
    Device(const Profile& profile, const FaultPlan& faults);
    ~Device() override;

    // In the device's thread: binds the listener; false with a message that
    // names the address and the reason.
    bool listen(const QHostAddress& address, quint16 port, QString* error);
    quint16 port() const { return server_.serverPort(); }
    // In the device's thread, instead of listen: the serial port uart1: on a
    // pseudo-terminal whose host end `linkPath` links to.
    bool openSerial(const QString& linkPath, QString* error);
    // In the device's thread: the print server's HTTP break endpoint.
    bool listenHttp(const QHostAddress& address, quint16 port, QString* error);
    quint16 httpPort() const { return http_.port(); }

    // Recursive, as the serial line consults the faults while the
    // interpreter's output passes under the lock.
    QRecursiveMutex& mutex() { return mutex_; }
    // Read and changed under mutex().
    Interpreter& interpreter() { return *interpreter_; }
    FaultPlan& faults() { return faults_; }
    const Profile& profile() const { return profile_; }
    int connections() const { return connections_; }
    // Every byte the link delivered, in order, while recording is on.
    void setRecordingInput(bool on) { recordingInput_ = on; }
    const QByteArray& recordedInput() const { return recordedInput_; }
    bool rebooting() const { return rebooting_; }

    // In the device's thread: the break string has arrived (on the link or
    // over HTTP), so a printer that waited for it answers again.
    void breakReceived();
    // Text that may hold the break string (from the link or the endpoint).
    void breakCandidate(const QByteArray& text);

    void write(const QByteArray& bytes) override;
    void reboot() override;
    void armInputTimer(int ms) override;
    bool handOver(const Handover& handover, HandoverDone done) override;
    std::optional<Fault> takeFault(Fault::Kind kind) override { return faults_.take(kind); }
    void stallReply(int ms) override { shaper_.stallReply(ms); }

private:
    void accept();
    void readLink();
    void received(const QByteArray& bytes);
    void feed(const QByteArray& bytes);
    void checkPeer();
    void takeLineBack(bool ok, const QByteArray& received, const HandoverDone& done);
    void linkClosed(QTcpSocket* closed);
    void dropLink();
    void comeBack();
    // The probe faults of the connection search, applied to what the printer prints.
    QByteArray probeFaults(QByteArray bytes);

    Profile profile_;
    FaultPlan faults_;
    QRecursiveMutex mutex_;
    // Made again when the link changes, as it reads from that link's channel.
    std::optional<Interpreter> interpreter_;
    ReplyShaper shaper_;
    QTcpServer server_;
    HttpBreak http_;
    QPointer<QTcpSocket> socket_;
    std::unique_ptr<SerialLink> serial_;
    // The protocol program that has the serial line, and what the
    // interpreter says meanwhile.
    std::unique_ptr<PeerProgram> peer_;
    bool peerKilled_ = false;
    QByteArray held_;
    // What the host sent once a transfer was over, before the line came back.
    QByteArray heldInput_;
    QTimer rebootTimer_;
    QTimer inputTimer_;
    bool rebooting_ = false;
    // A setup read-back was printed and its end marker not yet.
    bool readbackOpen_ = false;
    bool waitingForBreak_ = false;
    QByteArray breakWatch_; // the tail that may start a split break string
    int connections_ = 0;
    bool recordingInput_ = false;
    QByteArray recordedInput_;
};

} // namespace PrinterSim
