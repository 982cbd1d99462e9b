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

    Shell(const Profile& profile, QByteArray& user, FileSystem& files, SetupTree& setup, Output output);

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
    void meminfo();
    // Runs a file-system change; a refusal is printed as the program's message.
    bool attempt(const QByteArray& program, const QByteArray& path, const std::function<void()>& change);
    void line(const QByteArray& text);

    const Profile& profile_;
    QByteArray& user_;
    FileSystem& files_;
    SetupTree& setup_;
    Output output_;
};

} // namespace PrinterSim
