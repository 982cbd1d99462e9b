#pragma once
// The printer's shell: the programs that Rubric starts with RUN"...".
#include <QByteArray>
#include <QList>
#include <functional>

#include <optional>

#include "Fault.h"
#include "FileSystem.h"
#include "Profile.h"
#include "SetupTree.h"

namespace PrinterSim {

class Shell {
public:
    using Output = std::function<void(const QByteArray&)>;
    // Hands the next `count` raw input bytes to `done` (an empty `done` drops
    // them as they come, keeping none); a silence of more than idleSeconds
    // (0: no limit) ends the reading with "Timer Expired".
    using InputReader =
        std::function<void(qint64 count, int idleSeconds, std::function<void(const QByteArray&)> done)>;
    // A kernel that flakef stored, and the file it came from ("tmp:KERNEL.BIN").
    struct StoredKernel {
        QByteArray path;
        QByteArray data;
    };

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

    // Every kernel flakef stored, in order; a reboot keeps them.
    const QList<StoredKernel>& storedKernels() const { return storedKernels_; }
    // Where text for the console (the printer's display) goes.
    void setDisplay(Output display) { display_ = std::move(display); }
    // The faults that act on flakef, and how the reply of a program that runs
    // long is held back.
    void setFaults(std::function<std::optional<Fault>(Fault::Kind)> take) { takeFault_ = std::move(take); }
    void setReplyStaller(std::function<void(int ms)> stall) { stallReply_ = std::move(stall); }

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
    void flakef(const QByteArray& path);
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
    Output display_;
    std::function<std::optional<Fault>(Fault::Kind)> takeFault_;
    std::function<void(int ms)> stallReply_;
    QList<StoredKernel> storedKernels_;
};

} // namespace PrinterSim
