#pragma once
// A printer on a loopback TCP port for the Printer's tests: it answers each
// framed command as a script says, with a reply trailer of its own.
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "Brindle/Global.h"
#include "LoopbackPeer.h"
#include "Tethra/Global.h"
#include "Tickard/Timer.h"
#include "Tickard/TimerEvent.h"

// What the scripted printer does with one framed command.
struct Answer {
    std::string text;
    int errors = 0;
    bool silent = false;
    size_t cutAt = std::string::npos; // send only this much of the reply
    bool dropLink = false;            // and then close the link
};

// A printer on a loopback TCP port that answers each complete frame it
// receives the way a Rubric interpreter prints the frame's statements.
class ScriptedPrinter {
public:
    std::function<Answer(const std::string&)> answer = [](const std::string&) { return Answer{}; };
    std::string version = "Rubric 8.10 Beta 3";
    char legacyMode = '0';
    std::string lineBreak = "\r\n";
    char verbosity = 'B'; // 'A' + the level
    char errorMsgType = '2';
    std::vector<std::string> commands;
    // Milliseconds between the end of the first package and the arrival of the second.
    std::vector<int32_t> packageGaps;

    ScriptedPrinter() {
        tick_->setInterval(5);
        connection_ = tick_->Timer.connect([this] { poll(); });
        tick_->setEnabled(true);
    }
    uint16_t port() const { return peer_.port(); }
    void send(const std::string& bytes) { peer_.send(bytes); }

private:
    void poll() {
        std::string in = peer_.received();
        size_t head = in.find("PRINT CHR$(1)+\"CMD", scanned_);
        if (head == std::string::npos)
            return;
        size_t commandAt = in.find("QQISV15%=SYSVAR(15)\r", head);
        if (commandAt != std::string::npos && !firstPackage_) {
            firstPackage_ = true;
            gapTimer_->Reset();
        }
        size_t commandEnd = in.find("QQISV15%=SYSVAR(15):SYSVAR(19)=0\r", head);
        if (commandEnd != std::string::npos && !secondPackage_) {
            secondPackage_ = true;
            packageGaps.push_back(gapTimer_->Elapsed());
        }
        size_t end = in.find("PRINTCHR$(4);\r", head);
        if (end == std::string::npos)
            return;
        scanned_ = end;
        firstPackage_ = secondPackage_ = false;
        std::string id = in.substr(head + 18, 2);
        commandAt += 20;
        std::string command = in.substr(commandAt, commandEnd - commandAt);
        commands.push_back(command);
        Answer a = answer(command);
        if (a.silent)
            return;
        std::string reply = "QQISV18%=SYSVAR(18):SYSVAR(18)=8\r\n\x01"
                            "CMD" +
                            id + "\x02" + a.text +
                            "\x03"
                            "CMD" +
                            id + verbosity + errorMsgType + std::string(1, legacyMode) + "50\x1e" +
                            lineBreak + "\x1e" + version + "\x1e" + std::to_string(a.errors) +
                            "\x1e"
                            "admin\r\n\x04\r\nOk\r\n";
        peer_.send(reply.substr(0, a.cutAt));
        if (a.dropLink)
            peer_.closeConnection();
    }

    LoopbackPeer peer_;
    size_t scanned_ = 0;
    bool firstPackage_ = false, secondPackage_ = false;
    Automation::Ref<Tickard::Timer> gapTimer_ = Automation::New<Tickard::Timer>();
    Automation::Ref<Tickard::TimerEvent> tick_ = Automation::New<Tickard::TimerEvent>();
    Automation::EventConnection connection_;
};

// A Printer bound to a scripted printer.
class ScriptedPrinterTest : public testing::Test {
protected:
    ScriptedPrinterTest() {
        connection = Tethra::Global::CreateNetConnectionObj("127.0.0.1", sim.port());
        connection->setPortOpen(true); // the commands only count their opens
        printer = Brindle::Global::CreatePrinterObj(connection);
    }
    ~ScriptedPrinterTest() override { Brindle::Global::TeardownPrinterObj(printer); }
    ScriptedPrinter sim;
    Automation::Ref<Tethra::Connection> connection;
    Automation::Ref<Brindle::Printer> printer;
};
