#pragma once
// A protocol program (lrzsz's sz and rz, gkermit) that the printer hands its
// line to for one file. It runs in a temporary folder on a pseudo-terminal of
// its own, whose other end is relayed to and from the printer's line, so that
// the line model and its faults act on the transfer too.
#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "Host.h"

namespace PrinterSim {

class PeerProgram : public QObject {
    Q_OBJECT
public:
    using Output = std::function<void(const QByteArray&)>;

    PeerProgram(const Handover& handover, Output toLine, Host::HandoverDone done, QObject* parent = nullptr);
    ~PeerProgram() override;

    // Starts the program; false with a message when it cannot.
    bool start(QString* error);
    // Bytes from the host for the program. What arrives once the transfer is
    // over on the line is returned: it is for the printer's command line,
    // which takes the line back as soon as the program has ended.
    QByteArray fromLine(const QByteArray& bytes);
    // Ends the program at once, as if it had died (the transfer fails).
    void kill();
    // Bytes relayed so far, both ways.
    qint64 relayed() const { return relayed_; }

private:
    void readable();
    void flush();
    // Closes the program's terminal: it reads a hang-up.
    void hangUp();
    void finished(int exitCode, QProcess::ExitStatus status);
    // Follows the program's closing frames in what it writes.
    void watchOutput(const QByteArray& bytes);
    // Where in `bytes` from the host the transfer ends: the offset of the
    // first byte that is not the program's, or -1.
    qsizetype endOnLine(const QByteArray& bytes);

    Handover handover_;
    Output toLine_;
    Host::HandoverDone done_;
    QTemporaryDir folder_;
    QProcess process_;
    int master_ = -1;
    std::unique_ptr<QSocketNotifier> reader_;
    std::unique_ptr<QSocketNotifier> writer_;
    QByteArray unsent_;
    QByteArray lastOutput_;
    // The last bytes each way, so that a frame split over reads is seen.
    QByteArray outputTail_;
    QByteArray lineTail_;
    bool programClosed_ = false; // the program has sent its closing frame
    bool lineClosed_ = false;    // the host has sent its closing frame (Kermit receive)
    bool over_ = false;          // nothing more on the line is the program's
    qint64 relayed_ = 0;
};

} // namespace PrinterSim
