// printer-sim: plays one simulated printer (--listen ADDRESS:PORT or --serial
// DIR/COMn, --version V) or the set of printers that a configuration file describes, until SIGINT or
// SIGTERM.
#include <csignal>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>
#include <memory>
#include <vector>

#include "Printer.h"

using namespace PrinterSim;

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

struct Setup {
    QString serialLink;
    QString address;
    quint16 port = 0;
    Profile profile;
    FaultPlan faults;
};

bool splitAddress(const QString& text, Setup& setup, QString* error) {
    const qsizetype colon = text.lastIndexOf(':');
    bool ok = false;
    const uint port = colon > 0 ? text.mid(colon + 1).toUInt(&ok) : 0;
    if (!ok || port > 65535) {
        *error = "\"" + text + "\" is not ADDRESS:PORT";
        return false;
    }
    setup.address = text.left(colon);
    setup.port = static_cast<quint16>(port);
    return Printer::addressAllowed(setup.address, error);
}

// Only the versions with a profile of their own: any other would play a mix of profiles.
bool setVersion(const QString& version, Setup& setup, QString* error) {
    if (!Profile::knownVersions().contains(version)) {
        *error = "unknown version \"" + version + "\"; known: " + Profile::knownVersions().join(", ");
        return false;
    }
    setup.profile = Profile::forVersion(version);
    return true;
}

bool addFault(const QString& name, Setup& setup, QString* error) {
    const auto fault = Fault::parse(name);
    if (!fault) {
        *error = "unknown fault \"" + name + "\"; known: " + Fault::names().join(", ");
        return false;
    }
    setup.faults.add(*fault);
    return true;
}

// One printer a line: ADDRESS:PORT; VERSION[; FAULT, FAULT...]. Blank lines
// and lines starting with # are skipped.
bool readConfig(const QString& path, std::vector<Setup>& setups, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = "cannot read " + path + ": " + file.errorString();
        return false;
    }
    int number = 0;
    while (!file.atEnd()) {
        ++number;
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QStringList fields = line.split(';');
        Setup setup;
        const QString where = path + ":" + QString::number(number) + ": ";
        if (fields.size() < 2 || fields[1].trimmed().isEmpty()) {
            *error = where + "expected ADDRESS:PORT; VERSION[; FAULTS]";
            return false;
        }
        if (!splitAddress(fields[0].trimmed(), setup, error)) {
            *error = where + *error;
            return false;
        }
        if (!setVersion(fields[1].trimmed(), setup, error)) {
            *error = where + *error;
            return false;
        }
        for (const QString& name : fields.mid(2).join(',').split(',', Qt::SkipEmptyParts))
            if (!addFault(name.trimmed(), setup, error)) {
                *error = where + *error;
                return false;
            }
        setups.push_back(setup);
    }
    return true;
}

const char Usage[] =
    "usage: printer-sim (--listen ADDRESS:PORT | --serial DIR/COMn [--baud N]) [--version V]\n"
    "                   [--version-text TEXT] [--fault NAME]...\n"
    "       printer-sim CONFIG\n"
    "       printer-sim --help";

QString help() {
    return QString::fromLatin1(Usage) +
           "\n\nPlays a simulated Vantor printer on TCP (127.0.0.0/8 only) or on a pseudo-terminal that\n"
           "DIR/COMn links to, until SIGINT or SIGTERM. CONFIG describes several TCP printers, one a\n"
           "line: ADDRESS:PORT; VERSION[; FAULT, FAULT...]; blank lines and lines starting with # are\n"
           "skipped.\n\nVersions: " +
           Profile::knownVersions().join(", ") +
           "\nFaults (each also NAME:once): " + Fault::names().join(", ");
}

// Sets `help` when the usage is asked for.
bool readArguments(const QStringList& args, std::vector<Setup>& setups, bool& help, QString* error) {
    if (args.size() == 1 && !args[0].startsWith('-'))
        return readConfig(args[0], setups, error);
    Setup setup;
    QString version = QStringLiteral("8.10");
    QString versionText;
    QStringList faults;
    int baudRate = 0;
    bool haveAddress = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            help = true;
            return true;
        }
        if (i + 1 >= args.size()) {
            *error = "missing value after " + arg;
            return false;
        }
        const QString value = args[++i];
        if (arg == "--listen") {
            if (!splitAddress(value, setup, error))
                return false;
            haveAddress = true;
        } else if (arg == "--serial") {
            setup.serialLink = value;
        } else if (arg == "--baud") {
            bool ok = false;
            baudRate = value.toInt(&ok);
            if (!ok || baudRate <= 0) {
                *error = "\"" + value + "\" is not a baud rate";
                return false;
            }
        } else if (arg == "--version") {
            version = value;
        } else if (arg == "--version-text") {
            versionText = value;
        } else if (arg == "--fault") {
            faults.append(value);
        } else {
            *error = "unknown option " + arg;
            return false;
        }
    }
    if (haveAddress == !setup.serialLink.isEmpty()) {
        *error = "give either --listen or --serial\n" + QString::fromLatin1(Usage);
        return false;
    }
    if (!setVersion(version, setup, error))
        return false;
    if (baudRate > 0)
        setup.profile.baudRate = baudRate;
    if (!versionText.isEmpty())
        setup.profile.versionText = versionText.toLatin1();
    for (const QString& name : faults)
        if (!addFault(name, setup, error))
            return false;
    setups.push_back(setup);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    QTextStream out(stdout);
    std::vector<Setup> setups;
    QString error;
    bool help = false;
    if (!readArguments(app.arguments().mid(1), setups, help, &error)) {
        err << "printer-sim: " << error << Qt::endl;
        return 2;
    }
    if (help) {
        out << ::help() << Qt::endl;
        return 0;
    }
    if (::pipe(signalPipe) != 0) {
        err << "printer-sim: cannot create the signal pipe" << Qt::endl;
        return 1;
    }
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    // Announced only once every printer is up, so that a caller waiting for
    // the lines never sees a start that then fails.
    std::vector<std::unique_ptr<Printer>> printers;
    QStringList announcements;
    for (const Setup& setup : setups) {
        auto printer = std::make_unique<Printer>(setup.profile, setup.faults);
        if (!setup.serialLink.isEmpty()) {
            if (!printer->openSerial(setup.serialLink)) {
                err << "printer-sim: " << printer->errorString() << Qt::endl;
                return 1;
            }
            announcements << "serial " + setup.serialLink + " at " + QString::number(setup.profile.baudRate) +
                                 " baud";
            printers.push_back(std::move(printer));
            continue;
        }
        if (!printer->listen(setup.address, setup.port)) {
            err << "printer-sim: " << printer->errorString() << Qt::endl;
            return 1;
        }
        // The print server's break endpoint, where the demo's HTTP break goes.
        if (qEnvironmentVariableIsSet("KESTRUP_HTTP_PORT") &&
            !printer->listenHttp(static_cast<quint16>(qEnvironmentVariableIntValue("KESTRUP_HTTP_PORT")))) {
            err << "printer-sim: " << printer->errorString() << Qt::endl;
            return 1;
        }
        announcements << "listening " + setup.address + ":" + QString::number(printer->port());
        printers.push_back(std::move(printer));
    }
    for (const QString& announcement : announcements)
        out << announcement << Qt::endl;
    const int result = app.exec();
    printers.clear();
    return result;
}
