#pragma once
// An installation against the simulated printer: a package written to a
// folder of its own, recording clients, the engine with its log, and the
// settings store in a folder of the test's own.
#include <QByteArray>
#include <QString>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "Chunkery/FlashFile.h"
#include "Printer.h"
#include "Renova/ConfigBag.h"
#include "Renova/PrinterUpdater.h"
#include "ScopedEnvironment.h"
#include "Scrivel/KSDoc.h"
#include "TempFolder.h"
#include "automation/Error.h"

// Everything the engine tells its ICallback, one text per call.
class RecordingCallback : public Automation::Object, public Renova::ICallback {
public:
    void Progress(const std::string& Info, int32_t Progress, const std::string& sPrinter,
                  int32_t CurrentAction, bool& Cancel) override {
        printers.push_back(sPrinter);
        reports.push_back({CurrentAction, Progress, Info});
        events.push_back("Progress " + std::to_string(CurrentAction) + " " + std::to_string(Progress));
        if (cancelWhen && cancelWhen(CurrentAction, Info))
            Cancel = true;
    }
    void UpdateFinshed(const std::string& sPrinter) override { call("UpdateFinshed " + sPrinter); }
    void UpdateStart(const Automation::Ref<Renova::ActionList>& oActionList,
                     const std::string& sPrinter) override {
        call("UpdateStart " + sPrinter);
        for (const auto& item : *oActionList)
            announced.push_back(item->ID());
    }
    void Error(const std::string& sPrinter, int32_t CurrentAction, int32_t Error) override {
        call("Error " + sPrinter + " " + std::to_string(CurrentAction) + " " + std::to_string(Error));
    }

    // The actions of the reports, each run of one action once.
    std::vector<int32_t> actions() const {
        std::vector<int32_t> result;
        for (const auto& report : reports)
            if (result.empty() || result.back() != report.action)
                result.push_back(report.action);
        return result;
    }

    struct Report {
        int32_t action;
        int32_t percent;
        std::string info;
    };
    std::vector<Report> reports;
    std::vector<std::string> calls;
    // The calls and the reports ("Progress action percent") in the order they came.
    std::vector<std::string> events;
    std::vector<std::string> printers;
    std::vector<int32_t> announced;
    // Asked at every report: true sets Cancel.
    std::function<bool(int32_t action, const std::string& info)> cancelWhen;

private:
    void call(const std::string& text) {
        calls.push_back(text);
        events.push_back(text);
    }
};

// Answers the engine's questions from what the test put in, and keeps them.
class RecordingRequest : public Automation::Object, public Renova::IRequest {
public:
    void RequestForBreakString(const std::string&, std::string& sBreak, bool& Cancel) override {
        ++breakQuestions;
        if (breakAnswers.empty()) {
            Cancel = true;
            return;
        }
        sBreak = breakAnswers.front();
        breakAnswers.erase(breakAnswers.begin());
    }
    void RequestLogin(const std::string&, std::string& sUserName, std::string& sPassword, bool&,
                      bool& Cancel) override {
        ++loginQuestions;
        if (cancelLogin) {
            Cancel = true;
            return;
        }
        sUserName = userName;
        sPassword = password;
        if (!logins.empty()) {
            std::tie(sUserName, sPassword) = logins.front();
            logins.erase(logins.begin());
        }
    }
    void ReqNotMatch(const std::string& sText, bool& Cancel) override {
        mismatches.push_back(sText);
        Cancel = cancelAtMismatch;
    }

    std::vector<std::string> breakAnswers;
    int breakQuestions = 0;
    std::string userName = "admin";
    std::string password = "admin";
    // Answers before userName and password, one a question: user and password.
    std::vector<std::pair<std::string, std::string>> logins;
    bool cancelLogin = false;
    int loginQuestions = 0;
    std::vector<std::string> mismatches;
    bool cancelAtMismatch = false;

    struct SerialAnswer {
        int32_t baudrate;
        int16_t databits;
        int16_t stopbits;
        int16_t parity;
        std::string breakString;
    };
    void RequestForSerialBreakString(const std::string&, int32_t& Baudrate, int16_t& Databits,
                                     int16_t& Stopbits, int16_t& Parity, std::string& sBreakString,
                                     bool& Cancel) override {
        ++serialQuestions;
        if (serialAnswers.empty()) {
            Cancel = true;
            return;
        }
        const SerialAnswer answer = serialAnswers.front();
        serialAnswers.erase(serialAnswers.begin());
        Baudrate = answer.baudrate;
        Databits = answer.databits;
        Stopbits = answer.stopbits;
        Parity = answer.parity;
        sBreakString = answer.breakString;
    }
    std::vector<SerialAnswer> serialAnswers;
    int serialQuestions = 0;
};

struct PackageFile {
    std::string title;
    std::string destination;
    std::string data;
};

struct InstallBench {
    // A network printer; with an HTTP port, its print server's break goes there.
    explicit InstallBench(const PrinterSim::Profile& profile = PrinterSim::Profile::forVersion("8.10"),
                          const PrinterSim::FaultPlan& faults = {}, const QString& address = "127.0.0.41",
                          quint16 httpPort = 0)
        : environment(
              variables(httpPort ? ScopedEnvironment::Values{{"KESTRUP_HTTP_PORT", std::to_string(httpPort)}}
                                 : ScopedEnvironment::Values{})),
          sim(profile, faults) {
        prepare();
        EXPECT_TRUE(sim.listen(address)) << sim.errorString().toStdString();
        bag->setTargetPrinter(bag->CreateNetworkPrinter(address.toStdString(), sim.port()));
    }
    // The printer on a pseudo-terminal linked as COM1, the target "Com1".
    struct OnCom1 {};
    InstallBench(OnCom1, const PrinterSim::Profile& profile, const PrinterSim::FaultPlan& faults = {})
        : environment(variables({{"KESTRUP_COM_DIR", comDir.path()}})), sim(profile, faults) {
        prepare();
        EXPECT_TRUE(sim.openSerial(QString::fromStdString(comDir / "COM1")))
            << sim.errorString().toStdString();
        bag->setTargetPrinter(bag->CreateSerialPrinter(1));
    }
    // What every job reads from the environment, and what the printer's link
    // needs: set before the simulated printer's thread starts.
    ScopedEnvironment::Values variables(ScopedEnvironment::Values link) const {
        link.insert(link.begin(), {{"XDG_CONFIG_HOME", config.path()}, {"TMPDIR", temporary.path()}});
        return link;
    }
    void prepare() {
        engine->Log()->setLogFilePath(folder / "KS_LOG.TXT");
        bag->setCallbackClient(callback);
        bag->setRequestClient(request);
    }
    // Whether the job left no temporary file behind.
    bool noTemporaryFiles() const { return std::filesystem::is_empty(temporary.path()); }

    // Writes the document and its UFF file (with these files and, when
    // given, a kernel) and makes it the job.
    void writePackage(const std::vector<PackageFile>& files, const std::string& kernel = {}) {
        auto flash = Automation::New<Chunkery::FlashFile>();
        if (!kernel.empty())
            flash->AddResource(kernel, "", true);
        for (const auto& file : files) {
            flash->AddResource(file.data, file.title, true, "c:");
            auto entry = package->PrinterFiles()->Add();
            entry->setFileTitle(file.title);
            entry->setDestinationPath(file.destination);
        }
        if (package->UffFilePath().empty())
            package->setUffFilePath("package.uff");
        flash->FlashWrite(folder / "package.uff");
        bag->setInstallationType(Renova::IT_Package);
        bag->setSourcePath(folder.write("package.rbi", package->WriteXML()));
    }

    // Runs the job; the error it raised, or one numbered 0.
    Automation::Error run() {
        try {
            engine->UpdatePrinter(bag);
        } catch (const Automation::Error& error) {
            return error;
        }
        return Automation::Error(0, {}, {});
    }

    // The log's line records, without the date and time, in order.
    std::vector<std::string> logLines() const {
        std::vector<std::string> lines;
        std::string text = TempFolder::read(folder / "KS_LOG.TXT");
        size_t at = 0;
        while (at < text.size()) {
            size_t end = text.find("\r\n", at);
            // Without date and time a line record is a tab and its text.
            std::string line = text.substr(at, end - at);
            lines.push_back(line.rfind('\t', 0) == 0 ? line.substr(1) : line);
            at = end + 2;
        }
        return lines;
    }
    bool logged(const std::string& line) const {
        auto lines = logLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    TempFolder config;
    TempFolder temporary;
    TempFolder folder;
    TempFolder comDir;
    // Given back once the simulated printer's thread has ended.
    ScopedEnvironment environment;
    PrinterSim::Printer sim;
    Automation::Ref<Scrivel::KSDoc> package = Automation::New<Scrivel::KSDoc>();
    Automation::Ref<RecordingCallback> callback = Automation::New<RecordingCallback>();
    Automation::Ref<RecordingRequest> request = Automation::New<RecordingRequest>();
    Automation::Ref<Renova::ConfigBag> bag = Automation::New<Renova::ConfigBag>();
    Automation::Ref<Renova::PrinterUpdater> engine = Automation::New<Renova::PrinterUpdater>();
};
