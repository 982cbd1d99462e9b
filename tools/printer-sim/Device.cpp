#include "Device.h"

#include <utility>

namespace PrinterSim {

namespace {

constexpr int DefaultSlowRebootMs = 20000;
// The peer-killed fault ends a protocol program once this many bytes have
// passed between it and the host, so that the transfer is under way.
constexpr qint64 PeerKilledAfter = 512;

// The serial keys of a setup read-back that the probe faults name, 1 to 7.
const char* const ReadbackKeys[] = {",BAUDRATE,",
                                    ",PARITY,",
                                    ",CHARLENGTH,",
                                    ",STOPBITS,",
                                    ",FLOWCONTROL,RTS/CTS,",
                                    ",FLOWCONTROL,XON/XOFF,DATATOHOST,",
                                    ",FLOWCONTROL,XON/XOFF,DATAFROMHOST,"};
constexpr int DefaultMissingKey = 3;
constexpr int DefaultRepeatedKey = 1;

int keyIndex(int param, int fallback) {
    return param >= 1 && param <= 7 ? param : fallback;
}

} // namespace

Device::Device(const Profile& profile, const FaultPlan& faults)
    : profile_(profile), faults_(faults), interpreter_(std::in_place, profile_, *this, Interpreter::Net1),
      shaper_(
          faults_,
          [this](const QByteArray& bytes) {
              if (socket_)
                  socket_->write(bytes);
              else if (peer_)
                  held_ += bytes; // the printer speaks again once it has the line back
              else if (serial_)
                  serial_->write(bytes);
          },
          [this] { dropLink(); }, this),
      server_(this),
      http_([this](const QByteArray& text) { breakCandidate(text); }, profile_.httpTimeoutMs, this),
      rebootTimer_(this), inputTimer_(this) {
    waitingForBreak_ = faults_.has(Fault::HelloNeedsBreak);
    rebootTimer_.setSingleShot(true);
    rebootTimer_.setTimerType(Qt::PreciseTimer);
    connect(&rebootTimer_, &QTimer::timeout, this, &Device::comeBack);
    inputTimer_.setSingleShot(true);
    connect(&inputTimer_, &QTimer::timeout, this, [this] {
        QMutexLocker lock(&mutex_);
        interpreter_->inputTimedOut();
    });
    connect(&server_, &QTcpServer::newConnection, this, &Device::accept);
}

Device::~Device() {
    if (socket_)
        socket_->abort();
}

bool Device::listen(const QHostAddress& address, quint16 port, QString* error) {
    if (server_.listen(address, port))
        return true;
    const QString where = address.toString() + ":" + QString::number(port);
    if (server_.serverError() == QAbstractSocket::AddressInUseError)
        *error = "cannot listen on " + where + ": the address is already in use (another simulator?)";
    else
        *error = "cannot listen on " + where + ": " + server_.errorString();
    return false;
}

void Device::accept() {
    // One client at a time: later ones wait until this one leaves, in the
    // listen queue or, when several were accepted at once, among the server's
    // pending connections.
    if (socket_ || rebooting_)
        return;
    QTcpSocket* next = server_.nextPendingConnection();
    if (!next) {
        server_.resumeAccepting();
        return;
    }
    server_.pauseAccepting();
    socket_ = next;
    {
        QMutexLocker lock(&mutex_);
        ++connections_;
    }
    connect(next, &QTcpSocket::readyRead, this, &Device::readLink);
    connect(next, &QTcpSocket::disconnected, this, [this, next] { linkClosed(next); });
    // A client that waited may have sent its command, or left, before its turn.
    if (next->bytesAvailable() > 0)
        readLink();
    if (next->state() == QAbstractSocket::UnconnectedState)
        linkClosed(next);
}

void Device::readLink() {
    if (!socket_)
        return;
    received(socket_->readAll());
}

bool Device::openSerial(const QString& linkPath, QString* error) {
    auto serial = std::make_unique<SerialLink>(
        SerialLink::Setting{profile_.baudRate,
                            {profile_.dataBits, (profile_.parity.toLower() + "n").at(0), profile_.stopBits}},
        [this](const QByteArray& bytes) { received(bytes); },
        [this](Fault::Kind kind) {
            QMutexLocker lock(&mutex_);
            return faults_.take(kind);
        },
        this);
    if (!serial->open(linkPath, error))
        return false;
    serial_ = std::move(serial);
    QMutexLocker lock(&mutex_);
    interpreter_.emplace(profile_, *this, Interpreter::Uart1);
    ++connections_;
    return true;
}

void Device::received(const QByteArray& bytes) {
    QMutexLocker lock(&mutex_);
    if (recordingInput_)
        recordedInput_ += bytes;
    if (waitingForBreak_) {
        // A running program ignores everything but its break string, which
        // may come split over reads; what follows it is read as usual.
        breakWatch_ += bytes;
        const qsizetype found = breakWatch_.indexOf(profile_.breakString);
        if (found < 0) {
            breakWatch_ = breakWatch_.right(profile_.breakString.size() - 1);
            return;
        }
        const QByteArray rest = breakWatch_.mid(found + profile_.breakString.size());
        breakWatch_.clear();
        waitingForBreak_ = false;
        faults_.take(Fault::HelloNeedsBreak);
        feed(rest);
        return;
    }
    feed(bytes);
}

void Device::feed(const QByteArray& bytes) {
    // Line by line, as a line may hand the link over to a protocol program
    // that then reads the rest.
    qsizetype from = 0;
    while (from < bytes.size()) {
        if (peer_) {
            // Input behind the transfer waits for the command line.
            heldInput_ += peer_->fromLine(bytes.mid(from));
            checkPeer();
            return;
        }
        qsizetype end = from;
        if (const qint64 raw = interpreter_->rawInputWanted(); raw > 0) {
            // Raw input for a shell program is one run, line ends and all.
            end = from + qMin<qint64>(raw, bytes.size() - from);
        } else {
            while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
                ++end;
            end = qMin(end + 1, bytes.size());
        }
        interpreter_->receive(bytes.mid(from, end - from));
        from = end;
    }
}

bool Device::handOver(const Handover& handover, HandoverDone done) {
    if (!serial_ || peer_)
        return false;
    auto peer = std::make_unique<PeerProgram>(
        handover,
        [this](const QByteArray& bytes) {
            serial_->write(bytes);
            QMutexLocker lock(&mutex_);
            checkPeer();
        },
        [this, done](bool ok, const QByteArray& received) { takeLineBack(ok, received, done); }, this);
    QString error;
    if (!peer->start(&error)) {
        qWarning("printer-sim: %s", qPrintable(error));
        return false;
    }
    peer_ = std::move(peer);
    peerKilled_ = false;
    return true;
}

void Device::checkPeer() {
    if (peer_ && !peerKilled_ && peer_->relayed() >= PeerKilledAfter && faults_.take(Fault::PeerKilled)) {
        peerKilled_ = true;
        peer_->kill();
    }
}

void Device::takeLineBack(bool ok, const QByteArray& received, const HandoverDone& done) {
    // The program's own signal is running: it goes once that has returned.
    peer_.release()->deleteLater();
    QMutexLocker lock(&mutex_);
    const QByteArray held = held_;
    held_.clear();
    if (!held.isEmpty())
        serial_->write(held);
    done(ok, received);
    const QByteArray input = std::exchange(heldInput_, QByteArray());
    if (!input.isEmpty())
        feed(input);
}

void Device::linkClosed(QTcpSocket* closed) {
    closed->deleteLater();
    if (closed != socket_)
        return;
    socket_ = nullptr;
    shaper_.reset();
    accept();
}

void Device::dropLink() {
    if (!socket_)
        return;
    socket_->flush();
    socket_->abort();
}

void Device::breakReceived() {
    QMutexLocker lock(&mutex_);
    waitingForBreak_ = false;
    breakWatch_.clear();
    faults_.take(Fault::HelloNeedsBreak);
}

bool Device::listenHttp(const QHostAddress& address, quint16 port, QString* error) {
    return http_.listen(address, port, error);
}

void Device::breakCandidate(const QByteArray& text) {
    if (text.contains(profile_.breakString))
        breakReceived();
}

void Device::write(const QByteArray& bytes) {
    shaper_.push(probeFaults(bytes));
}

QByteArray Device::probeFaults(QByteArray bytes) {
    const QByteArray endMarker("\x03"
                               "END\x04");
    // Only a planned probe fault makes the output worth searching: a file
    // sent by cat can be long.
    if (faults_.has(Fault::StdioUnanswered) && bytes.contains("\x01STDIO:") &&
        faults_.take(Fault::StdioUnanswered))
        return {};
    if (!faults_.has(Fault::ReadbackLacksLine) && !faults_.has(Fault::ReadbackUnfinished) &&
        !faults_.has(Fault::ReadbackRepeatsLine))
        return bytes;
    if (bytes.contains("SER-COM,UART")) {
        // A setup read-back on the line: its end marker is the next one printed.
        readbackOpen_ = true;
        if (const auto missing = faults_.take(Fault::ReadbackLacksLine)) {
            const char* key = ReadbackKeys[keyIndex(missing->param, DefaultMissingKey) - 1];
            QList<QByteArray> lines = bytes.split('\n');
            lines.removeIf([&](const QByteArray& line) { return line.contains(key); });
            bytes = lines.join('\n');
        }
        if (const auto repeated = faults_.take(Fault::ReadbackRepeatsLine)) {
            const char* key = ReadbackKeys[keyIndex(repeated->param, DefaultRepeatedKey) - 1];
            for (const QByteArray& line : bytes.split('\n'))
                if (line.contains(key)) {
                    // After the last line of the read-back, before what follows it.
                    const qsizetype newline = bytes.indexOf('\n', bytes.lastIndexOf("SER-COM,UART"));
                    const qsizetype after = newline < 0 ? bytes.size() : newline + 1;
                    bytes.insert(after, line.left(line.lastIndexOf(',') + 1) + "0\r\n");
                    break;
                }
        }
    }
    if (readbackOpen_ && bytes.contains(endMarker)) {
        readbackOpen_ = false;
        if (faults_.take(Fault::ReadbackUnfinished))
            bytes.replace(endMarker, QByteArray());
    }
    return bytes;
}

void Device::reboot() {
    // Called from inside the interpreter: the link goes down once the current
    // input has been handled.
    rebooting_ = true;
    // A serial printer has no listener to pause.
    if (server_.isListening())
        server_.pauseAccepting();
    const auto slow = faults_.take(Fault::SlowReboot);
    rebootTimer_.start(slow ? (slow->param < 0 ? DefaultSlowRebootMs : slow->param) : profile_.rebootMs);
    QTimer::singleShot(0, this, [this] {
        if (socket_)
            socket_->abort();
    });
}

void Device::armInputTimer(int ms) {
    if (ms > 0)
        inputTimer_.start(ms);
    else
        inputTimer_.stop();
}

void Device::comeBack() {
    {
        QMutexLocker lock(&mutex_);
        interpreter_->restart();
        waitingForBreak_ = faults_.has(Fault::HelloNeedsBreak);
        rebooting_ = false;
    }
    // A serial printer has no listener to take the next client from.
    if (server_.isListening())
        accept();
}

} // namespace PrinterSim
