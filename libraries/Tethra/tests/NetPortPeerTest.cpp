#include <QProcess>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <unistd.h>

#include "LoopbackPeer.h"
#include "PtyPeer.h"
#include "Tethra/Connection.h"
#include "Tethra/Global.h"
#include "messages/MessagePump.h"

using Automation::Ref;
using Platform::WaitUntil;
using Platform::Serial::Testing::randomBytes;
using Platform::Serial::Testing::readFile;
using Platform::Serial::Testing::TempFolder;

namespace {

// socat listening on a loopback port with the given other end. It is ready
// once it says it listens (a port that is bound is not yet listened on, and a
// loaded machine may take seconds to start it).
struct Socat {
    explicit Socat(const QString& otherEnd, bool unidirectional) : port(unusedLoopbackPort()) {
        QStringList args{"-d", "-d"};
        if (unidirectional)
            args << "-u";
        args << QString("TCP-LISTEN:%1,bind=127.0.0.1,reuseaddr").arg(port) << otherEnd;
        process.start("socat", args);
        QByteArray said;
        EXPECT_TRUE(WaitUntil(
            [&] {
                said += process.readAllStandardError();
                return said.contains("listening on") || process.state() == QProcess::NotRunning;
            },
            60000));
        EXPECT_TRUE(said.contains("listening on")) << said.toStdString();
    }
    ~Socat() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(3000);
        }
    }
    uint16_t port;
    QProcess process;
};

} // namespace

TEST(NetPortPeer, SocatReceivesEveryByteAndSeesTheClose) {
    TempFolder folder;
    Socat socat("CREATE:" + QString::fromStdString(folder.file("received")), true);
    auto connection = Tethra::Global::CreateNetConnectionObj("127.0.0.1", socat.port);
    connection->setPortOpen(true);
    const std::string text = randomBytes(3 << 20, 11);
    connection->Send(text);
    connection->setPortOpen(false);
    // socat ends when it has read our FIN, after writing everything.
    EXPECT_TRUE(WaitUntil([&] { return socat.process.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(socat.process.exitCode(), 0);
    EXPECT_TRUE(readFile(folder.file("received")) == text);
}

TEST(NetPortPeer, WhatSocatEchoesArrivesByOnReceive) {
    Socat socat("EXEC:cat", false);
    auto connection = Tethra::Global::CreateNetConnectionObj("127.0.0.1", socat.port);
    std::string received;
    auto link = connection->OnReceive.connect([&] { received += connection->Receive(); });
    connection->setPortOpen(true);
    const std::string text = randomBytes(200000, 12);
    connection->Send(text);
    EXPECT_TRUE(WaitUntil(
        [&] {
            connection->ProcessEvents();
            return received.size() >= text.size();
        },
        10000));
    EXPECT_TRUE(received == text);
    connection->setPortOpen(false);
}
