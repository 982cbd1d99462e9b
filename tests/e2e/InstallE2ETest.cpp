// Whole installations with the engine against the simulated printer over TCP.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <algorithm>
#include <filesystem>

#include "ErrorNumber.h"
#include "Flashmount/tests/FlashBench.h"
#include "HttpCapture.h"
#include "InstallBench.h"
#include "Scrivel/Enums.h"
#include "Tethra/Enums.h"
#include "registry/Registry.h"

namespace {

using Renova::IT_Package;
constexpr const char* Settings = "Software\\Korvessa\\Kestrup\\Settings";

std::string settingOf(const char* name) {
    return Platform::Registry::QueryValue(Platform::Registry::HKEY_CURRENT_USER, Settings, name)
        .value_or("absent");
}

// The lines of `lines` that `wanted` names, in the order they come.
bool inOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted) {
    auto at = lines.begin();
    for (const auto& line : wanted) {
        at = std::find(at, lines.end(), line);
        if (at == lines.end()) {
            ADD_FAILURE() << "missing or out of order: " << line;
            return false;
        }
        ++at;
    }
    return true;
}

// The base class's answers, each question kept: asking one again after its
// cancel ends the job here where an engine that went on would ask for ever.
class BaseRequest : public Automation::Object, public Renova::IRequest {
public:
    void RequestForBreakString(const std::string& sPrinter, std::string& sBreak, bool& Cancel) override {
        asked("RequestForBreakString");
        IRequest::RequestForBreakString(sPrinter, sBreak, Cancel);
    }
    void RequestForSerialBreakString(const std::string& sPrinter, int32_t& Baudrate, int16_t& Databits,
                                     int16_t& Stopbits, int16_t& Parity, std::string& sBreakString,
                                     bool& Cancel) override {
        asked("RequestForSerialBreakString");
        IRequest::RequestForSerialBreakString(sPrinter, Baudrate, Databits, Stopbits, Parity, sBreakString,
                                              Cancel);
    }
    void RequestLogin(const std::string& sPrinter, std::string& sUserName, std::string& sPassword,
                      bool& SavePassword, bool& Cancel) override {
        asked("RequestLogin");
        IRequest::RequestLogin(sPrinter, sUserName, sPassword, SavePassword, Cancel);
    }
    void ReqNotMatch(const std::string& sText, bool& Cancel) override {
        asked("ReqNotMatch");
        IRequest::ReqNotMatch(sText, Cancel);
    }

    std::vector<std::string> questions;

private:
    void asked(const std::string& question) {
        if (std::find(questions.begin(), questions.end(), question) != questions.end())
            Automation::raise(5, "BaseRequest", question + " asked again after its cancel");
        questions.push_back(question);
    }
};

std::string pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
    return bytes;
}

TEST(Install, APackageOverTcpFormatsCreatesCopiesAndFlashes) {
    InstallBench bench;
    bench.package->setFormatFlash(true);
    bench.package->setFormatCard(true);
    bench.package->setFirmwareVersion("8.20");
    bench.package->PrinterDirectories()->Add()->setPath("c:/labels");
    const std::string logo = pattern(70000);
    const std::string kernel = FlashTesting::kernelImage("Rubric 8.20", 30000);
    bench.writePackage({{"logo.pcx", "c:/labels/logo.pcx", logo}}, kernel);

    auto error = bench.run();
    ASSERT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();

    const std::string name = "127.0.0.41";
    EXPECT_EQ(bench.callback->announced, (std::vector<int32_t>{1, 2, 3, 4, 5, 7, 8, 9, 6, 10, 11, 99}));
    EXPECT_EQ(bench.callback->actions(), (std::vector<int32_t>{1, 2, 3, 4, 5, 7, 8, 9, 4, 6, 10, 11, 99}));
    EXPECT_EQ(bench.callback->calls,
              (std::vector<std::string>{"UpdateStart " + name, "UpdateFinshed " + name}));
    // The end is told before the last report.
    const auto& events = bench.callback->events;
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(events.end() - 2, events.end()),
              (std::vector<std::string>{"UpdateFinshed " + name, "Progress 99 100"}));
    EXPECT_EQ(std::count_if(bench.callback->reports.begin(), bench.callback->reports.end(),
                            [](const auto& r) { return r.action == 99; }),
              1);
    EXPECT_TRUE(std::all_of(bench.callback->printers.begin(), bench.callback->printers.end(),
                            [&](const std::string& p) { return p == name; }));
    EXPECT_TRUE(std::any_of(bench.callback->reports.begin(), bench.callback->reports.end(),
                            [](const auto& r) { return r.action == 9 && r.info == "Uploading logo.pcx"; }));
    EXPECT_EQ(bench.request->loginQuestions, 1);

    auto files = bench.sim.files();
    ASSERT_TRUE(files.contains("c:labels/logo.pcx")) << files.keys().join(' ').toStdString();
    EXPECT_EQ(files.value("c:labels/logo.pcx").toStdString(), logo);
    const auto kernels = bench.sim.storedKernels();
    ASSERT_EQ(kernels.size(), 1);
    EXPECT_EQ(kernels[0].data.toStdString(), kernel);

    const std::string port = std::to_string(bench.sim.port());
    auto lines = bench.logLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "************");
    EXPECT_EQ(lines[1], name);
    EXPECT_TRUE(inOrder(lines, {"Load Rbi File",
                                "Create action list",
                                "Load Uff file",
                                "Create network connection",
                                "Setting connection parameters to LAN:" + name + ":" + port,
                                "Run Network AutoConnect",
                                "AutoConnect succeeded",
                                "Connect to printer",
                                "Firmware version check succeeded",
                                "Check Requirements",
                                "Format devices",
                                "Formatted card1:",
                                "Formatted c:",
                                "Create directories",
                                "Created directory: c:/labels",
                                "File upload",
                                "File upload: c:/labels/logo.pcx",
                                "Firmware version check",
                                "Requested Login",
                                "Change user to: admin",
                                "Changed user to: admin",
                                "Start firmware update to Rubric 8.20",
                                "Firmware update finished",
                                "Finalizing update"}));
    EXPECT_FALSE(bench.logged("Reboot sent"));

    EXPECT_EQ(settingOf("TimeOut"), "10000");
    EXPECT_EQ(settingOf("FileTransferTimeOut"), "2000");
    EXPECT_EQ(settingOf("FileTransferRestoreTimeOut"), "1000");
    EXPECT_TRUE(bench.noTemporaryFiles());
}

TEST(Install, APackageWithoutFirmwareDirectoriesOrFormatRebootsAtTheEnd) {
    InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.56");
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
    auto error = bench.run();
    ASSERT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();
    EXPECT_EQ(bench.callback->announced, (std::vector<int32_t>{1, 2, 3, 4, 5, 9, 11, 99}));
    EXPECT_EQ(bench.callback->actions(), (std::vector<int32_t>{1, 2, 3, 4, 5, 9, 11, 99}));
    EXPECT_TRUE(inOrder(bench.logLines(), {"File upload: c:/a.txt", "Reboot sent", "Finalizing update"}));
    EXPECT_TRUE(bench.sim.files().contains("c:a.txt"));
    EXPECT_TRUE(bench.sim.storedKernels().isEmpty());
}

TEST(Install, APackageWhoseFirmwareIsNotNewerSkipsTheFlashUnlessItAlwaysUpdates) {
    for (bool always : {false, true}) {
        SCOPED_TRACE(always);
        InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.57");
        bench.package->setFirmwareVersion("Rubric 8.10");
        bench.package->setRubricAlwaysUpdate(always);
        bench.writePackage({{"a.txt", "c:/a.txt", "A"}}, FlashTesting::kernelImage("Rubric 8.10", 20000));
        auto error = bench.run();
        ASSERT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();
        EXPECT_EQ(bench.logged("Skipping Firmware update (newer or same version installed)"), !always);
        EXPECT_EQ(bench.logged("Reboot sent"), !always);
        EXPECT_EQ(bench.sim.storedKernels().size(), always ? 1 : 0);
        EXPECT_TRUE(bench.noTemporaryFiles());
    }
    // The language's name in any case and blanks around the number are no part of the version.
    for (const char* version : {"rubric 8.10", "RUBRIC 8.10", "  8.10 ", "Rubric Rubric 8.10"}) {
        SCOPED_TRACE(version);
        InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.57");
        bench.package->setFirmwareVersion(version);
        bench.writePackage({{"a.txt", "c:/a.txt", "A"}}, FlashTesting::kernelImage("Rubric 8.10", 20000));
        auto error = bench.run();
        ASSERT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();
        EXPECT_TRUE(bench.logged("Skipping Firmware update (newer or same version installed)"));
        EXPECT_TRUE(bench.sim.storedKernels().isEmpty());
    }
}

TEST(Install, AFirmwareJobOverTcpChecksTheImageAndFlashesIt) {
    InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.58");
    const std::string image = FlashTesting::kernelImage("Rubric 8.20", 20000);
    bench.bag->setInstallationType(Renova::IT_Firmware);
    bench.bag->setSourcePath(bench.folder.write("kernel.bin", image));
    auto error = bench.run();
    ASSERT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();
    EXPECT_EQ(bench.callback->announced, (std::vector<int32_t>{12, 3, 4, 6, 10, 11, 99}));
    EXPECT_EQ(bench.callback->actions(), (std::vector<int32_t>{12, 3, 4, 6, 10, 11, 99}));
    EXPECT_TRUE(
        inOrder(bench.logLines(), {"Create action list", "Check Firmware file", "Run Network AutoConnect",
                                   "Firmware version check succeeded", "Start firmware update to Rubric 8.20",
                                   "Firmware update finished", "Finalizing update"}));
    // The printer's own user may upgrade: nobody is asked to log in, and no change is logged.
    EXPECT_EQ(bench.request->loginQuestions, 0);
    for (const auto& line : bench.logLines())
        EXPECT_EQ(line.find("hange"), std::string::npos) << line;
    ASSERT_EQ(bench.sim.storedKernels().size(), 1);
    EXPECT_EQ(bench.sim.storedKernels()[0].data.toStdString(), image);
    // The progress of the flash reaches the client with its texts.
    EXPECT_TRUE(std::any_of(bench.callback->reports.begin(), bench.callback->reports.end(),
                            [](const auto& r) { return r.action == 10 && !r.info.empty(); }));
}

TEST(Install, AnImageThatIsNoFirmwareEndsTheJobWhereItIsFound) {
    {
        InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.59");
        bench.bag->setInstallationType(Renova::IT_Firmware);
        bench.bag->setSourcePath(bench.folder.write("kernel.bin", "no kernel here"));
        EXPECT_TRUE(isError(bench.run(), 9999, "PrinterUpdater:UpdatePrinter:Renova",
                            "Invalid firmware file: \"" + bench.folder / "kernel.bin" + "\""));
        EXPECT_EQ(bench.sim.connections(), 0);
    }
    {
        // The image changes between its check and the flash.
        InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.59");
        bench.bag->setInstallationType(Renova::IT_Firmware);
        bench.bag->setSourcePath(bench.folder.write("kernel.bin", FlashTesting::kernelImage("Rubric 8.20")));
        bench.callback->cancelWhen = [&](int32_t action, const std::string&) {
            if (action == Renova::AI_Connecting)
                bench.folder.write("kernel.bin", "no kernel any more");
            return false;
        };
        EXPECT_TRUE(isError(bench.run(), 9999,
                            "PrinterUpdater:UpdatePrinter:PrinterUpdater:UpdateFirmware:Renova",
                            "Invalid firmware: \"" + bench.folder / "kernel.bin" + "\""));
        EXPECT_TRUE(bench.logged("UpdateFirmware error: Invalid firmware: \"" + bench.folder / "kernel.bin" +
                                 "\"(9999)"));
        EXPECT_TRUE(bench.sim.storedKernels().isEmpty());
    }
}

TEST(Install, ACancelledLoginLeavesTheFirmwareUnflashed) {
    InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.60");
    bench.request->cancelLogin = true;
    bench.package->setFirmwareVersion("8.20");
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}}, FlashTesting::kernelImage("Rubric 8.20", 20000));
    auto error = bench.run();
    EXPECT_EQ(error.Number(), 127);
    EXPECT_EQ(error.Source().rfind("PrinterUpdater:UpdatePrinter:PrinterUpdater:UpdateFirmware:", 0), 0u)
        << error.Source();
    EXPECT_TRUE(inOrder(bench.logLines(), {"Requested Login", "Operation Cancelled",
                                           "UpdateFirmware error: " + error.Description() + "(127)",
                                           "Printer updater error: " + error.Description() + "(127)"}));
    EXPECT_TRUE(bench.sim.storedKernels().isEmpty());
    EXPECT_TRUE(bench.noTemporaryFiles());
}

TEST(Install, AWrongPasswordIsAskedAgainAndOnlyTheChangeThatHappenedIsLogged) {
    InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.61");
    bench.request->logins = {{bench.request->userName, "wrong"}};
    bench.package->setFirmwareVersion("8.20");
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}}, FlashTesting::kernelImage("Rubric 8.20", 20000));
    auto error = bench.run();
    ASSERT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();
    EXPECT_EQ(bench.request->loginQuestions, 2);
    auto lines = bench.logLines();
    EXPECT_TRUE(inOrder(lines, {"Requested Login", "Requested Login", "Change user to: admin",
                                "Changed user to: admin", "Firmware update finished"}));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Change user to: admin"), 1);
    EXPECT_EQ(bench.sim.storedKernels().size(), 1);
}

TEST(Install, TheLoginIsAskedAgainUntilAUserWhoMayUpgradeLogsIn) {
    InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.63");
    // A wrong password, then a user who may not upgrade, then one who may.
    bench.request->logins = {{"admin", "wrong"}, {"user", ""}, {"supervisor", "vantor"}};
    bench.package->setFirmwareVersion("8.20");
    const std::string kernel = FlashTesting::kernelImage("Rubric 8.20", 20000);
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}}, kernel);
    auto error = bench.run();
    ASSERT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();
    EXPECT_EQ(bench.request->loginQuestions, 3);
    EXPECT_TRUE(
        inOrder(bench.logLines(), {"Requested Login", "Requested Login", "Change user to: user",
                                   "Requested Login", "Change user to: supervisor",
                                   "Changed user to: supervisor", "Start firmware update to Rubric 8.20"}));
    ASSERT_EQ(bench.sim.storedKernels().size(), 1);
    EXPECT_EQ(bench.sim.storedKernels()[0].data.toStdString(), kernel);
}

PrinterSim::FaultPlan needsBreak() {
    return PrinterSim::FaultPlan({*PrinterSim::Fault::parse("hello-needs-break")});
}

void setSetting(const char* name, const char* value) {
    Platform::Registry::SetValue(Platform::Registry::HKEY_CURRENT_USER, Settings, name, value);
}

TEST(Install, BreakStringsGoOverTheLinkExpandedAndToThePrintServerAsWritten) {
    HttpCapture server("127.0.0.42");
    ASSERT_TRUE(server.listening());
    InstallBench bench(PrinterSim::Profile::forVersion("8.10"), needsBreak(), "127.0.0.42", server.port());
    setSetting("TimeOut", "2500");
    bench.sim.recordInput(true);
    bench.package->BreakStrings()->Add("")->setBreakString("<esc>x<STX>");
    bench.package->BreakStrings()->Add("")->setBreakString("<ESC>.<CR>");
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}});

    auto error = bench.run();
    ASSERT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();

    const QByteArray received = bench.sim.receivedBytes();
    EXPECT_TRUE(received.contains("<esc>x<STX>"));
    EXPECT_TRUE(received.contains(QByteArray("\x1b.\r", 3)));
    EXPECT_FALSE(received.contains("<ESC>"));

    ASSERT_EQ(server.connections(), 2);
    for (int i = 0; i < 2; ++i) {
        const QByteArray request = server.requests()[i];
        EXPECT_TRUE(request.startsWith("POST /rb/running HTTP/1.1\r\n")) << request.toStdString();
        const QByteArray body = i == 0 ? "BRK=<esc>x<STX>" : "BRK=<ESC>.<CR>";
        EXPECT_EQ(HttpCapture::body(request), body);
        EXPECT_EQ(HttpCapture::header(request, "Content-Length"), QByteArray::number(body.size()));
    }
    EXPECT_TRUE(inOrder(bench.logLines(),
                        {"Run Network AutoConnect", "Sending break string: <esc>x<STX>",
                         "Wait on response for maximum 2 second(s)", "Sending break string: <ESC>.<CR>",
                         "Wait on response for maximum 2 second(s)", "AutoConnect succeeded"}));
    EXPECT_FALSE(bench.logged("Request break string"));
    EXPECT_EQ(settingOf("TimeOut"), "2500");
}

TEST(Install, TheBreakStringsEndWithTheFirstThePrinterAnswers) {
    HttpCapture server("127.0.0.70");
    ASSERT_TRUE(server.listening());
    InstallBench bench(PrinterSim::Profile::forVersion("8.10"), needsBreak(), "127.0.0.70", server.port());
    setSetting("TimeOut", "2000");
    bench.sim.recordInput(true);
    bench.package->BreakStrings()->Add("")->setBreakString("<ESC>.");
    bench.package->BreakStrings()->Add("")->setBreakString("<ESC>later<CR>");
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}});

    auto error = bench.run();
    ASSERT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();

    // The printer answered after the first: the second goes neither over the
    // link nor to the print server.
    EXPECT_TRUE(bench.sim.receivedBytes().contains("\x1b."));
    EXPECT_FALSE(bench.sim.receivedBytes().contains("later"));
    ASSERT_EQ(server.connections(), 1);
    EXPECT_EQ(HttpCapture::body(server.requests()[0]), "BRK=<ESC>.");
    const auto lines = bench.logLines();
    EXPECT_TRUE(inOrder(lines, {"Sending break string: <ESC>.", "Wait on response for maximum 2 second(s)",
                                "AutoConnect succeeded"}));
    EXPECT_FALSE(bench.logged("Sending break string: <ESC>later<CR>"));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Wait on response for maximum 2 second(s)"), 1);
    EXPECT_TRUE(bench.sim.files().contains("c:a.txt"));
}

TEST(Install, AStoredFileTransferTimeOutIsTheCatTimeoutOfEveryUpload) {
    InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.71");
    setSetting("FileTransferTimeOut", "5000");
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}, {"bc.txt", "c:/bc.txt", "BC"}});
    auto error = bench.run();
    ASSERT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();
    // The printer's transfer waits five seconds for each file, not the default two.
    std::vector<std::string> uploads;
    for (const QByteArray& line : bench.sim.receivedLines())
        if (line.startsWith("RUN\"cat -S"))
            uploads.push_back(line.toStdString());
    EXPECT_EQ(uploads, (std::vector<std::string>{"RUN\"cat -S5 -1 >c:/a.txt", "RUN\"cat -S5 -2 >c:/bc.txt"}));
    EXPECT_TRUE(bench.sim.files().contains("c:bc.txt"));
    // The stored value stays; the restore time-out, not stored, gets its default.
    EXPECT_EQ(settingOf("FileTransferTimeOut"), "5000");
    EXPECT_EQ(settingOf("FileTransferRestoreTimeOut"), "1000");
}

TEST(Install, WithoutAWorkingBreakStringTheUserIsAskedUntilOneWorks) {
    InstallBench bench(PrinterSim::Profile::forVersion("8.10"), needsBreak(), "127.0.0.43");
    setSetting("TimeOut", "800");
    bench.request->breakAnswers = {"nothing", "\x1b."};
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}});

    auto error = bench.run();
    ASSERT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();
    EXPECT_EQ(bench.request->breakQuestions, 2);
    EXPECT_TRUE(inOrder(bench.logLines(), {"Request break string", "Sending break string: nothing",
                                           "Wait on response for maximum 1 second(s)", "Request break string",
                                           "Sending break string: <ESC>.", "AutoConnect succeeded"}));
    // The log shows the typed string's control characters by name.
    for (const auto& line : bench.logLines())
        EXPECT_EQ(line.find('\x1b'), std::string::npos) << line;
}

TEST(Install, CancellingTheBreakQuestionIsAFailedNetworkConnection) {
    InstallBench bench(PrinterSim::Profile::forVersion("8.10"), needsBreak(), "127.0.0.44");
    setSetting("TimeOut", "600");
    bench.request->breakAnswers = {"nothing"};
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}});

    auto error = bench.run();
    EXPECT_TRUE(
        isError(error, 20002, "PrinterUpdater:UpdatePrinter:PrinterUpdater", "Network Autoconnect failed"));
    EXPECT_EQ(bench.request->breakQuestions, 2);
    auto lines = bench.logLines();
    EXPECT_TRUE(inOrder(lines, {"Request break string", "Sending break string: nothing",
                                "Request break string", "Operation cancelled by user",
                                "Printer updater error: Network Autoconnect failed(20002)"}));
    EXPECT_FALSE(bench.logged("AutoConnect succeeded"));
    EXPECT_TRUE(bench.sim.files().isEmpty() || !bench.sim.files().contains("c:a.txt"));
}

TEST(Install, AWaitLineTheLogCannotTakeStillSendsTheHello) {
    HttpCapture server("127.0.0.69");
    ASSERT_TRUE(server.listening());
    InstallBench bench(PrinterSim::Profile::forVersion("8.10"), needsBreak(), "127.0.0.69", server.port());
    // The log fails from the post of the break on, so at the wait line first.
    server.onRequest = [&](const QByteArray&) {
        bench.engine->Log()->setLogFilePath(bench.folder / "absent/KS_LOG.TXT");
    };
    setSetting("TimeOut", "3000");
    bench.sim.recordInput(true);
    bench.package->BreakStrings()->Add("")->setBreakString("<ESC>.");
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}});

    // The hello is answered; the next line of the log is what ends the job.
    auto error = bench.run();
    EXPECT_EQ(error.Number(), 75);
    EXPECT_EQ(error.Source(), "PrinterUpdater:UpdatePrinter:PrinterUpdater:NetworkConnect:LogWriter");
    const QByteArray received = bench.sim.receivedBytes();
    const qsizetype broken = received.indexOf("\x1b.");
    ASSERT_GE(broken, 0);
    EXPECT_GT(received.indexOf("print \"hello\"", broken), broken);
    EXPECT_EQ(bench.logLines().back(), "Sending break string: <ESC>.");
    EXPECT_EQ(bench.request->breakQuestions, 0);
}

TEST(Install, APrintServerThatNeverAnswersOrIsNotThereCostsAtMostTheClientsTimeOut) {
    for (bool listening : {true, false}) {
        SCOPED_TRACE(listening);
        HttpCapture silent("127.0.0.45", 0, "");
        // Nobody listens on port 1.
        InstallBench bench(PrinterSim::Profile::forVersion("8.10"), needsBreak(), "127.0.0.45",
                           listening ? silent.port() : 1);
        bench.package->BreakStrings()->Add("")->setBreakString("<ESC>.");
        bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
        QElapsedTimer timer;
        timer.start();
        auto error = bench.run();
        ASSERT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();
        // The first hello (1 s without an answer), the post (at most 2 s), the
        // job itself (given room for a machine busy with the rest of the suite).
        EXPECT_LT(timer.elapsed(), 1000 + 2000 + 8000);
        EXPECT_EQ(silent.connections(), listening ? 1 : 0);
    }
}

TEST(Install, TheBaseRequestClientCancelsEachQuestionSoTheJobEnds) {
    {
        InstallBench bench(PrinterSim::Profile::forVersion("8.10"), needsBreak(), "127.0.0.62");
        auto base = Automation::New<BaseRequest>();
        bench.bag->setRequestClient(base);
        setSetting("TimeOut", "500");
        bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
        EXPECT_TRUE(isError(bench.run(), 20002, "PrinterUpdater:UpdatePrinter:PrinterUpdater",
                            "Network Autoconnect failed"));
        EXPECT_EQ(base->questions, (std::vector<std::string>{"RequestForBreakString"}));
        EXPECT_TRUE(inOrder(bench.logLines(), {"Request break string", "Operation cancelled by user"}));
    }
    {
        InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.62");
        auto base = Automation::New<BaseRequest>();
        bench.bag->setRequestClient(base);
        bench.package->setMinMemSizeDram(64);
        bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
        EXPECT_EQ(bench.run().Description(), "Requirement check cancelled by user");
        EXPECT_EQ(base->questions, (std::vector<std::string>{"ReqNotMatch"}));
    }
    {
        InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.62");
        auto base = Automation::New<BaseRequest>();
        bench.bag->setRequestClient(base);
        bench.package->setFirmwareVersion("8.20");
        bench.writePackage({{"a.txt", "c:/a.txt", "A"}}, FlashTesting::kernelImage("Rubric 8.20", 20000));
        EXPECT_EQ(bench.run().Number(), 127);
        EXPECT_EQ(base->questions, (std::vector<std::string>{"RequestLogin"}));
        EXPECT_TRUE(inOrder(bench.logLines(), {"Requested Login", "Operation Cancelled"}));
        EXPECT_TRUE(bench.sim.storedKernels().isEmpty());
    }
}

TEST(Install, TheLanguageVersionMustBeSevenOrLater) {
    {
        InstallBench bench(PrinterSim::Profile::forVersion("6.14"), {}, "127.0.0.46");
        bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
        EXPECT_TRUE(
            isError(bench.run(), 9999, "PrinterUpdater:UpdatePrinter:Renova", "Firmware check failed"));
        EXPECT_TRUE(inOrder(bench.logLines(), {"Connect to printer", "Firmware version check",
                                               "Printer updater error: Firmware check failed(9999)"}));
        EXPECT_FALSE(bench.logged("Firmware version check succeeded"));
    }
    {
        InstallBench bench(PrinterSim::Profile::forVersion("10.00"), {}, "127.0.0.46");
        bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
        auto error = bench.run();
        EXPECT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();
        EXPECT_TRUE(bench.logged("Firmware version check succeeded"));
    }
}

TEST(Install, EachUnmetRequirementIsAskedAndAcceptedOnesLetTheJobGoOn) {
    const std::vector<std::string> before = {"Printer Model wrong.", "Dual RS-232 is not installed."};
    const std::vector<std::string> after = {
        "MS-DOS card not mounted.", "200/300 dpi Thermal Printhead is not installed.",
        "203 dpi Thermal Printhead is not installed.", "300 dpi Thermal Printhead is not installed.",
        "8 Mb RAM is required."};
    // With the industrial card, the print server and 8 Mb of flash; then with none of them.
    for (bool fitted : {true, false}) {
        SCOPED_TRACE(fitted);
        auto profile = PrinterSim::Profile::forVersion("8.10");
        profile.industrial = fitted;
        profile.ethernet = fitted;
        profile.cardInserted = false;
        profile.headDotsPerMm = 0;
        profile.ramKb = 8191;
        profile.flashKb = fitted ? 8192 : 8191;
        InstallBench bench(profile, {}, "127.0.0.47");
        bench.package->setPrintermodels(Scrivel::PM_Sileq | Scrivel::PM_Zephan);
        bench.package->setInterfaces(Scrivel::Industrial | Scrivel::Parallel | Scrivel::Dual_RS232 |
                                     Scrivel::Hublet | Scrivel::MSDOS_CARD);
        bench.package->setTPHResolution(Scrivel::TPH_203dpi_AND_305dpi);
        bench.package->setMinMemSizeDram(8);
        bench.package->setMinMemSizeFlash(8);
        bench.writePackage({{"a.txt", "c:/a.txt", "A"}});

        auto error = bench.run();
        ASSERT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();
        std::vector<std::string> asked = before;
        if (!fitted)
            asked.insert(asked.end(),
                         {"Hublet is not installed.", "Industrial Interface Card is not installed."});
        asked.push_back("Parallel Interface Card is not installed.");
        asked.insert(asked.end(), after.begin(), after.end());
        if (!fitted)
            asked.push_back("8 Mb Flash memory (permanent storage) is required.");
        EXPECT_EQ(bench.request->mismatches, asked);
        EXPECT_TRUE(bench.sim.files().contains("c:a.txt"));
    }
}

TEST(Install, AnUnknownModelAndEitherPrintServerPassTheirChecks) {
    // 7.x reports the older print server, 8.x the newer.
    for (const char* version : {"7.62", "8.10"}) {
        SCOPED_TRACE(version);
        auto profile = PrinterSim::Profile::forVersion(version);
        profile.model = "Quillon";
        InstallBench bench(profile, {}, "127.0.0.65");
        bench.package->setPrintermodels(Scrivel::PM_Ravo | Scrivel::PM_Sileq);
        bench.package->setInterfaces(Scrivel::Hublet);
        bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
        auto error = bench.run();
        ASSERT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();
        EXPECT_TRUE(bench.request->mismatches.empty()) << bench.request->mismatches.front();
    }
}

TEST(Install, ModelsAndHeadsThatFitAskNothingAndACancelStopsTheJob) {
    {
        InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.48");
        bench.package->setPrintermodels(Scrivel::PM_Ravo);
        bench.package->setTPHResolution(Scrivel::TPH_203dpi_AND_305dpi);
        bench.package->setMinMemSizeDram(16);
        bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
        EXPECT_EQ(bench.run().Number(), 0);
        EXPECT_TRUE(bench.request->mismatches.empty());
    }
    {
        InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.48");
        bench.package->setPrintermodels(Scrivel::PM_Trell);
        bench.package->setMinMemSizeDram(64);
        bench.request->cancelAtMismatch = true;
        bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
        EXPECT_TRUE(isError(bench.run(), 9999,
                            "PrinterUpdater:UpdatePrinter:PrinterUpdater:CheckRequirements:"
                            "PrinterUpdater.CheckRequirements",
                            "Requirement check cancelled by user"));
        EXPECT_EQ(bench.request->mismatches, (std::vector<std::string>{"Printer Model wrong."}));
        EXPECT_TRUE(
            inOrder(bench.logLines(), {"Check Requirements",
                                       "CheckRequirements error: Requirement check cancelled by user(9999)",
                                       "Printer updater error: Requirement check cancelled by user(9999)"}));
        EXPECT_FALSE(bench.sim.files().contains("c:a.txt"));
    }
}

TEST(Install, MissingPackageFilesEndTheJobBeforeThePrinterIsReached) {
    {
        InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.49");
        bench.bag->setInstallationType(IT_Package);
        bench.bag->setSourcePath(bench.folder / "absent.rbi");
        EXPECT_TRUE(isError(bench.run(), 9999,
                            "PrinterUpdater:UpdatePrinter:PrinterUpdater:LoadRbiFile:Renova",
                            "Rbi file is missing: \"" + bench.folder / "absent.rbi" + "\""));
        EXPECT_EQ(bench.logLines().back(), "Printer updater error: Rbi file is missing: \"" +
                                               bench.folder / "absent.rbi" + "\"(9999)");
        EXPECT_TRUE(bench.callback->calls.empty());
    }
    {
        InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.49");
        bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
        std::filesystem::remove(bench.folder / "package.uff");
        EXPECT_TRUE(isError(bench.run(), 9999,
                            "PrinterUpdater:UpdatePrinter:PrinterUpdater:LoadUffFile:Renova",
                            "Uff file is missing: \"" + bench.folder / "package.uff" + "\""));
        EXPECT_EQ(bench.sim.connections(), 0);
    }
    {
        InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.49");
        bench.writePackage({});
        bench.package->setUffFilePath("");
        bench.bag->setSourcePath(bench.folder.write("package.rbi", bench.package->WriteXML()));
        EXPECT_EQ(bench.run().Description(), "Uff file is missing: the package document names none");
    }
    {
        // A file that is no package document is named as damaged before anything is announced.
        InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.49");
        bench.bag->setInstallationType(IT_Package);
        const std::string odd = bench.folder.write("odd.rbi", "<Other></Other>");
        bench.bag->setSourcePath(odd);
        EXPECT_TRUE(isError(bench.run(), 9999,
                            "PrinterUpdater:UpdatePrinter:PrinterUpdater:LoadRbiFile:Scrivel",
                            "The package document is damaged: it holds no Kestrup package. Package "
                            "document: \"" +
                                odd + "\""));
        EXPECT_TRUE(bench.callback->calls.empty());
        EXPECT_TRUE(bench.callback->reports.empty());
        EXPECT_FALSE(bench.logged("Load Uff file"));
    }
}

TEST(Install, APackageDocumentCutShortIsRefusedBeforeThePrinterIsReached) {
    InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.49");
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
    const std::string document = bench.folder / "package.rbi";
    std::filesystem::resize_file(document, 400);
    EXPECT_TRUE(isError(bench.run(), 9999, "PrinterUpdater:UpdatePrinter:PrinterUpdater:LoadRbiFile:Scrivel",
                        "The package document is damaged: it ends before its last element closes. Package "
                        "document: \"" +
                            document + "\""));
    EXPECT_EQ(bench.sim.connections(), 0);
    EXPECT_TRUE(bench.callback->calls.empty());
    EXPECT_FALSE(bench.logged("Reboot sent"));
}

TEST(Install, APackageWithoutFilesUploadsNothingAndLogsNoError) {
    InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.49");
    bench.writePackage({});
    auto error = bench.run();
    ASSERT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();
    EXPECT_TRUE(inOrder(bench.logLines(), {"File upload", "Reboot sent", "Finalizing update"}));
    for (const auto& line : bench.logLines())
        EXPECT_EQ(line.find("rror"), std::string::npos) << line;
    EXPECT_TRUE(
        std::any_of(bench.callback->reports.begin(), bench.callback->reports.end(),
                    [](const auto& r) { return r.action == Renova::AI_CopyingFiles && r.percent == 100; }));
}

TEST(Install, AWindowsPackageFindsItsUffFileWithBackslashesAndAnotherCase) {
    InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.50");
    std::filesystem::create_directory(bench.folder.path() / "Flash");
    bench.package->setUffFilePath("flash\\PACKAGE.UFF");
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
    std::filesystem::rename(bench.folder / "package.uff", bench.folder / "Flash/package.uff");
    // Folders as well as the file's own name are matched without regard to case.
    auto error = bench.run();
    EXPECT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();
    EXPECT_TRUE(bench.sim.files().contains("c:a.txt"));
}

TEST(Install, PathsThePrintersShellWouldInterpretAreRefusedBeforeThePrinterIsTouched) {
    for (const char* path : {"c:/a;REBOOT", "c:/../x", "c:/a|b", "c:/$(x)", "c:/a`b`", "c:/a>b", "c:/a&b"}) {
        SCOPED_TRACE(path);
        InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.51");
        bench.package->PrinterDirectories()->Add()->setPath("c:/ok");
        bench.writePackage({{"a.txt", path, "A"}});
        auto error = bench.run();
        EXPECT_EQ(error.Number(), 9999);
        EXPECT_NE(error.Description().find(std::string("\"") + path + "\""), std::string::npos)
            << error.Description();
        EXPECT_EQ(bench.sim.connections(), 0);
    }
    // The same holds for the directories to be made.
    for (const char* path : {"c:/a;REBOOT", "c:/../x", "c:/a$b", "c:/a|b"}) {
        SCOPED_TRACE(path);
        InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.51");
        bench.package->PrinterDirectories()->Add()->setPath(path);
        bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
        auto error = bench.run();
        EXPECT_EQ(error.Number(), 9999);
        EXPECT_NE(error.Description().find(std::string("directory \"") + path + "\""), std::string::npos)
            << error.Description();
        EXPECT_EQ(bench.sim.connections(), 0);
    }
    InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.51");
    bench.package->PrinterDirectories()->Add()->setPath("c:/x..y/..z");
    bench.writePackage({{"a.txt", "c:/x..y/..z/a.txt", "A"}});
    EXPECT_EQ(bench.run().Number(), 0);
    EXPECT_TRUE(bench.sim.files().contains("c:x..y/..z/a.txt"));
}

TEST(Install, AFailingDirectoryIsLoggedAndTheNextIsStillCreated) {
    InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.52");
    bench.package->PrinterDirectories()->Add()->setPath("c:/lost");
    bench.package->PrinterDirectories()->Add()->setPath("c:/open");
    // The printer stays silent to the first command after the step has started.
    bench.callback->cancelWhen = [&](int32_t action, const std::string&) {
        if (action == Renova::AI_CreatingDirectories && bench.callback->reports.size() > 0 &&
            bench.callback->reports.back().percent == 0)
            bench.sim.addFault(*PrinterSim::Fault::parse("no-reply:once"));
        return false;
    };
    bench.writePackage({{"a.txt", "c:/open/a.txt", "A"}});
    auto error = bench.run();
    ASSERT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();
    EXPECT_FALSE(bench.sim.files().contains("c:lost"));
    EXPECT_FALSE(bench.logged("Created directory: c:/lost"));
    auto lines = bench.logLines();
    auto failed = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.rfind("CreateDirectories error: ", 0) == 0;
    });
    ASSERT_NE(failed, lines.end());
    EXPECT_EQ(failed->substr(failed->size() - 5), "(119)");
    EXPECT_TRUE(inOrder(lines, {"Create directories", *failed, "Created directory: c:/open"}));
    EXPECT_TRUE(bench.sim.files().contains("c:open/a.txt"));
}

TEST(Install, ACancelledUploadEndsWith113AndOneErrorReport) {
    InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.53");
    bench.callback->cancelWhen = [](int32_t action, const std::string& info) {
        return action == Renova::AI_CopyingFiles && !info.empty();
    };
    bench.writePackage({{"big.bin", "c:/big.bin", pattern(4 << 20)}, {"b.txt", "c:/b.txt", "B"}});
    auto error = bench.run();
    EXPECT_EQ(error.Number(), 113);
    const std::string error113 = "Error 127.0.0.53 9 113";
    EXPECT_EQ(std::count(bench.callback->calls.begin(), bench.callback->calls.end(), error113), 1);
    EXPECT_TRUE(inOrder(bench.logLines(), {"File upload: c:/big.bin", "File upload\t" + error.Description(),
                                           "Printer updater error: " + error.Description() + "(113)"}));
    EXPECT_FALSE(bench.logged("Reboot sent"));
    EXPECT_FALSE(bench.logged("Finalizing update"));
    EXPECT_TRUE(bench.noTemporaryFiles());
}

TEST(Install, AFailingFormatIsLoggedWithItsPrefixAndEndsTheJob) {
    InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.66");
    bench.package->setFormatFlash(true);
    // The printer stays silent to the first command of the step.
    bench.callback->cancelWhen = [&](int32_t action, const std::string&) {
        if (action == Renova::AI_Formatting && bench.callback->reports.back().percent == 0)
            bench.sim.addFault(*PrinterSim::Fault::parse("no-reply:once"));
        return false;
    };
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
    auto error = bench.run();
    ASSERT_NE(error.Number(), 0);
    EXPECT_EQ(error.Source().rfind("PrinterUpdater:UpdatePrinter:PrinterUpdater:FormatDevice:", 0), 0u)
        << error.Source();
    const std::string line = error.Description() + "(" + std::to_string(error.Number()) + ")";
    EXPECT_TRUE(inOrder(bench.logLines(), {"Format devices", "Format device error: " + line,
                                           "Printer updater error: " + line}));
    EXPECT_FALSE(bench.logged("Formatted c:"));
    EXPECT_FALSE(bench.sim.files().contains("c:a.txt"));
}

TEST(Install, AnUploadThatFailsOtherwiseThanByACancelIsNoErrorReport) {
    InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.67");
    // rom: takes no file.
    bench.writePackage({{"a.txt", "rom:/a.txt", "A"}});
    auto error = bench.run();
    ASSERT_NE(error.Number(), 0);
    EXPECT_NE(error.Number(), 113);
    EXPECT_EQ(bench.callback->calls, (std::vector<std::string>{"UpdateStart 127.0.0.67"}));
    EXPECT_TRUE(inOrder(bench.logLines(), {"File upload: rom:/a.txt", "File upload\t" + error.Description(),
                                           "Printer updater error: " + error.Description() + "(" +
                                               std::to_string(error.Number()) + ")"}));
    EXPECT_TRUE(bench.noTemporaryFiles());
}

TEST(Install, AHandlerWhoseLogLineFailsRaisesTheErrorItHandles) {
    {
        InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.68");
        bench.package->setMinMemSizeDram(64);
        bench.request->cancelAtMismatch = true;
        bench.callback->cancelWhen = [&](int32_t action, const std::string&) {
            if (action == Renova::AI_ReqCheck)
                bench.engine->Log()->setLogFilePath(bench.folder / "absent/KS_LOG.TXT");
            return false;
        };
        bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
        EXPECT_TRUE(isError(bench.run(), 9999,
                            "PrinterUpdater:UpdatePrinter:PrinterUpdater:CheckRequirements:"
                            "PrinterUpdater.CheckRequirements",
                            "Requirement check cancelled by user"));
        EXPECT_EQ(bench.logLines().back(), "Check Requirements");
    }
    {
        InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.68");
        // Cancelled as in the upload test above; the log is cut as the
        // cancel is given, so the handler's own line cannot be written.
        bench.callback->cancelWhen = [&](int32_t action, const std::string& info) {
            const bool cancel = action == Renova::AI_CopyingFiles && !info.empty();
            if (cancel)
                bench.engine->Log()->setLogFilePath(bench.folder / "absent/KS_LOG.TXT");
            return cancel;
        };
        bench.writePackage({{"big.bin", "c:/big.bin", pattern(4 << 20)}, {"b.txt", "c:/b.txt", "B"}});
        EXPECT_EQ(bench.run().Number(), 113);
        EXPECT_EQ(bench.logLines().back(), "File upload: c:/big.bin");
    }
}

TEST(Install, AJobWithoutACallbackClientFailsWith91) {
    InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.54");
    bench.bag->setCallbackClient(nullptr);
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
    auto error = bench.run();
    EXPECT_EQ(error.Number(), 91);
    EXPECT_EQ(bench.logLines().back(), "Printer updater error: " + error.Description() + "(91)");
}

TEST(Install, ALogThatCannotBeWrittenFailsTheJobWithItsOwnError) {
    InstallBench bench(PrinterSim::Profile::forVersion("8.10"), {}, "127.0.0.55");
    bench.engine->Log()->setLogFilePath(bench.folder / "absent/KS_LOG.TXT");
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
    auto error = bench.run();
    EXPECT_EQ(error.Number(), 75);
    EXPECT_EQ(error.Source(), "PrinterUpdater:UpdatePrinter:LogWriter");
}

// The serial road: the printer-sim on a pseudo-terminal linked as COM1.

bool loggedStartingWith(const std::vector<std::string>& lines, const std::string& start) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.starts_with(start); });
}

TEST(InstallSerial, APackageOnCom1IsFoundByTheScanAndCopiedByZModemAtEightBitsAndKermitAtSeven) {
    for (int dataBits : {8, 7}) {
        SCOPED_TRACE(dataBits);
        auto profile = PrinterSim::Profile::forVersion("8.10");
        profile.dataBits = dataBits;
        InstallBench bench(InstallBench::OnCom1{}, profile);
        const std::string data = pattern(3000);
        bench.writePackage({{"a.bin", "c:/a.bin", data}});
        auto error = bench.run();
        ASSERT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();
        EXPECT_EQ(bench.callback->calls,
                  (std::vector<std::string>{"UpdateStart Com1", "UpdateFinshed Com1"}));
        EXPECT_TRUE(std::all_of(bench.callback->printers.begin(), bench.callback->printers.end(),
                                [](const std::string& p) { return p == "Com1"; }));
        const auto lines = bench.logLines();
        EXPECT_TRUE(
            inOrder(lines, {"Create serial connection", "Run Serial AutoConnect", "Connect to printer",
                            "File upload: c:/a.bin", "Reboot sent", "Finalizing update"}));
        // Found by the scan: no break and no question.
        EXPECT_FALSE(loggedStartingWith(lines, "Setting connection parameters to "));
        EXPECT_EQ(bench.request->serialQuestions, 0);
        EXPECT_EQ(bench.sim.files().value("c:a.bin").toStdString(), data);
        const QByteArray transfer = dataBits == 8 ? "TRANSFER Z" : "TRANSFER K";
        const QList<QByteArray> received = bench.sim.receivedLines();
        EXPECT_TRUE(std::any_of(received.begin(), received.end(),
                                [&](const QByteArray& line) { return line.contains(transfer); }));
    }
}

TEST(InstallSerial, APrinterRunningAProgramIsBrokenWithThePackagesSettingsAndTokens) {
    InstallBench bench(InstallBench::OnCom1{}, PrinterSim::Profile::forVersion("8.10"), needsBreak());
    bench.sim.recordInput(true);
    // The first settings are not the printer's: its break is not heard there.
    bench.package->SerialConnectStrings()->Add("")->setConnectstring("19200,1,8,1");
    bench.package->SerialConnectStrings()->Add("")->setConnectstring("9600,1,8,1");
    bench.package->BreakStrings()->Add("")->setBreakString("<CR>");
    bench.package->BreakStrings()->Add("")->setBreakString("<ESC>.");
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
    auto error = bench.run();
    ASSERT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();
    EXPECT_TRUE(bench.sim.receivedBytes().contains("\x1b."));
    EXPECT_FALSE(bench.sim.receivedBytes().contains("<ESC>"));
    EXPECT_EQ(bench.request->serialQuestions, 0);
    const auto lines = bench.logLines();
    EXPECT_TRUE(loggedStartingWith(lines, "Setting connection parameters to "));
    EXPECT_TRUE(inOrder(lines, {"Run Serial AutoConnect", "Connect to printer", "Finalizing update"}));
    EXPECT_TRUE(bench.sim.files().contains("c:a.txt"));
}

TEST(InstallSerial, OfThePackagesSettingsTheFirstThatIsAnsweredStaysAndNoLaterOneIsTried) {
    InstallBench bench(InstallBench::OnCom1{}, PrinterSim::Profile::forVersion("8.10"), needsBreak());
    // The printer's own settings come first; at the second its break and hello would not be heard.
    bench.package->SerialConnectStrings()->Add("")->setConnectstring("9600,1,8,1");
    bench.package->SerialConnectStrings()->Add("")->setConnectstring("19200,1,8,1");
    bench.package->BreakStrings()->Add("")->setBreakString("<ESC>.");
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
    auto error = bench.run();
    EXPECT_EQ(bench.request->serialQuestions, 0);
    ASSERT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();
    EXPECT_TRUE(inOrder(bench.logLines(),
                        {"Run Serial AutoConnect", "Setting connection parameters to SER:COM1:9600,N,8,1,0",
                         "Connect to printer", "File upload: c:/a.txt"}));
    EXPECT_TRUE(bench.sim.files().contains("c:a.txt"));
}

TEST(InstallSerial, TheUserIsAskedForSettingsAndABreakUntilOneWorksOrACancelFailsTheConnection) {
    {
        InstallBench bench(InstallBench::OnCom1{}, PrinterSim::Profile::forVersion("8.10"), needsBreak());
        bench.request->serialAnswers = {{9600, 8, 1, 1, "nothing"}, {9600, 8, 1, 1, "\x1b."}};
        bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
        auto error = bench.run();
        ASSERT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();
        EXPECT_EQ(bench.request->serialQuestions, 2);
        EXPECT_TRUE(bench.sim.files().contains("c:a.txt"));
    }
    {
        InstallBench bench(InstallBench::OnCom1{}, PrinterSim::Profile::forVersion("8.10"), needsBreak());
        bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
        EXPECT_TRUE(isError(bench.run(), 20001, "PrinterUpdater:UpdatePrinter:PrinterUpdater",
                            "Serial Autoconnect failed"));
        EXPECT_EQ(bench.request->serialQuestions, 1);
        EXPECT_TRUE(inOrder(bench.logLines(), {"Run Serial AutoConnect",
                                               "Printer updater error: Serial Autoconnect failed(20001)"}));
        EXPECT_FALSE(bench.sim.files().contains("c:a.txt"));
    }
}

TEST(InstallSerial, TheUsersStopBitsAndParityAreAppliedAsAnswered) {
    // Printers at two stop bits, one at mark parity, one without: at even
    // parity neither would understand the break.
    struct Case {
        const char* parity;
        int16_t answered;
        const char* line;
    };
    for (const Case& c : {Case{"MARK", Tethra::Parity_Mark, "SER:COM1:9600,M,8,2,0"},
                          Case{"NONE", Tethra::Parity_None, "SER:COM1:9600,N,8,2,0"}}) {
        SCOPED_TRACE(c.parity);
        auto profile = PrinterSim::Profile::forVersion("8.10");
        profile.parity = c.parity;
        profile.stopBits = 2;
        InstallBench bench(InstallBench::OnCom1{}, profile, needsBreak());
        bench.sim.recordInput(true);
        bench.request->serialAnswers = {{9600, 8, 2, c.answered, "\x1b."}};
        bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
        auto error = bench.run();
        // Heard at the first answer: the question is not asked again.
        EXPECT_EQ(bench.request->serialQuestions, 1);
        EXPECT_EQ(error.Number(), 0) << error.Source() << " " << error.Description();
        EXPECT_TRUE(bench.sim.receivedBytes().contains("\x1b."));
        EXPECT_TRUE(inOrder(bench.logLines(), {"Run Serial AutoConnect",
                                               std::string("Setting connection parameters to ") + c.line,
                                               "Connect to printer", "File upload: c:/a.txt"}));
        EXPECT_TRUE(bench.sim.files().contains("c:a.txt"));
    }
}

TEST(InstallSerial, TheBaseRequestClientCancelsTheSerialQuestionSoTheConnectionFails) {
    InstallBench bench(InstallBench::OnCom1{}, PrinterSim::Profile::forVersion("8.10"), needsBreak());
    auto base = Automation::New<BaseRequest>();
    bench.bag->setRequestClient(base);
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
    EXPECT_TRUE(isError(bench.run(), 20001, "PrinterUpdater:UpdatePrinter:PrinterUpdater",
                        "Serial Autoconnect failed"));
    EXPECT_EQ(base->questions, (std::vector<std::string>{"RequestForSerialBreakString"}));
}

} // namespace
