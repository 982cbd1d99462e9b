#pragma once
// The printer's serial port as a pseudo-terminal: the host under test opens
// the terminal's other end through a link (KESTRUP_COM_DIR/COMn). A model of
// the line judges the host's settings against the printer's at every read
// and write: a host at another speed hears nothing and is not heard; a host
// with other data bits or parity exchanges characters as LineFrame carries
// them. Speed, stop bits and the host's input flags are read from the
// terminal; data bits and parity from the host's record (LineRecord), as the
// terminal keeps only 8 bits without parity.
#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "FaultPlan.h"
#include "LineFrame.h"

namespace PrinterSim {

class SerialLink : public QObject {
    Q_OBJECT
public:
    using Receiver = std::function<void(const QByteArray&)>;
    // Asked for a line fault as a byte passes (FaultPlan::take under the
    // printer's lock).
    using FaultTaker = std::function<std::optional<Fault>(Fault::Kind)>;

    // The printer's own setting of the line.
    struct Setting {
        int baudRate = 9600;
        LineFrame frame;
    };
    // The host's end as the model sees it now.
    struct HostLine {
        int baudRate = 0;
        LineFrame frame;
        // What its receiver makes of a character with a wrong parity or stop bit.
        LineFrame::OnError onError = LineFrame::OnError::Keep;
    };
    // Every line fault strikes each `Stride`th byte that the printer sends.
    static constexpr int Stride = 50;

    SerialLink(Setting setting, Receiver receiver, FaultTaker faults, QObject* parent = nullptr);
    ~SerialLink() override;

    // Creates the terminal and the link `linkPath` to the host's end; false
    // with a message naming what failed.
    bool open(const QString& linkPath, QString* error);
    // The host end's device name (/dev/pts/N).
    QString deviceName() const { return deviceName_; }

    // Bytes to the host, through the line model and the line faults.
    void write(const QByteArray& bytes);
    // The host's current setting; none when the terminal cannot be read.
    std::optional<HostLine> host() const;
    // The speed in baud of a termios speed code; 0 when unknown.
    static int baudOf(unsigned speedCode);

private:
    void readable();
    void flush();

    Setting setting_;
    Receiver receiver_;
    FaultTaker faults_;
    int master_ = -1;
    int slave_ = -1;
    QString deviceName_;
    QString linkPath_;
    std::unique_ptr<QSocketNotifier> reader_;
    std::unique_ptr<QSocketNotifier> writer_;
    QByteArray unsent_;
    qint64 sent_ = 0;
};

} // namespace PrinterSim
