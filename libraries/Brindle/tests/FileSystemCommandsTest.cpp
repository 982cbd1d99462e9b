#include "Brindle/FileSystemCommands.h"

#include <gtest/gtest.h>
#include <map>

#include "ErrorNumber.h"

using namespace Brindle;

namespace {

RubricVersionNumber v(const char* text) {
    return RubricVersionNumber::FromText(text);
}
const std::string S = "Printer:GetFiles Method";

// Plays the printer: canned replies by command, and the commands in order.
struct Printer {
    std::map<std::string, std::string> replies;
    std::vector<std::string> sent;
    FileSystemCommands::Run run() {
        return [this](const std::string& command) {
            sent.push_back(command);
            return replies[command];
        };
    }
};

std::string getFiles(Printer& printer, const char* version, const char* path, bool recursive,
                     bool card = true) {
    return FileSystemCommands::GetFiles(
        v(version), path, recursive, [card] { return card; }, printer.run(), S);
}

} // namespace

TEST(FileSystemCommands, CommandsByVersion) {
    EXPECT_EQ(FileSystemCommands::KillDir("c:my dir", S), "RUN\"rm -R c:my\\ dir\r");
    EXPECT_EQ(FileSystemCommands::MakeDir("/c/a b", S), "RUN\"mkdir /c/a\\ b\r");
    EXPECT_EQ(FileSystemCommands::KillFile(v("10.00"), "c:a b", S), "RUN\"rm c:a\\ b\r");
    EXPECT_EQ(FileSystemCommands::KillFile(v("7.00"), "c:a b", S), "RUN\"rm c:a\\ b\r");
    EXPECT_EQ(FileSystemCommands::KillFile(v("6.50"), "/RAM/a b", S), "KILL\"ram:a b\r");
    EXPECT_EQ(FileSystemCommands::KillFile(v("6.10"), "c:a", S), std::nullopt);
    EXPECT_EQ(FileSystemCommands::CopyFile(v("8.00"), "/c/a b", "/c/d", S), "RUN\"cp /c/a\\ b /c/d\r");
    EXPECT_EQ(FileSystemCommands::CopyFile(v("7.50"), "/C/a b", "/tmp/d", S), "RUN\"cp c:a\\ b tmp:d\r");
    EXPECT_EQ(FileSystemCommands::CopyFile(v("6.14"), "/RAM/a b", "ram:d", S), "COPY \"ram:a b\",\"ram:d\r");
    EXPECT_EQ(FileSystemCommands::CopyFile(v("6.00"), "a", "b", S), std::nullopt);
    for (const char* bad : {"c:a\"b", "c:a\rRUN\"rm -R c:"}) {
        EXPECT_EQ(errorNumberOf([&] { FileSystemCommands::KillDir(bad, S); }), 101);
        EXPECT_EQ(errorNumberOf([&] { FileSystemCommands::KillFile(v("6.50"), bad, S); }), 101);
        EXPECT_EQ(errorNumberOf([&] { FileSystemCommands::CopyFile(v("8.00"), "c:a", bad, S); }), 101);
        EXPECT_EQ(errorNumberOf([&] { FileSystemCommands::RemoveImage("", bad, S); }), 101);
        Printer printer;
        EXPECT_EQ(errorNumberOf([&] { getFiles(printer, "8.00", bad, false); }), 101);
        EXPECT_TRUE(printer.sent.empty());
    }
}

TEST(FileSystemCommands, RemoveImageMatchesWholeEntries) {
    const std::string reply = "BIGLOGO.1  LOGO.1\r\nLOGO.10    X\r\n";
    EXPECT_EQ(FileSystemCommands::RemoveImage(reply, "LOGO.1", S), "REMOVE IMAGE\"LOGO.1\"\r");
    EXPECT_EQ(FileSystemCommands::RemoveImage(reply, "LOGO", S), "REMOVE IMAGE\"LOGO\"\r");
    EXPECT_EQ(FileSystemCommands::RemoveImage("A  A\r\nB", "A", S), "REMOVE IMAGE\"A\":REMOVE IMAGE\"A\"\r");
}

TEST(FileSystemCommands, GetFilesOnEveryFirmware) {
    Printer printer;
    printer.replies["RUN\"ll -a /c\r"] = "-rw 1 x\r\n";
    EXPECT_EQ(getFiles(printer, "8.00", "/c", false), "/c:\r\n-rw 1 x\r\n");
    printer.replies["RUN\"ll -a -R /my\\ dir\r"] = "tree";
    EXPECT_EQ(getFiles(printer, "10.00", "/my dir", true), "tree");

    EXPECT_EQ(getFiles(printer, "7.00", "/", false),
              "/:\r\n"
              "drwxrwxrwx   1 wheel     sys            0 Jan  1  1980 c:\r\n"
              "drwxrwxrwx   1 wheel     sys            0 Jan  1  1980 tmp:\r\n"
              "dr-xr-xr-x   1 wheel     sys            0 Jan  1  1980 rom:\r\n"
              "drwxrwxrwx   1 wheel     sys            0 Jan  1  1980 card1:\r\n");

    printer.sent.clear();
    printer.replies["RUN\"ll -a c:\r"] = "C";
    printer.replies["RUN\"ll -a tmp:\r"] = "T";
    printer.replies["RUN\"ll -a rom:\r"] = "-rwxrwxrwx R";
    EXPECT_EQ(getFiles(printer, "7.50", "/", true, false),
              "/:\r\n"
              "drwxrwxrwx   1 wheel     sys            0 Jan  1  1980 c:\r\n"
              "drwxrwxrwx   1 wheel     sys            0 Jan  1  1980 tmp:\r\n"
              "dr-xr-xr-x   1 wheel     sys            0 Jan  1  1980 rom:\r\n\r\n"
              "c::\r\n"
              "drwxrwxrwx   1 wheel     sys            0 Jan  1  1980 ./\r\n"
              "drwxr-xr-x   1 wheel     sys            0 Jan  1  1980 ../\r\nC\r\n"
              "tmp::\r\n"
              "drwxrwxrwx   1 wheel     sys            0 Jan  1  1980 ./\r\n"
              "drwxr-xr-x   1 wheel     sys            0 Jan  1  1980 ../\r\nT\r\n"
              "rom::\r\n"
              "dr-xr-xr-x   1 wheel     sys            0 Jan  1  1980 ./\r\n"
              "drwxr-xr-x   1 wheel     sys            0 Jan  1  1980 ../\r\n-r-xr-xr-x R\r\n");
    EXPECT_EQ(printer.sent,
              (std::vector<std::string>{"RUN\"ll -a c:\r", "RUN\"ll -a tmp:\r", "RUN\"ll -a rom:\r"}));

    printer.replies["RUN\"ll -a c:a\\ b\r"] = "E";
    EXPECT_EQ(getFiles(printer, "7.00", "/C/a b", false),
              "c:a b:\r\n"
              "drwxrwxrwx   1 wheel      sys              0 Jan  1  1980 ./\r\n"
              "drwxr-xr-x   1 wheel      sys              0 Jan  1  1980 ../\r\nE\r\n");

    printer.replies["FILES\"ram:x y\r"] = "Files on ram:\r\nA  1\r\n";
    EXPECT_EQ(getFiles(printer, "6.14", "/RAM/x y", false),
              "ram::\r\n-rwxrwxrwx   1 wheel     sys            1 Jan  1  1980 A\r\n");
    printer.replies["FILES \"ram:\r"] = "Files on ram:\r\nA  1\r\n";
    printer.replies["FILES \"rom:\r"] = "No files on rom:\r\n";
    EXPECT_EQ(getFiles(printer, "6.50", "/", true, false),
              "/:\r\n"
              "drwxrwxrwx   1 root     root            0 Jan  1  1980 ram:\r\n"
              "dr-xr-xr-x   1 root     root            0 Jan  1  1980 rom:\r\n\r\n"
              "ram::\r\n-rwxrwxrwx   1 wheel     sys            1 Jan  1  1980 A\r\n"
              "rom::\r\n");
    printer.sent.clear();
    EXPECT_EQ(getFiles(printer, "6.10", "/", true), "");
    EXPECT_TRUE(printer.sent.empty());
}
