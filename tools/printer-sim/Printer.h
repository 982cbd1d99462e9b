#pragma once
// A simulated Vantor printer for tests and for the printer-sim program. It
// runs in a thread of its own, so that it answers while the code under test
// blocks or sleeps; everything here may be called from the test's thread.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QThread>
#include <memory>

#include "Bitmap.h"
#include "FaultPlan.h"
#include "Profile.h"
#include "Shell.h"

namespace PrinterSim {

class Device;

class Printer {
public:
    explicit Printer(const Profile& profile = Profile::forVersion(QStringLiteral("8.10")),
                     const FaultPlan& faults = {});
    ~Printer();
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;

    // Listens on a TCP address of 127.0.0.0/8 (port 0: any free port). False
    // with errorString() set when the address is refused or taken.
    bool listen(const QString& address, quint16 port = 0);
    quint16 port() const { return port_; }
    QString address() const { return address_; }
    QString errorString() const { return error_; }

    // Plays the printer on its serial port uart1: instead: a pseudo-terminal
    // whose host end `linkPath` links to (KESTRUP_COM_DIR/COMn for the
    // product). The printer's line runs at the profile's speed and frame.
    // False with errorString() set when the terminal or the link cannot be made.
    bool openSerial(const QString& linkPath);

    // Starts the print server's HTTP break endpoint on the printer's address
    // (port 0: any free port); call after listen.
    bool listenHttp(quint16 port = 0);
    quint16 httpPort() const { return httpPort_; }

    // Records every byte the link delivers from now on (off at the start,
    // so that long uploads cost nothing), and hands them over, break
    // strings and raw uploads included, before any line handling.
    void recordInput(bool on);
    QByteArray receivedBytes() const;
    // The lines the printer has received, in order, as it read them (after
    // MAP): the latest 10000, 4 MiB at most.
    QList<QByteArray> receivedLines() const;
    // The bytes of a raw upload (cat -N) held while it is being read.
    qint64 heldUploadBytes() const;
    // The shell user, a SYSVAR value, a program variable, the stored program lines.
    QByteArray user() const;
    int sysvar(int index) const;
    QByteArray variableText(const QByteArray& name) const;
    // The files by normalised path ("c:dir/name"); a file put in place as if
    // it had been stored before (false when the device refuses it).
    QMap<QByteArray, QByteArray> files() const;
    bool putFile(const QByteArray& path, const QByteArray& data);
    // A setup value by key ("MEDIA,MEDIA SIZE,WIDTH"), empty when unknown.
    QByteArray setupValue(const QByteArray& key) const;
    // Changes a setup value as SETUP"key,value" would (after openSerial, which
    // starts the serial interpreter afresh); false for an unknown key.
    bool setSetupValue(const QByteArray& key, const QByteArray& value);
    // What was last written to the printer's display, and every text written
    // to it in order (OPEN "console:" and "cat -N > console:" alike).
    QByteArray display() const;
    QList<QByteArray> displayHistory() const;
    // Every kernel that flakef stored, with the file it came from; kept
    // across the reboot that empties tmp:.
    QList<Shell::StoredKernel> storedKernels() const;
    // The image buffer as the layout statements have drawn it.
    Bitmap imageBuffer() const;
    // Faults can be added while the printer runs.
    void addFault(const Fault& fault);
    // TCP clients served so far.
    int connections() const;
    // Whether the printer is away after REBOOT.
    bool rebooting() const;
    // The break string reached the printer (the HTTP endpoint calls this).
    void breakReceived();
    // A frame of the printer's debug or application protocol, sent now.
    void sendDebugFrame(const QByteArray& payload);
    void sendApplicationFrame(const QByteArray& payload);

    // Only 127.0.0.0/8; the text explains a refusal.
    static bool addressAllowed(const QString& address, QString* why);

private:
    template <typename F> auto locked(F&& read) const;
    template <typename F> void sendFromDevice(F&& send);

    QThread thread_;
    Device* device_ = nullptr;
    QString address_;
    QString error_;
    quint16 port_ = 0;
    quint16 httpPort_ = 0;
};

} // namespace PrinterSim
