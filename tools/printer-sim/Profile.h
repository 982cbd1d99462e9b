#pragma once
// What one simulated printer is: its interpreter version and the hardware and
// memory that its programs report. Tests start from forVersion and change
// single fields.
#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

namespace PrinterSim {

struct Profile {
    // The version as the gates name it ("8.10", "V7.50a", "8.10 Beta 3").
    QString version;
    // VERSION$(0); "Rubric " and the version unless set otherwise.
    QByteArray versionText;
    // VERSION$(1): the model name; VERSION$(2): the hardware version.
    QByteArray model = "Ravo";
    QByteArray hardwareVersion = "ravo-mainboard rev 3";
    // Print head: dots per millimetre (SYSVAR(21): 8 is 203 dpi, 12 is 300 dpi)
    // and dots across the head (SYSVAR(22)).
    int headDotsPerMm = 8;
    int headDots = 832;
    // Interface options that the hardware probe finds.
    bool ethernet = true;
    bool dualRs232 = false;
    bool parallel = false;
    bool industrial = false;
    // What meminfo and partinfo report, in kilobytes.
    int ramKb = 16384;
    int flashKb = 16384;
    // Whether a memory card is in the slot (card1:).
    bool cardInserted = true;
    // The shell user after start-up, and the users that su accepts with
    // their passwords (an empty password is accepted without -p).
    QByteArray startUser = "admin";
    QMap<QByteArray, QByteArray> passwords{{"admin", "admin"}, {"user", ""}, {"supervisor", "vantor"}};
    // The users that "restr -a upgrade" names (8.x and later).
    QByteArray upgradeUsers = "admin,supervisor";
    // The serial line of uart1: speed, parity as the setup names it (NONE,
    // EVEN, ODD, MARK, SPACE), data bits and stop bits.
    int baudRate = 9600;
    QByteArray parity = "NONE";
    int dataBits = 8;
    int stopBits = 1;
    // The receive buffer of each UART (SER-COM,UARTn,REC BUF), in bytes.
    int recBuf = 1024;
    // What stops a running program (the "hello-needs-break" fault), on the
    // link or posted to the print server.
    QByteArray breakString = "\x1b.";
    // Milliseconds that the print server's HTTP endpoint gives a request to
    // arrive whole.
    int httpTimeoutMs = 10000;
    // Milliseconds that the printer is away after REBOOT.
    int rebootMs = 1500;
    // Verbosity (SYSVAR(18)) after start-up: 1 prints the "Ok" prompt, 2
    // echoes every received line; error messages type (SYSVAR(19)).
    int verbosity = 0;
    int errorMessageType = 2;

    // The major version number (5, 6, 7, 8, 10).
    int major() const;
    // 7.x and later have the shell, the c:/tmp:/rom:/card1: devices and the
    // setup tree with MEDIA; 6.x has ram:/rom:/card1: and FILES only.
    bool hasShell() const { return major() >= 7; }

    // A profile for one of the versions that the checks name; any other
    // version text is taken as it is, with the hardware of its major version.
    static Profile forVersion(const QString& version);
    // Every version with a profile of its own.
    static QStringList knownVersions();
};

} // namespace PrinterSim
