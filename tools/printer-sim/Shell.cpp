#include "Shell.h"

#include "Failure.h"

namespace PrinterSim {

Shell::Shell(const Profile& profile, QByteArray& user, Output output)
    : profile_(profile), user_(user), output_(std::move(output)) {}

QList<QByteArray> Shell::words(const QByteArray& commandLine) {
    QList<QByteArray> result;
    QByteArray word;
    bool inWord = false;
    for (qsizetype i = 0; i < commandLine.size(); ++i) {
        const char c = commandLine[i];
        if (c == '\\' && i + 1 < commandLine.size()) {
            word += commandLine[++i];
            inWord = true;
        } else if (c == ' ' || c == '\t') {
            if (inWord)
                result.append(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        result.append(word);
    return result;
}

void Shell::line(const QByteArray& text) {
    output_(text + "\r\n");
}

void Shell::run(const QByteArray& commandLine) {
    const QList<QByteArray> args = words(commandLine);
    if (args.isEmpty())
        throw Failure(Failure::FileNotFound);
    const QByteArray& program = args.first();
    if (program == "whoami") {
        line(user_);
    } else if (program == "su") {
        su(args);
    } else if (program == "uname") {
        line("Linux " + profile_.model.toLower() + " 2.6.32-vantor " + profile_.versionText + " armv5tel");
    } else {
        throw Failure(Failure::FileNotFound);
    }
}

void Shell::su(const QList<QByteArray>& args) {
    QByteArray password;
    QByteArray name;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == "-p" && i + 1 < args.size())
            password = args[++i];
        else
            name = args[i];
    }
    const auto known = profile_.passwords.constFind(name);
    if (name.isEmpty() || known == profile_.passwords.constEnd() || known.value() != password) {
        line("su: incorrect password");
        return;
    }
    user_ = name;
}

} // namespace PrinterSim
