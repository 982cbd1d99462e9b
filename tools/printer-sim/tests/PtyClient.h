#pragma once
// The host side of the serial tests: opens the COM port's device as a raw
// terminal at a given speed and frame, sends bytes and reads what the
// simulated printer answers, or hands the port to a peer program (sz, rz,
// gkermit) run in a folder of its own.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace PrinterSim::Testing {

class PtyClient {
public:
    PtyClient() = default;
    ~PtyClient();
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;

    // Opens (or reopens) the device at the speed in baud and the frame: parity
    // letter, data bits and stop bits, as "e,7,1".
    bool open(const QString& device, int baudRate, const QString& frame = QStringLiteral("n,8,1"));
    void close();
    void send(const QByteArray& bytes);
    // Everything that arrives within ms, read until `marker` when one is given.
    QByteArray read(int ms, const QByteArray& marker = {});

    // Runs the program on the open port (its stdin and stdout) in `folder`
    // and returns its exit status, or -1 when it ran longer than timeoutMs.
    int run(const QStringList& program, const QString& folder, int timeoutMs = 20000);

private:
    int fd_ = -1;
};

} // namespace PrinterSim::Testing
