#pragma once
// The printer's shell: the programs that Rubric starts with RUN"...".
#include <QByteArray>
#include <QList>
#include <functional>

#include "Profile.h"

namespace PrinterSim {

class Shell {
public:
    using Output = std::function<void(const QByteArray&)>;

    Shell(const Profile& profile, QByteArray& user, Output output);

    // Runs one command line; an unknown program raises the interpreter's
    // "File not found", as Rubric looks for a program file of that name.
    void run(const QByteArray& commandLine);

    // The words of a command line: split at blanks, a backslash keeps the
    // character after it (so "a\ b" is one word).
    static QList<QByteArray> words(const QByteArray& commandLine);

private:
    void su(const QList<QByteArray>& args);
    void line(const QByteArray& text);

    const Profile& profile_;
    QByteArray& user_;
    Output output_;
};

} // namespace PrinterSim
