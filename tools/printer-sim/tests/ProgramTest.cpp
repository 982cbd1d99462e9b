// The printer-sim program: its announcement, its refusals and its clean stop.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <csignal>

#include "PtyClient.h"
#include "SimClient.h"

using PrinterSim::Testing::PtyClient;
using PrinterSim::Testing::SimClient;

namespace {

struct SimProcess {
    explicit SimProcess(const QStringList& args) {
        process.start(QStringLiteral(PRINTER_SIM_PATH), args);
        process.waitForStarted(3000);
    }
    ~SimProcess() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(3000);
        }
    }
    QByteArray line() {
        while (!process.canReadLine() && process.waitForReadyRead(3000)) {
        }
        return process.readLine().trimmed();
    }
    QProcess process;
};

} // namespace

TEST(Program, ListensAnswersAndStopsOnSignals) {
    for (const int signal : {SIGINT, SIGTERM}) {
        SimProcess run({"--listen", "127.0.0.7:0", "--version", "7.40"});
        const QByteArray announced = run.line();
        ASSERT_TRUE(announced.startsWith("listening 127.0.0.7:")) << announced.toStdString();
        SimClient client;
        ASSERT_TRUE(
            client.connectTo(static_cast<quint16>(announced.mid(20).toUInt()), QStringLiteral("127.0.0.7")));
        EXPECT_EQ(SimClient::trailer(client.command(1, "PRINT\"HELLO\r\n")).value(2), "Rubric 7.40");
        ::kill(static_cast<pid_t>(run.process.processId()), signal);
        ASSERT_TRUE(run.process.waitForFinished(3000));
        EXPECT_EQ(run.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(run.process.exitCode(), 0);
    }
}

TEST(Program, RefusesAddressesOutsideLoopbackAndATakenAddress) {
    struct Case {
        QStringList args;
        QByteArray message;
    };
    SimProcess first({"--listen", "127.0.0.9:0"});
    const QByteArray announced = first.line();
    const QString taken = QString::fromLatin1(announced.mid(10));
    const Case cases[] = {
        {{"--listen", "10.1.2.3:9100"},
         "printer-sim: refusing 10.1.2.3: the simulator binds only to 127.0.0.0/8"},
        {{"--listen", "0.0.0.0:9100"},
         "printer-sim: refusing 0.0.0.0: the simulator binds only to 127.0.0.0/8"},
        {{"--listen", "printer:9100"}, "printer-sim: refusing \"printer\": not an IPv4 address"},
        {{"--listen", taken},
         "printer-sim: cannot listen on " + taken.toLatin1() +
             ": the address is already in use (another simulator?)"},
        {{"--listen", "127.0.0.9:0", "--fault", "slow-reply"},
         "printer-sim: unknown fault \"slow-reply\"; known: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        SimProcess run(c.args);
        ASSERT_TRUE(run.process.waitForFinished(3000));
        EXPECT_NE(run.process.exitCode(), 0);
        EXPECT_TRUE(run.process.readAllStandardError().startsWith(c.message));
    }
}

TEST(Program, PlaysEveryPrinterOfAConfiguration) {
    QTemporaryFile config;
    ASSERT_TRUE(config.open());
    config.write("# two printers\n127.0.0.11:0; 6.50\n\n127.0.0.12:0; 8.10 Beta 3; delayed-reply@10:once\n");
    config.flush();
    SimProcess run({config.fileName()});
    const QByteArray first = run.line();
    const QByteArray second = run.line();
    ASSERT_TRUE(first.startsWith("listening 127.0.0.11:"));
    ASSERT_TRUE(second.startsWith("listening 127.0.0.12:"));
    SimClient client;
    ASSERT_TRUE(
        client.connectTo(static_cast<quint16>(second.mid(21).toUInt()), QStringLiteral("127.0.0.12")));
    EXPECT_EQ(SimClient::trailer(client.command(1, "PRINT\"HELLO\r\n")).value(2), "Rubric 8.10 Beta 3");
}

TEST(Program, PlaysAPrinterOnASerialPortAtItsSpeed) {
    QTemporaryDir folder;
    const QString com1 = folder.path() + "/COM1";
    {
        SimProcess run({"--serial", com1, "--version", "8.10", "--baud", "19200"});
        ASSERT_EQ(run.line(), "serial " + com1.toLocal8Bit() + " at 19200 baud");
        PtyClient host;
        ASSERT_TRUE(host.open(com1, 19200));
        host.send("PRINT VERSION$(0)\r");
        EXPECT_EQ(host.read(2000, "\r\n"), "Rubric 8.10\r\n");
        ::kill(static_cast<pid_t>(run.process.processId()), SIGTERM);
        ASSERT_TRUE(run.process.waitForFinished(3000));
        EXPECT_EQ(run.process.exitCode(), 0);
    }
    EXPECT_FALSE(QFile::exists(com1));
}

TEST(Program, HelpPrintsTheUsage) {
    for (const QStringList& args :
         {QStringList{"--help"}, QStringList{"--listen", "127.0.0.7:0", "--help"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        SimProcess run(args);
        ASSERT_TRUE(run.process.waitForFinished(3000));
        EXPECT_EQ(run.process.exitCode(), 0);
        const QByteArray usage = run.process.readAllStandardOutput();
        EXPECT_TRUE(usage.startsWith("usage: printer-sim (--listen ADDRESS:PORT | --serial DIR/COMn"))
            << usage.data();
        EXPECT_EQ(run.process.readAllStandardError(), "");
    }
}

TEST(Program, RefusesAnUnknownVersionNamingTheKnownOnes) {
    QTemporaryFile config;
    ASSERT_TRUE(config.open());
    config.write("127.0.0.11:0; 8.10\n127.0.0.12:0; 9.99\n");
    config.flush();
    const QByteArray known =
        "known: 5.00, 6.14, 6.50, 7.00, 7.30, 7.32, 7.40, V7.50a, 7.52, 7.62, 8.00, 8.10, "
        "8.10 Beta 3, 10.00, 10.20\n";
    struct Case {
        QStringList args;
        QByteArray message;
    };
    const Case cases[] = {
        {{"--listen", "127.0.0.9:0", "--version", "9.99"}, "printer-sim: unknown version \"9.99\"; " + known},
        {{config.fileName()},
         "printer-sim: " + config.fileName().toLocal8Bit() + ":2: unknown version \"9.99\"; " + known},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        SimProcess run(c.args);
        ASSERT_TRUE(run.process.waitForFinished(3000));
        EXPECT_EQ(run.process.exitCode(), 2);
        EXPECT_EQ(run.process.readAllStandardError(), c.message);
        EXPECT_EQ(run.process.readAllStandardOutput(), "");
    }
}

TEST(Program, AConfigurationIsCheckedWholeBeforeAnyPrinterListens) {
    SimProcess first({"--listen", "127.0.0.9:0"});
    const QByteArray taken = first.line().mid(10);
    struct Case {
        QByteArray secondLine;
        QByteArray message;
    };
    const Case cases[] = {
        {"10.1.2.3:9100; 8.10", ":2: refusing 10.1.2.3: the simulator binds only to 127.0.0.0/8\n"},
        {"printer:9100; 8.10", ":2: refusing \"printer\": not an IPv4 address\n"},
        // Found taken only by binding: still nothing is announced.
        {taken + "; 8.10",
         "cannot listen on " + taken + ": the address is already in use (another simulator?)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.secondLine.toStdString());
        QTemporaryFile config;
        ASSERT_TRUE(config.open());
        config.write("127.0.0.11:0; 8.10\n" + c.secondLine + "\n");
        config.flush();
        SimProcess run({config.fileName()});
        ASSERT_TRUE(run.process.waitForFinished(3000));
        EXPECT_NE(run.process.exitCode(), 0);
        EXPECT_EQ(run.process.readAllStandardOutput(), "");
        const QByteArray error = run.process.readAllStandardError();
        EXPECT_TRUE(error.endsWith(c.message)) << error.data();
    }
}
