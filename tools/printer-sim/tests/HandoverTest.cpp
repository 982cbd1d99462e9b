// ZModem and Kermit on the serial port: the printer hands its line to sz, rz
// or gkermit; the host side runs the same independent programs.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "Printer.h"
#include "PtyClient.h"

using namespace PrinterSim;
using PrinterSim::Testing::PtyClient;

namespace {

QByteArray sample(int size) {
    QByteArray bytes(size, '\0');
    QRandomGenerator random(static_cast<quint32>(size));
    for (char& c : bytes)
        c = static_cast<char>(random.bounded(256));
    return bytes;
}

struct Protocol {
    const char* name;
    // The printer's command that sends the file to the host, and the one that receives it.
    QByteArray sendCommand;
    QByteArray receiveCommand;
    QStringList hostSends;
    QStringList hostReceives;
};

const Protocol Protocols[] = {
    {"ZModem", "\rRUN\"sz ", "\rBREAK 1 OFF:TRANSFER Z \"R\",\"", {"sz", "-b", "-q"}, {"rz", "-b", "-q"}},
    {"Kermit",
     "\rTRANSFER K \"S\",\"",
     "\rBREAK 1 OFF:TRANSFER K \"R\",\"",
     {"gkermit", "-i", "-q", "-s"},
     {"gkermit", "-i", "-q", "-r"}},
};

struct Line {
    Line(const FaultPlan& faults = {}) : printer(Profile::forVersion(QStringLiteral("8.10")), faults) {
        opened = printer.openSerial(com1()) && host.open(com1(), 9600);
    }
    QString com1() const { return comFolder.path() + "/COM1"; }
    // The printer reads commands again once it has the line back, which is
    // when its program has ended; what the host sends before that is lost.
    bool answers() {
        for (int attempt = 0; attempt < 10; ++attempt) {
            host.send("\rPRINT \"back\"\r");
            if (host.read(500, "back\r\n").contains("back\r\n"))
                return true;
        }
        return false;
    }
    // A command sent at once is answered: what the host sends once the
    // transfer is over waits until the printer has the line back.
    bool answersAtOnce() {
        host.send("\rPRINT \"back\"\r");
        return host.read(5000, "back\r\n").contains("back\r\n");
    }
    // The one file in the host's folder.
    QByteArray arrived() const {
        const QStringList names = QDir(hostFolder.path()).entryList(QDir::Files);
        if (names.size() != 1)
            return "(" + QByteArray::number(names.size()) + " files)";
        QFile file(hostFolder.filePath(names.first()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    }

    QTemporaryDir comFolder;
    QTemporaryDir hostFolder;
    Printer printer;
    PtyClient host;
    bool opened = false;
};

} // namespace

// And the first command after each transfer is answered.
TEST(Handover, FilesGoBothWaysByteForByte) {
    for (const Protocol& protocol : Protocols)
        for (const int size : {0, 2048, 2049, 30000}) {
            SCOPED_TRACE(std::string(protocol.name) + " " + std::to_string(size));
            Line line;
            ASSERT_TRUE(line.opened);
            const QByteArray data = sample(size);

            QFile out(line.hostFolder.filePath("up.bin"));
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write(data);
            out.close();
            line.host.send(protocol.receiveCommand + "c:stored.bin\r");
            EXPECT_EQ(line.host.run(protocol.hostSends + QStringList{"up.bin"}, line.hostFolder.path()), 0);
            EXPECT_TRUE(line.answersAtOnce());
            EXPECT_EQ(line.printer.files().value("c:stored.bin"), data);

            QFile::remove(line.hostFolder.filePath("up.bin"));
            ASSERT_TRUE(line.printer.putFile("c:down.bin", data));
            line.host.send(protocol.sendCommand + "c:down.bin\r");
            EXPECT_EQ(line.host.run(protocol.hostReceives, line.hostFolder.path()), 0);
            EXPECT_EQ(line.arrived(), data);
            EXPECT_TRUE(line.answersAtOnce());
        }
}

TEST(Handover, AKilledPeerFailsTheTransferAndThePrinterTakesTheLineBack) {
    Line line({*Fault::parse(QStringLiteral("peer-killed:once"))});
    ASSERT_TRUE(line.opened);
    const QByteArray data = sample(30000);
    QFile out(line.hostFolder.filePath("up.bin"));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(data);
    out.close();
    const Protocol& zmodem = Protocols[0];
    line.host.send(zmodem.receiveCommand + "c:first.bin\r");
    EXPECT_NE(line.host.run(zmodem.hostSends + QStringList{"up.bin"}, line.hostFolder.path(), 3000), 0);
    EXPECT_TRUE(line.answers());
    EXPECT_FALSE(line.printer.files().contains("c:first.bin"));

    // Once: the next transfer goes through.
    line.host.send(zmodem.receiveCommand + "c:second.bin\r");
    EXPECT_EQ(line.host.run(zmodem.hostSends + QStringList{"up.bin"}, line.hostFolder.path()), 0);
    EXPECT_TRUE(line.answers());
    EXPECT_EQ(line.printer.files().value("c:second.bin"), data);
}
