#include "PeerProgram.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTimer>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace PrinterSim {

namespace {

// The file's own name, without device and folders ("c:dir/a.prg" is "a.prg").
QString baseName(const QByteArray& name) {
    const qsizetype cut = qMax(name.lastIndexOf('/'), name.lastIndexOf(':'));
    return QString::fromLatin1(name.mid(cut + 1));
}

QStringList commandOf(const Handover& handover, const QString& file) {
    // Binary mode both ways: the printer's files are taken byte for byte.
    if (handover.protocol == Handover::ZModem)
        return handover.send ? QStringList{"sz", "-b", "-q", file} : QStringList{"rz", "-b", "-q"};
    return handover.send ? QStringList{"gkermit", "-i", "-q", "-s", file}
                         : QStringList{"gkermit", "-i", "-q", "-r"};
}

// A ZModem ZFIN header in hex, as rz sends it, and how long the receiver
// waits for the sender's "OO" behind it.
const QByteArray ZFinHeader = "\x18"
                              "B08";
constexpr int OverAndOutMs = 500;
const QByteArray OverAndOut = "OO";
// What is kept of each direction to find a frame split over reads.
constexpr qsizetype TailBytes = 64;
constexpr char KermitMark = '\x01';
constexpr char KermitEnd = '\r';

// Where the last Kermit packet in `bytes` ends (one past its end of line),
// when it is complete and, with `type`, of that type; else -1. The mark
// starts every packet, as packets prefix control characters in their data.
qsizetype kermitPacketEnd(const QByteArray& bytes, char type = 0) {
    const qsizetype mark = bytes.lastIndexOf(KermitMark);
    if (mark < 0 || mark + 3 >= bytes.size() || (type && bytes[mark + 3] != type))
        return -1;
    const qsizetype end = bytes.indexOf(KermitEnd, mark + 4);
    return end < 0 ? -1 : end + 1;
}

// One past a ZFIN hex header with its line end, or -1.
qsizetype zfinEnd(const QByteArray& bytes) {
    const qsizetype at = bytes.indexOf(ZFinHeader);
    // Type, position and check in hex, then CR and LF.
    const qsizetype lineEnd = at + ZFinHeader.size() + 12 + 2;
    return at < 0 || lineEnd > bytes.size() ? -1 : lineEnd;
}

} // namespace

PeerProgram::PeerProgram(const Handover& handover, Output toLine, Host::HandoverDone done, QObject* parent)
    : QObject(parent), handover_(handover), toLine_(std::move(toLine)), done_(std::move(done)),
      process_(this) {}

PeerProgram::~PeerProgram() {
    reader_.reset();
    writer_.reset();
    if (process_.state() != QProcess::NotRunning) {
        process_.disconnect(this);
        process_.kill();
        process_.waitForFinished(1000);
    }
    if (master_ >= 0)
        ::close(master_);
}

bool PeerProgram::start(QString* error) {
    const QString file = baseName(handover_.name);
    if (!folder_.isValid() || file.isEmpty()) {
        *error = QStringLiteral("no folder for the transfer");
        return false;
    }
    if (handover_.send) {
        QFile out(folder_.filePath(file));
        if (!out.open(QIODevice::WriteOnly) || out.write(handover_.data) != handover_.data.size()) {
            *error = "cannot stage " + file + ": " + out.errorString();
            return false;
        }
    }
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        *error = QStringLiteral("cannot create a pseudo-terminal: ") +
                 QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    const int slave = ::open(::ptsname(master_), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (slave < 0 || ::tcgetattr(slave, &tio) != 0) {
        *error = QStringLiteral("cannot open the program's terminal");
        if (slave >= 0)
            ::close(slave);
        return false;
    }
    ::cfmakeraw(&tio);
    ::tcsetattr(slave, TCSANOW, &tio);
    const QStringList command = commandOf(handover_, file);
    process_.setWorkingDirectory(folder_.path());
    process_.setStandardInputFile(QProcess::nullDevice());
    process_.setStandardOutputFile(QProcess::nullDevice());
    process_.setStandardErrorFile(QProcess::nullDevice());
    // The program talks on its terminal, as it would on a serial port.
    process_.setChildProcessModifier([slave] {
        ::dup2(slave, STDIN_FILENO);
        ::dup2(slave, STDOUT_FILENO);
    });
    connect(&process_, &QProcess::finished, this, &PeerProgram::finished);
    process_.start(command.first(), command.mid(1));
    const bool started = process_.waitForStarted(3000);
    ::close(slave);
    if (!started) {
        *error = "cannot start " + command.first() + ": " + process_.errorString();
        return false;
    }
    reader_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    connect(reader_.get(), &QSocketNotifier::activated, this, &PeerProgram::readable);
    writer_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Write);
    writer_->setEnabled(false);
    connect(writer_.get(), &QSocketNotifier::activated, this, &PeerProgram::flush);
    return true;
}

QByteArray PeerProgram::fromLine(const QByteArray& bytes) {
    if (over_)
        return bytes;
    const qsizetype end = endOnLine(bytes);
    const QByteArray mine = end < 0 ? bytes : bytes.left(end);
    relayed_ += mine.size();
    unsent_ += mine;
    flush();
    return end < 0 ? QByteArray() : bytes.mid(end);
}

qsizetype PeerProgram::endOnLine(const QByteArray& bytes) {
    const QByteArray seen = lineTail_ + bytes;
    lineTail_ = seen.right(TailBytes);
    qsizetype end = -1;
    if (handover_.protocol == Handover::ZModem) {
        // Once rz has answered ZFIN, the sender's "OO" (which a sender may
        // flush away) is the last that is rz's, unless ZFIN comes again; sz's
        // end is seen in its output.
        if (!handover_.send && programClosed_) {
            QByteArray unpadded = seen;
            while (unpadded.startsWith('*'))
                unpadded.remove(0, 1);
            if (const qsizetype oo = seen.indexOf(OverAndOut); oo >= 0)
                end = oo + OverAndOut.size();
            else if (seen.contains(ZFinHeader))
                lineTail_.clear(); // ZFIN again: rz answers it
            else if (!ZFinHeader.startsWith(unpadded) && seen != "O") {
                // The host has gone on without "OO": rz has the file and need not wait for it.
                end = seen.size() - bytes.size();
                QTimer::singleShot(0, this, &PeerProgram::hangUp);
            }
        }
    } else if (handover_.send) {
        // The host's answer to gkermit's closing packet is its last.
        if (programClosed_)
            end = kermitPacketEnd(seen);
    } else if (!lineClosed_ && kermitPacketEnd(seen, 'B') >= 0) {
        lineClosed_ = true;
        outputTail_.clear(); // only an answer that follows counts
    }
    if (end < 0)
        return -1;
    over_ = true;
    return qMax<qsizetype>(end - (seen.size() - bytes.size()), 0);
}

void PeerProgram::watchOutput(const QByteArray& bytes) {
    const QByteArray seen = outputTail_ + bytes;
    outputTail_ = seen.right(TailBytes);
    const bool closed = programClosed_;
    if (handover_.protocol == Handover::ZModem) {
        if (zfinEnd(seen) >= 0)
            programClosed_ = true;
        // sz's "OO" behind both closing frames is its last word.
        if (handover_.send && programClosed_ && seen.endsWith(OverAndOut))
            over_ = true;
    } else if (handover_.send) {
        if (kermitPacketEnd(seen, 'B') >= 0)
            programClosed_ = true;
    } else if (lineClosed_ && kermitPacketEnd(seen) >= 0) {
        // gkermit has answered the host's closing packet.
        over_ = true;
    }
    if (programClosed_ && !closed)
        lineTail_.clear(); // only what the host sends from now on counts
}

void PeerProgram::flush() {
    while (!unsent_.isEmpty()) {
        const ssize_t n = ::write(master_, unsent_.constData(), static_cast<size_t>(unsent_.size()));
        if (n <= 0)
            break;
        unsent_.remove(0, n);
    }
    if (writer_)
        writer_->setEnabled(!unsent_.isEmpty());
}

void PeerProgram::readable() {
    char buffer[4096];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) {
        // The program has closed its terminal: it is ending.
        reader_->setEnabled(false);
        return;
    }
    relayed_ += n;
    const QByteArray bytes(buffer, n);
    lastOutput_ = (lastOutput_ + bytes).right(OverAndOut.size());
    watchOutput(bytes);
    toLine_(bytes);
    // rz has the file once it answers the sender's ZFIN; it then waits for the
    // sender's "OO", which a sender on a pseudo-terminal may flush away as it
    // ends. Without it rz would hold the line for half a minute.
    if (handover_.protocol == Handover::ZModem && !handover_.send && bytes.contains(ZFinHeader))
        QTimer::singleShot(OverAndOutMs, this, &PeerProgram::hangUp);
}

void PeerProgram::hangUp() {
    if (process_.state() == QProcess::NotRunning)
        return;
    reader_.reset();
    writer_.reset();
    ::close(master_);
    master_ = -1;
}

void PeerProgram::kill() {
    process_.kill();
}

void PeerProgram::finished(int exitCode, QProcess::ExitStatus status) {
    // What the program wrote last is still in its terminal.
    if (master_ >= 0 && reader_ && reader_->isEnabled()) {
        char buffer[4096];
        ssize_t n = 0;
        while ((n = ::read(master_, buffer, sizeof buffer)) > 0) {
            lastOutput_ = (lastOutput_ + QByteArray(buffer, n)).right(OverAndOut.size());
            toLine_(QByteArray(buffer, static_cast<qsizetype>(n)));
        }
    }
    reader_.reset();
    writer_.reset();
    bool ok = status == QProcess::NormalExit && exitCode == 0;
    // sz ends by flushing its terminal, which on a pseudo-terminal (unlike a
    // serial port, whose drain waits for the wire) may discard its closing
    // "OO" before the relay has read it; the line carries it as sz meant.
    if (ok && handover_.protocol == Handover::ZModem && handover_.send && lastOutput_ != OverAndOut)
        toLine_(OverAndOut);
    QByteArray received;
    if (ok && !handover_.send) {
        const QStringList arrived = QDir(folder_.path()).entryList(QDir::Files);
        QFile in(arrived.size() == 1 ? folder_.filePath(arrived.first()) : QString());
        ok = arrived.size() == 1 && in.open(QIODevice::ReadOnly);
        if (ok)
            received = in.readAll();
    }
    const Host::HandoverDone done = done_;
    done(ok, received);
}

} // namespace PrinterSim
