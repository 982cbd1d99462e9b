#include "Shell.h"

#include <cctype>

#include "Failure.h"

namespace PrinterSim {

namespace {

// How long a slow flakef stores, unless its fault says.
constexpr int DefaultFlakefMs = 3000;

} // namespace

Shell::Shell(const Profile& profile, QByteArray& user, FileSystem& files, SetupTree& setup, Output output,
             InputReader readInput, QByteArray channelName)
    : profile_(profile), user_(user), files_(files), setup_(setup), output_(std::move(output)),
      readInput_(std::move(readInput)), channelName_(std::move(channelName)) {}

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
    } else if (program == "ll") {
        ll(args);
    } else if (program == "df") {
        df(args);
    } else if (program == "rm") {
        rm(args);
    } else if (program == "cp") {
        cp(args);
    } else if (program == "mkdir") {
        mkdir(args);
    } else if (program == "install") {
        attempt(program, args.value(1), [&] { files_.read(args.value(1)); });
    } else if (program == "flakef") {
        flakef(args.value(1));
    } else if (program == "restr") {
        line(profile_.upgradeUsers);
    } else if (program == "cat") {
        cat(args);
    } else if (program == "partinfo") {
        partinfo();
    } else if (program == "meminfo") {
        meminfo();
    } else if (program == "setup" && args.value(1) == "sw") {
        output_(setup_.dump("\r\n"));
    } else {
        throw Failure(Failure::FileNotFound);
    }
}

void Shell::flakef(const QByteArray& path) {
    QByteArray kernel;
    if (!attempt("flakef", path, [&] { kernel = files_.read(path); }))
        return;
    if (takeFault_ && takeFault_(Fault::FlakefFails))
        throw Failure(Failure::DeviceFull);
    if (const auto slow = takeFault_ ? takeFault_(Fault::SlowFlakef) : std::nullopt; slow && stallReply_)
        stallReply_(slow->param < 0 ? DefaultFlakefMs : slow->param);
    storedKernels_.append({files_.normalise(path), kernel});
    line("flakef: " + path + " stored");
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

namespace PrinterSim {

QByteArray Shell::listingLine(const FileSystem::Entry& entry, bool readOnly) {
    const QByteArray mode = QByteArray(entry.directory ? "d" : "-") + (readOnly ? "r-xr-xr-x" : "rwxrwxrwx");
    return mode + "   1 wheel     sys " + QByteArray::number(entry.size).rightJustified(12) +
           " Jan  1  1980 " + entry.name;
}

bool Shell::attempt(const QByteArray& program, const QByteArray& path, const std::function<void()>& change) {
    try {
        change();
        return true;
    } catch (const Failure& failure) {
        line(program + ": " + path + ": " + Failure::describe(failure.number()));
        return false;
    }
}

void Shell::ll(const QList<QByteArray>& args) {
    bool recursive = false;
    QByteArray path;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == "-R")
            recursive = true;
        else if (!args[i].startsWith('-'))
            path = args[i];
    }
    if (path.isEmpty() || path == "/") {
        for (const FileSystem::Device& d : files_.devices())
            line(listingLine({d.name, 0, true}, d.readOnly));
        return;
    }
    attempt("ll", path, [&] {
        if (!files_.isDirectory(path)) {
            const QByteArray n = files_.normalise(path);
            const QByteArray name = n.mid(qMax(n.lastIndexOf('/'), n.indexOf(':')) + 1);
            const FileSystem::Entry entry{name, files_.read(path).size(), false};
            line(listingLine(entry, files_.device(n.left(n.indexOf(':') + 1)).readOnly));
            return;
        }
        listDirectory(path, recursive, false);
    });
}

void Shell::listDirectory(const QByteArray& path, bool recursive, bool header) {
    const QByteArray n = files_.normalise(path);
    const bool readOnly = files_.device(n.left(n.indexOf(':') + 1)).readOnly;
    if (header)
        line("\r\n" + path + ":");
    const QList<FileSystem::Entry> entries = files_.list(path);
    for (const FileSystem::Entry& entry : entries)
        line(listingLine(entry, readOnly));
    if (!recursive)
        return;
    const QByteArray base = path.endsWith('/') || path.endsWith(':') ? path : path + "/";
    for (const FileSystem::Entry& entry : entries)
        if (entry.directory)
            listDirectory(base + entry.name.chopped(1), true, true);
}

void Shell::df(const QList<QByteArray>& args) {
    QList<FileSystem::Device> shown;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QByteArray name = args[i].endsWith(':') ? args[i] : args[i] + ":";
        if (!files_.hasDevice(name)) {
            line("df: " + args[i] + ": No such device");
            return;
        }
        shown.append(files_.device(name));
    }
    if (args.size() < 2)
        shown = files_.devices();
    line("Filesystem   1k-blocks      Used Available Use% Mounted on");
    for (const FileSystem::Device& d : shown) {
        const qint64 used = files_.used(d.name);
        const qint64 percent = d.capacity ? used * 100 / d.capacity : 0;
        line(d.name.leftJustified(12) + QByteArray::number(d.capacity / 1024).rightJustified(10) +
             QByteArray::number(used / 1024).rightJustified(10) +
             QByteArray::number(files_.free(d.name) / 1024).rightJustified(10) +
             (QByteArray::number(percent) + "%").rightJustified(5) + " /" + d.name.chopped(1));
    }
}

void Shell::rm(const QList<QByteArray>& args) {
    bool recursive = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == "-R" || args[i] == "-r" || args[i] == "-rf")
            recursive = true;
        else if (!args[i].startsWith('-'))
            attempt("rm", args[i], [&] { files_.remove(args[i], recursive); });
    }
}

void Shell::cp(const QList<QByteArray>& args) {
    if (args.size() != 3) {
        line("usage: cp SOURCE DEST");
        return;
    }
    attempt("cp", args[1], [&] {
        const QByteArray data = files_.read(args[1]);
        QByteArray destination = args[2];
        if (files_.isDirectory(destination)) {
            const QByteArray source = files_.normalise(args[1]);
            const QByteArray base = destination.endsWith('/') || destination.endsWith(':') ? "" : "/";
            destination += base + source.mid(qMax(source.lastIndexOf('/'), source.indexOf(':')) + 1);
        }
        files_.write(destination, data);
    });
}

void Shell::mkdir(const QList<QByteArray>& args) {
    for (qsizetype i = 1; i < args.size(); ++i)
        attempt("mkdir", args[i], [&] { files_.makeDirectory(args[i]); });
}

void Shell::cat(const QList<QByteArray>& args) {
    qint64 count = -1;
    int idleSeconds = 0;
    QByteArray destination;
    QByteArray source;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QByteArray& a = args[i];
        if (a == ">" && i + 1 < args.size())
            destination = args[++i];
        else if (a.startsWith('>'))
            destination = a.mid(1);
        else if (a.startsWith("-S"))
            idleSeconds = a.mid(2).toInt();
        else if (a.size() > 1 && a[0] == '-' && std::isdigit(static_cast<unsigned char>(a[1])))
            count = a.mid(1).toLongLong();
        else if (!a.startsWith('-'))
            source = a;
    }
    const bool toChannel = destination.isEmpty() || destination.toLower() == channelName_;
    if (count < 0) {
        // Copies a file to the host (or to another file).
        QByteArray data;
        if (!attempt("cat", source, [&] { data = files_.read(source); }))
            return;
        if (toChannel)
            output_(data);
        else
            attempt("cat", destination, [&] { files_.write(destination, data); });
        return;
    }
    // Reads `count` bytes from the host into the console or a file.
    const bool console = destination.toLower() == "console:";
    bool valid = console;
    if (!console) {
        try {
            const QByteArray n = files_.normalise(destination);
            const qsizetype slash = n.lastIndexOf('/');
            valid = !n.endsWith(':') && !files_.device(n.left(n.indexOf(':') + 1)).readOnly &&
                    (slash < 0 || files_.isDirectory(n.left(slash)));
        } catch (const Failure&) {
            valid = false;
        }
    }
    if (!valid) {
        line("Error in file name");
    } else if (!console && count > files_.room(destination)) {
        // Refused before a byte arrives, as the write itself would refuse it;
        // the announced bytes are still read so that they are not taken as commands.
        line("cat: " + destination + ": " + Failure::describe(Failure::DeviceFull));
        valid = false;
    }
    if (!valid) {
        readInput_(count, idleSeconds, {});
        return;
    }
    readInput_(count, idleSeconds, [this, console, destination](const QByteArray& data) {
        if (console) {
            if (display_)
                display_(data);
            return;
        }
        attempt("cat", destination, [&] { files_.write(destination, data); });
    });
}

void Shell::partinfo() {
    // Flash partitions; the spare partition flashx: is not part of the flash size.
    line("c:\t\t" + QByteArray::number(profile_.flashKb * 3 / 4) + " kB");
    line("rom:\t\t" + QByteArray::number(profile_.flashKb - profile_.flashKb * 3 / 4) + " kB");
    line("flashx:\t\t512 kB");
}

void Shell::meminfo() {
    line("Total Ram:   " + QByteArray::number(profile_.ramKb) + " kB");
    line("Free Ram:    " + QByteArray::number(profile_.ramKb / 2) + " kB");
}

} // namespace PrinterSim
