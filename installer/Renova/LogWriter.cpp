#include "Renova/LogWriter.h"

#include <QDateTime>
#include <QLocale>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

#include "automation/Error.h"
#include "automation/Runtime.h"
#include "files/ReplacementFile.h"

namespace Renova {

namespace {

constexpr const char* Source = "LogWriter";

[[noreturn]] void fail(const std::string& path, const char* what, int error) {
    Automation::raise(Platform::Files::PathFileAccessError, Source,
                      "Path/File access error: cannot " + std::string(what) + " the log file \"" + path +
                          "\" (" + std::strerror(error) + ")");
}

// The locale's long time format without its time zone, which the
// system's time format does not show.
QString timeFormat(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c != u't')
            result += c;
    }
    return result.trimmed();
}

} // namespace

void LogWriter::WriteHeader(std::string_view text) {
    write("************\r\n", text);
}

void LogWriter::WriteLine(std::string_view text) {
    write({}, text);
}

void LogWriter::write(std::string_view prefix, std::string_view text) {
    const std::string& path = logFilePath_;
    if (path.empty()) {
        errno = ENOENT;
        fail(path, "open", errno);
    }
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_APPEND;
    if (Overwrite())
        flags |= O_TRUNC;

    std::string record(prefix);
    QDateTime now = QDateTime::currentDateTime();
    QLocale locale = QLocale::system();
    if (autoDate_)
        record += Automation::utf8ToCp1252(locale.toString(now.date(), QLocale::ShortFormat).toStdString());
    if (autoTime_)
        record +=
            "\t" + Automation::utf8ToCp1252(locale.toString(now.time(), timeFormat(locale)).toStdString());
    record += "\t";
    record += text;
    record += "\r\n";

    int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0)
        fail(path, "open", errno);
    // One write of the whole record, so that a reader never sees half of it.
    std::string_view rest(record);
    while (!rest.empty()) {
        ssize_t written = ::write(fd, rest.data(), rest.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            int error = written < 0 ? errno : ENOSPC;
            ::close(fd);
            fail(path, "write", error);
        }
        rest.remove_prefix(static_cast<size_t>(written));
    }
    if (::close(fd) != 0)
        fail(path, "write", errno);
}

} // namespace Renova
