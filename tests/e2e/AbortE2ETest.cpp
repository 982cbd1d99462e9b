// The user's abort, given through the engine's callback as a client that
// hands it over once: the job stops at its next cancel point, whatever
// operation the report that carried it came from.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <algorithm>

#include "Flashmount/tests/FlashBench.h"
#include "HttpCapture.h"
#include "InstallBench.h"
#include "Scrivel/Enums.h"

namespace {

// A client whose Cancel says true on one report only, and false on every
// other, whatever the engine passed in.
class OnceCancelling : public RecordingCallback {
public:
    void Progress(const std::string& Info, int32_t Progress, const std::string& sPrinter,
                  int32_t CurrentAction, bool& Cancel) override {
        RecordingCallback::Progress(Info, Progress, sPrinter, CurrentAction, Cancel);
        Cancel = !given && (pressed || (cancelWhen && cancelWhen(CurrentAction, Info)));
        if (Cancel)
            carrier = reports.back();
        given = given || Cancel;
        pressed = pressed || (pressAfter && pressAfter(CurrentAction, Info));
    }
    bool given = false;
    // The report that carried the abort.
    Report carrier{};
    // True when the user presses Abort after this report was answered: the
    // next report carries it.
    std::function<bool(int32_t action, const std::string& info)> pressAfter;

private:
    bool pressed = false;
};

PrinterSim::FaultPlan faultPlan(const char* name) {
    return PrinterSim::FaultPlan({*PrinterSim::Fault::parse(name)});
}

struct AbortBench : InstallBench {
    explicit AbortBench(const QString& address, const PrinterSim::FaultPlan& faults = {},
                        const PrinterSim::Profile& profile = PrinterSim::Profile::forVersion("8.10"),
                        quint16 httpPort = 0)
        : InstallBench(profile, faults, address, httpPort) {
        useOnce();
    }
    AbortBench(OnCom1 com1, const PrinterSim::FaultPlan& faults)
        : InstallBench(com1, PrinterSim::Profile::forVersion("8.10"), faults) {
        useOnce();
    }
    void useOnce() {
        callback = once;
        bag->setCallbackClient(once);
    }
    bool received(const char* text) const {
        const auto lines = sim.receivedLines();
        return std::any_of(lines.begin(), lines.end(),
                           [&](const QByteArray& line) { return line.contains(text); });
    }
    Automation::Ref<OnceCancelling> once = Automation::New<OnceCancelling>();
};

int reportsOf(const RecordingCallback& client, int32_t action) {
    return static_cast<int>(std::count_if(client.reports.begin(), client.reports.end(),
                                          [&](const auto& report) { return report.action == action; }));
}

} // namespace

TEST(InstallAbort, AnAbortOnAStepsOwnReportStopsTheJobBeforeItsNextStep) {
    AbortBench bench("127.0.0.57");
    bench.once->cancelWhen = [](int32_t action, const std::string&) { return action == Renova::AI_ReqCheck; };
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
    auto error = bench.run();
    EXPECT_EQ(error.Number(), 113);
    EXPECT_TRUE(bench.once->given);
    // Nothing after the requirements reached the printer.
    EXPECT_FALSE(bench.logged("File upload"));
    EXPECT_FALSE(bench.received("cat -S"));
    EXPECT_FALSE(bench.sim.files().contains("c:a.txt"));
    EXPECT_EQ(bench.logLines().back(), "Printer updater error: " + error.Description() + "(113)");
    // Only an aborted upload is reported as an error of its own.
    EXPECT_TRUE(std::none_of(bench.once->calls.begin(), bench.once->calls.end(),
                             [](const std::string& call) { return call.rfind("Error", 0) == 0; }));
}

TEST(InstallAbort, AnAbortHandedToAnOperationThatHasEndedStopsTheJobAfterIt) {
    // A file this small is sent before its upload reports: the report that
    // carries the abort is the upload's last, when nothing is left to stop.
    AbortBench bench("127.0.0.58");
    bench.once->cancelWhen = [](int32_t action, const std::string& info) {
        return action == Renova::AI_CopyingFiles && !info.empty();
    };
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
    auto error = bench.run();
    EXPECT_EQ(error.Number(), 113);
    EXPECT_TRUE(bench.once->given);
    EXPECT_TRUE(bench.sim.files().contains("c:a.txt"));
    EXPECT_FALSE(bench.logged("Reboot sent"));
    EXPECT_FALSE(bench.logged("Finalizing update"));
    EXPECT_FALSE(bench.sim.rebooting());
    EXPECT_TRUE(bench.noTemporaryFiles());
}

TEST(InstallAbort, AnAbortTheClientHoldsIsActedOnBeforeTheLoginIsAsked) {
    // The client learns of the abort between two reports (while the printer
    // is asked whether its user may upgrade); the first report of the login
    // step, or the one the engine makes before asking, carries it.
    for (int carrying : {1, 2}) {
        SCOPED_TRACE(carrying);
        AbortBench bench("127.0.0.59");
        // Asked twice a report; the report is recorded before either.
        bench.once->cancelWhen = [&](int32_t action, const std::string&) {
            return action == Renova::AI_SettingUser && reportsOf(*bench.once, action) == carrying;
        };
        bench.package->setFirmwareVersion("8.20");
        bench.writePackage({{"a.txt", "c:/a.txt", "A"}}, FlashTesting::kernelImage("Rubric 8.20", 20000));
        auto error = bench.run();
        EXPECT_EQ(error.Number(), 113);
        EXPECT_EQ(bench.request->loginQuestions, 0);
        EXPECT_FALSE(bench.logged("Requested Login"));
        EXPECT_FALSE(bench.logged("Change user to: admin"));
        EXPECT_TRUE(bench.sim.storedKernels().isEmpty());
    }
}

TEST(InstallAbort, AnAbortTheClientHoldsIsActedOnBeforeTheBreakStringIsAsked) {
    AbortBench bench("127.0.0.60", faultPlan("hello-needs-break"));
    bench.once->cancelWhen = [&](int32_t action, const std::string&) {
        return action == Renova::AI_Connecting && reportsOf(*bench.once, action) == 2;
    };
    bench.request->breakAnswers = {"\x1b."};
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
    auto error = bench.run();
    EXPECT_EQ(error.Number(), 113);
    EXPECT_EQ(bench.request->breakQuestions, 0);
    EXPECT_FALSE(bench.logged("Request break string"));
}

TEST(InstallAbort, AnAbortTheClientHoldsIsActedOnBeforeARequirementIsAsked) {
    AbortBench bench("127.0.0.62");
    bench.once->cancelWhen = [&](int32_t action, const std::string&) {
        return action == Renova::AI_ReqCheck && reportsOf(*bench.once, action) == 2;
    };
    // A model the printer is not.
    bench.package->setPrintermodels(Scrivel::PM_Sileq);
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
    auto error = bench.run();
    EXPECT_EQ(error.Number(), 113);
    EXPECT_TRUE(bench.request->mismatches.empty());
    EXPECT_FALSE(bench.sim.files().contains("c:a.txt"));
}

TEST(InstallAbort, AnAbortDuringTheFlashLetsItFinishAndTheJobEndsUpdated) {
    // The flash cannot be stopped safely: the printer ends updated, and the
    // client, which knows of its abort, starts no further printer.
    for (const char* task : {"Uploading Firmware", "Storing Firmware"}) {
        SCOPED_TRACE(task);
        AbortBench bench("127.0.0.61");
        bench.once->cancelWhen = [task](int32_t action, const std::string& info) {
            return action == Renova::AI_UpdatingFirmware && info == task;
        };
        bench.package->setFirmwareVersion("8.20");
        const std::string kernel = FlashTesting::kernelImage("Rubric 8.20", 20000);
        bench.writePackage({{"a.txt", "c:/a.txt", "A"}}, kernel);
        auto error = bench.run();
        EXPECT_EQ(error.Number(), 0) << error.Description();
        EXPECT_TRUE(bench.once->given);
        ASSERT_EQ(bench.sim.storedKernels().size(), 1);
        EXPECT_EQ(bench.sim.storedKernels()[0].data.toStdString(), kernel);
        EXPECT_TRUE(bench.logged("Firmware update finished"));
        EXPECT_TRUE(bench.logged("Finalizing update"));
        // The new kernel was started.
        EXPECT_TRUE(bench.received("REBOOT"));
        EXPECT_EQ(bench.once->calls.back(), "UpdateFinshed 127.0.0.61");
    }
}

TEST(InstallAbort, AnAbortWhileThePrinterIsFirstAskedIsHeardThereAndNoBreakGoesOut) {
    // A warehouse printer answers only after a break string, and a break
    // stops the program it runs: an abort before it must leave it running.
    HttpCapture server("127.0.0.65");
    ASSERT_TRUE(server.listening());
    AbortBench bench("127.0.0.65", faultPlan("hello-needs-break"), PrinterSim::Profile::forVersion("8.10"),
                     server.port());
    bench.sim.recordInput(true);
    bench.package->BreakStrings()->Add("")->setBreakString("<ESC>.<CR>");
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
    // The user presses Abort as the printer is first asked whether it answers.
    QElapsedTimer connecting;
    bench.once->cancelWhen = [&](int32_t action, const std::string&) {
        if (action != Renova::AI_Connecting)
            return false;
        if (!connecting.isValid())
            connecting.start();
        return connecting.elapsed() >= 300;
    };
    auto error = bench.run();
    EXPECT_EQ(error.Number(), 113);
    // The question's own wait reports, so it hears the abort before it ends.
    EXPECT_EQ(bench.once->carrier.action, Renova::AI_Connecting);
    EXPECT_EQ(bench.once->carrier.info, "Waiting for response");
    EXPECT_LT(bench.once->carrier.percent, 100);
    for (const auto& line : bench.logLines())
        EXPECT_FALSE(line.starts_with("Sending break string")) << line;
    EXPECT_FALSE(bench.sim.receivedBytes().contains("\x1b."));
    EXPECT_EQ(server.connections(), 0);
    EXPECT_EQ(bench.request->breakQuestions, 0);
}

TEST(InstallAbort, OnASerialLineAnAbortAfterTheScanIsActedOnBeforeThePackagesBreakString) {
    AbortBench bench(InstallBench::OnCom1{}, faultPlan("hello-needs-break"));
    bench.sim.recordInput(true);
    bench.package->SerialConnectStrings()->Add("")->setConnectstring("9600,1,8,1");
    bench.package->BreakStrings()->Add("")->setBreakString("<ESC>.");
    bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
    // Pressed once the scan has reported its end without an answer.
    bench.once->pressAfter = [](int32_t action, const std::string& info) {
        return action == Renova::AI_Connecting && info == " ";
    };
    auto error = bench.run();
    EXPECT_EQ(error.Number(), 113);
    EXPECT_TRUE(bench.once->given);
    EXPECT_FALSE(bench.sim.receivedBytes().contains("\x1b."));
    EXPECT_EQ(bench.request->serialQuestions, 0);
}

TEST(InstallAbort, AnAbortBeforeTheFlashStepStopsTheJobBeforeThePrinterIsAskedAboutItsUser) {
    // The printer's user may upgrade, so no login is asked and only the
    // step's own cancel point stands between an abort and the flash.
    auto profile = PrinterSim::Profile::forVersion("8.10");
    profile.upgradeUsers = "admin,user,supervisor";
    for (bool firmwareJob : {false, true}) {
        SCOPED_TRACE(firmwareJob);
        AbortBench bench("127.0.0.63", {}, profile);
        // During the version check, the flash step's own one in a package.
        bench.once->cancelWhen = [&](int32_t action, const std::string&) {
            return action == Renova::AI_VersionCheck &&
                   (firmwareJob || reportsOf(*bench.once, Renova::AI_CopyingFiles) > 0);
        };
        const std::string kernel = FlashTesting::kernelImage("Rubric 8.20", 20000);
        if (firmwareJob) {
            bench.bag->setInstallationType(Renova::IT_Firmware);
            bench.bag->setSourcePath(bench.folder.write("kernel.bin", kernel));
        } else {
            bench.package->setFirmwareVersion("8.20");
            bench.writePackage({{"a.txt", "c:/a.txt", "A"}}, kernel);
        }
        auto error = bench.run();
        EXPECT_EQ(error.Number(), 113);
        EXPECT_TRUE(bench.once->given);
        EXPECT_TRUE(bench.sim.storedKernels().isEmpty());
        EXPECT_FALSE(bench.received("restr -a upgrade"));
        EXPECT_FALSE(bench.logged("Start firmware update to Rubric 8.20"));
        EXPECT_EQ(reportsOf(*bench.once, Renova::AI_UpdatingFirmware), 0);
        EXPECT_FALSE(bench.received("REBOOT"));
    }
}

TEST(InstallAbort, AnAbortAsAnUploadStartsEndsItNoLaterThanTheUploadWouldHaveAndSendsNothing) {
    // Every reply of this printer comes 0.6 s late.
    const std::string program = "10 PRINT \"HELLO\"\r\n20 PRINT \"WORLD\"\r\n30 END\r\n\r\n\r\n";
    ASSERT_EQ(program.size(), 48u);
    // The upload undisturbed, from its first report to its last.
    int64_t undisturbed = 0;
    {
        InstallBench bench(PrinterSim::Profile::forVersion("8.10"), faultPlan("delayed-reply@600"),
                           "127.0.0.66");
        QElapsedTimer clock;
        clock.start();
        int64_t first = -1;
        bench.callback->cancelWhen = [&](int32_t action, const std::string&) {
            if (action == Renova::AI_CopyingFiles) {
                first = first < 0 ? clock.elapsed() : first;
                undisturbed = clock.elapsed() - first;
            }
            return false;
        };
        bench.writePackage({{"HELLO.PRG", "c:/HELLO.PRG", program}});
        ASSERT_EQ(bench.run().Number(), 0);
        ASSERT_EQ(bench.sim.files().value("c:HELLO.PRG").toStdString(), program);
    }
    AbortBench bench("127.0.0.66", faultPlan("delayed-reply@600"));
    QElapsedTimer pressed;
    bench.once->cancelWhen = [&](int32_t action, const std::string&) {
        if (action != Renova::AI_CopyingFiles)
            return false;
        if (!pressed.isValid())
            pressed.start();
        return true;
    };
    bench.writePackage({{"HELLO.PRG", "c:/HELLO.PRG", program}});
    auto error = bench.run();
    const int64_t took = pressed.elapsed();
    EXPECT_EQ(error.Number(), 113);
    // Room for a busy machine; waiting out the printer's time-outs would
    // cost seven seconds.
    EXPECT_LT(took, undisturbed + 3000);
    // The abort came before the printer's cat was started: nothing of the file went out.
    EXPECT_FALSE(bench.received("cat -S"));
    EXPECT_FALSE(bench.sim.files().contains("c:HELLO.PRG"));
    EXPECT_EQ(std::count(bench.once->calls.begin(), bench.once->calls.end(), "Error 127.0.0.66 9 113"), 1);
}

TEST(InstallAbort, AnAbortAsAnUploadStartsLeavesTheFileItWouldHaveReplaced) {
    const std::string program = "10 PRINT \"HELLO\"\r\n20 END\r\n";
    AbortBench bench("127.0.0.67", faultPlan("delayed-reply@600"));
    ASSERT_TRUE(bench.sim.putFile("c:HELLO.PRG", "10 PRINT \"OLD\"\r\n"));
    bench.once->cancelWhen = [](int32_t action, const std::string&) {
        return action == Renova::AI_CopyingFiles;
    };
    bench.writePackage({{"HELLO.PRG", "c:/HELLO.PRG", program}});
    EXPECT_EQ(bench.run().Number(), 113);
    EXPECT_EQ(bench.sim.files().value("c:HELLO.PRG").toStdString(), "10 PRINT \"OLD\"\r\n");
    EXPECT_FALSE(bench.received("rm c:"));
}

namespace {

// Keeps, at each question for a break string, the client's last two reports.
class ReportsAtQuestions : public RecordingRequest {
public:
    explicit ReportsAtQuestions(const RecordingCallback& client) : client_(client) {}
    void RequestForBreakString(const std::string& sPrinter, std::string& sBreak, bool& Cancel) override {
        keep();
        RecordingRequest::RequestForBreakString(sPrinter, sBreak, Cancel);
    }
    void RequestForSerialBreakString(const std::string& sPrinter, int32_t& Baudrate, int16_t& Databits,
                                     int16_t& Stopbits, int16_t& Parity, std::string& sBreakString,
                                     bool& Cancel) override {
        keep();
        RecordingRequest::RequestForSerialBreakString(sPrinter, Baudrate, Databits, Stopbits, Parity,
                                                      sBreakString, Cancel);
    }
    std::vector<std::pair<RecordingCallback::Report, RecordingCallback::Report>> seen;

private:
    void keep() {
        const auto& reports = client_.reports;
        ASSERT_GE(reports.size(), 2u);
        seen.emplace_back(reports[reports.size() - 2], reports.back());
    }
    const RecordingCallback& client_;
};

void expectRepeated(const std::pair<RecordingCallback::Report, RecordingCallback::Report>& last) {
    const auto& [before, repeated] = last;
    // A report with a text and a share done tells the repeat from a fresh 0.
    ASSERT_FALSE(before.info.empty());
    ASSERT_GT(before.percent, 0);
    EXPECT_EQ(repeated.action, before.action);
    EXPECT_EQ(repeated.percent, before.percent);
    EXPECT_EQ(repeated.info, before.info);
}

} // namespace

TEST(InstallAbort, TheReportThatCollectsAnAbortBeforeAQuestionRepeatsTheStepsLastOne) {
    // The progress row must not fall back while the user is asked: after
    // the wait for an answer on the network, after the scan on a serial line.
    {
        InstallBench bench(PrinterSim::Profile::forVersion("8.10"), faultPlan("hello-needs-break"),
                           "127.0.0.64");
        auto asking = Automation::New<ReportsAtQuestions>(*bench.callback);
        asking->breakAnswers = {"\x1b."};
        bench.bag->setRequestClient(asking);
        bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
        ASSERT_EQ(bench.run().Number(), 0);
        ASSERT_EQ(asking->seen.size(), 1u);
        expectRepeated(asking->seen[0]);
    }
    {
        InstallBench bench(InstallBench::OnCom1{}, PrinterSim::Profile::forVersion("8.10"),
                           faultPlan("hello-needs-break"));
        auto asking = Automation::New<ReportsAtQuestions>(*bench.callback);
        asking->serialAnswers = {{9600, 8, 1, 1, "\x1b."}};
        bench.bag->setRequestClient(asking);
        bench.writePackage({{"a.txt", "c:/a.txt", "A"}});
        ASSERT_EQ(bench.run().Number(), 0);
        ASSERT_EQ(asking->seen.size(), 1u);
        expectRepeated(asking->seen[0]);
    }
}
