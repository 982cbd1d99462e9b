#pragma once
// The report of a run's end (failure or finish) with the way to its log.
#include <string>

#include <QWidget>

class QLabel;
class QPushButton;

namespace Kestrup {

class ctlReport : public QWidget {
    Q_OBJECT
public:
    explicit ctlReport(QWidget* parent = nullptr);

    // Both take effect at Load.
    const std::string& ReportText() const { return reportText_; }
    void setReportText(std::string value) { reportText_ = std::move(value); }
    const std::string& LogFilePath() const { return logFilePath_; }
    void setLogFilePath(std::string value) { logFilePath_ = std::move(value); }
    // Shows the text; "View log..." is usable only while the log exists
    // (never with an empty LogFilePath).
    void Load();

private:
    void cmdLogFile_Click();

    std::string reportText_;
    std::string logFilePath_;
    QLabel* lblReportText;
    QPushButton* cmdLogFile;
};

} // namespace Kestrup
