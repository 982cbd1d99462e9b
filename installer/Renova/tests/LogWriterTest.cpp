// The installation log's records and the error carrier of the engine's handlers.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ErrorNumber.h"
#include "Renova/ErrObj.h"
#include "Renova/LogWriter.h"
#include "TempFolder.h"

namespace Renova {
namespace {

// The CR LF lines of a log text, each cut at its tabs.
std::vector<std::vector<std::string>> split(const std::string& text) {
    std::vector<std::vector<std::string>> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos)
            end = text.size();
        std::vector<std::string> fields(1);
        for (size_t i = at; i < end; ++i) {
            if (text[i] == '\t')
                fields.emplace_back();
            else
                fields.back() += text[i];
        }
        lines.push_back(fields);
        at = end + 2;
    }
    return lines;
}

bool hasDigit(const std::string& text) {
    return text.find_first_of("0123456789") != std::string::npos;
}

TEST(LogWriter, RecordsCarryTheTabBeforeTheTextAndAHeaderItsLineOfAsterisks) {
    TempFolder folder;
    auto log = Automation::New<LogWriter>();
    log->setLogFilePath(folder / "KS_LOG.TXT");
    log->WriteHeader("127.0.0.5");
    log->WriteLine("Load Rbi File");
    log->setAutoTime(true);
    log->WriteLine("timed");
    log->setAutoDate(true);
    log->WriteLine("dated");

    std::string text = TempFolder::read(folder / "KS_LOG.TXT");
    const std::string plain = "************\r\n\t127.0.0.5\r\n\tLoad Rbi File\r\n";
    ASSERT_EQ(text.substr(0, plain.size()), plain);
    // Only the time: a tab, the time, a tab, the text; with the date in front of that.
    auto fields = split(text.substr(plain.size()));
    ASSERT_EQ(fields.size(), 2u);
    ASSERT_EQ(fields[0].size(), 3u);
    EXPECT_EQ(fields[0][0], "");
    EXPECT_TRUE(hasDigit(fields[0][1]));
    EXPECT_EQ(fields[0][2], "timed");
    ASSERT_EQ(fields[1].size(), 3u);
    EXPECT_TRUE(hasDigit(fields[1][0]));
    EXPECT_TRUE(hasDigit(fields[1][1]));
    EXPECT_EQ(fields[1][2], "dated");
}

TEST(LogWriter, OverwriteReplacesTheFileForOneRecordAndReadingItClearsIt) {
    TempFolder folder;
    std::string path = folder.write("KS_LOG.TXT", "\told run\r\n");
    auto log = Automation::New<LogWriter>();
    log->setLogFilePath(path);
    log->setOverwrite(true);
    log->WriteLine("first");
    log->WriteLine("second");
    EXPECT_EQ(TempFolder::read(path), "\tfirst\r\n\tsecond\r\n");

    log->setOverwrite(true);
    EXPECT_TRUE(log->Overwrite());
    EXPECT_FALSE(log->Overwrite());
    log->WriteLine("third");
    EXPECT_EQ(TempFolder::read(path), "\tfirst\r\n\tsecond\r\n\tthird\r\n");

    std::filesystem::remove(path);
    log->setOverwrite(true);
    log->WriteLine("new");
    EXPECT_EQ(TempFolder::read(path), "\tnew\r\n");
}

TEST(LogWriter, AnUnusablePathFailsWithAFileErrorAndSpoilsNothing) {
    TempFolder folder;
    auto log = Automation::New<LogWriter>();
    EXPECT_EQ(errorNumberOf([&] { log->WriteLine("x"); }), 75);
    log->setLogFilePath(folder / "no-such-folder/KS_LOG.TXT");
    log->setOverwrite(true);
    auto error = raisedError([&] { log->WriteLine("x"); });
    EXPECT_EQ(error.Number(), 75);
    EXPECT_NE(error.Description().find("no-such-folder"), std::string::npos);
    log->setLogFilePath(folder / "KS_LOG.TXT");
    log->WriteLine("y");
    EXPECT_EQ(TempFolder::read(folder / "KS_LOG.TXT"), "\ty\r\n");
}

TEST(ErrObj, PutsTheHandlersSourceInFrontAndRaisesTheSameError) {
    Automation::Error inner(113, "Connection:Send method", "Transfer aborted");
    auto carrier = Automation::New<ErrObj>();
    carrier->LoadErrObj(inner, "PrinterUpdater:Reboot");
    EXPECT_EQ(carrier->Source(), "PrinterUpdater:Reboot:Connection:Send method");
    EXPECT_EQ(carrier->HelpContext(), "0");
    EXPECT_TRUE(isError(raisedError([&] { carrier->Raise(); }), 113,
                        "PrinterUpdater:Reboot:Connection:Send method", "Transfer aborted"));

    carrier->LoadErrObj(inner);
    EXPECT_EQ(carrier->Source(), ":Connection:Send method");
}

} // namespace
} // namespace Renova
