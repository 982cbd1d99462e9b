// The user's abort, given through the engine's callback as a client that
// hands it over once: the job stops at its next cancel point, whatever
// operation the report that carried it came from.
#include <gtest/gtest.h>

#include <algorithm>

#include "InstallBench.h"

namespace {

// A client whose Cancel says true on one report only, and false on every
// other, whatever the engine passed in.
class OnceCancelling : public RecordingCallback {
public:
    void Progress(const std::string& Info, int32_t Progress, const std::string& sPrinter,
                  int32_t CurrentAction, bool& Cancel) override {
        RecordingCallback::Progress(Info, Progress, sPrinter, CurrentAction, Cancel);
        Cancel = !given && cancelWhen && cancelWhen(CurrentAction, Info);
        given = given || Cancel;
    }
    bool given = false;
};

struct AbortBench : InstallBench {
    explicit AbortBench(const QString& address)
        : InstallBench(PrinterSim::Profile::forVersion("8.10"), {}, address) {
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
