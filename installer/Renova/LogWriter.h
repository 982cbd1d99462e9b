#pragma once
// The installation log: a text file that gets one record per call and is
// opened and closed each time, so that it is complete on disk after every
// line and another program may read it between records.
#include <string>
#include <string_view>
#include <utility>

#include "automation/Object.h"

namespace Renova {

class LogWriter : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{F0A83C51-6D29-4E74-B1C5-8A2E7D4F0963}",
                                                     "Renova.LogWriter",
                                                     "{4C7B2E90-A3D5-41F8-9E06-D5B18C3A7F24}"};

    const std::string& LogFilePath() const { return logFilePath_; }
    void setLogFilePath(std::string value) { logFilePath_ = std::move(value); }
    bool AutoDate() const { return autoDate_; }
    void setAutoDate(bool value) { autoDate_ = value; }
    bool AutoTime() const { return autoTime_; }
    void setAutoTime(bool value) { autoTime_ = value; }
    // The next record replaces the file. Reading the flag clears it, as a
    // write does, so that it affects one record only.
    bool Overwrite() { return std::exchange(overwrite_, false); }
    void setOverwrite(bool value) { overwrite_ = value; }

    // A header record: a line of asterisks, then the text as a line record.
    void WriteHeader(std::string_view text);
    void WriteLine(std::string_view text);

private:
    void write(std::string_view prefix, std::string_view text);

    std::string logFilePath_;
    bool autoDate_ = false;
    bool autoTime_ = false;
    bool overwrite_ = false;
};

} // namespace Renova
