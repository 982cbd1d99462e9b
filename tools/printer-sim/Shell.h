#pragma once
// The printer's shell: the programs that Rubric starts with RUN"...".
#include <QByteArray>
#include <QList>
#include <functional>

#include "FileSystem.h"
#include "Profile.h"
#include "SetupTree.h"

namespace PrinterSim {

class Shell {
public:
    using Output = std::function<void(const QByteArray&)>;
    // Hands the next `count` raw input bytes to `done`; a silence of more than
    // idleSeconds (0: no limit) ends the reading with "Timer Expired".
    using InputReader =
        std::function<void(qint64 count, int idleSeconds, std::function<void(const QByteArray&)> done)>;

    Shell(const Profile& profile, QByteArray& user, FileSystem& files, SetupTree& setup, Output output,
          InputReader readInput, QByteArray channelName);

    // Runs one command line; an unknown program raises the interpreter's
    // "File not found", as Rubric looks for a program file of that name.
    void run(const QByteArray& commandLine);

    // One line of a long listing: mode, links, owner, group, the size in 12
    // columns (so that it starts at column 30), date and name.
    static QByteArray listingLine(const FileSystem::Entry& entry, bool readOnly);

    // The words of a command line: split at blanks, a backslash keeps the
    // character after it (so "a\ b" is one word).
    static QList<QByteArray> words(const QByteArray& commandLine);

private:
    void su(const QList<QByteArray>& args);
    void ll(const QList<QByteArray>& args);
    void listDirectory(const QByteArray& path, bool recursive, bool header);
    void df(const QList<QByteArray>& args);
    void rm(const QList<QByteArray>& args);
    void cp(const QList<QByteArray>& args);
    void mkdir(const QList<QByteArray>& args);
    void partinfo();
    void cat(const QList<QByteArray>& args);
    void meminfo();
    // Runs a file-system change; a refusal is printed as the program's message.
    bool attempt(const QByteArray& program, const QByteArray& path, const std::function<void()>& change);
    void line(const QByteArray& text);

    const Profile& profile_;
    QByteArray& user_;
    FileSystem& files_;
    SetupTree& setup_;
    Output output_;
    InputReader readInput_;
    QByteArray channelName_;
    QByteArray* display_ = nullptr;

public:
    // Where "cat -N > console:" leaves its text.
    void setDisplay(QByteArray* display) { display_ = display; }
};

} // namespace PrinterSim
