#include "KestrupExe/RunOutcome.h"

#include <algorithm>

namespace Kestrup {

RunOutcome::RunOutcome(std::vector<std::string> printers) {
    for (auto& name : printers)
        printers_.push_back({std::move(name), State::NotStarted, {}});
}

void RunOutcome::setUpdated(size_t printer) {
    printers_.at(printer).state = State::Updated;
}

void RunOutcome::setFailed(size_t printer, const std::string& error) {
    Printer& entry = printers_.at(printer);
    entry.state = State::Failed;
    entry.error = error;
}

bool RunOutcome::FullSuccess() const {
    return !aborted_ && !printers_.empty() &&
           std::all_of(printers_.begin(), printers_.end(),
                       [](const Printer& entry) { return entry.state == State::Updated; });
}

bool RunOutcome::AnyUpdated() const {
    return std::any_of(printers_.begin(), printers_.end(),
                       [](const Printer& entry) { return entry.state == State::Updated; });
}

std::string RunOutcome::ReportText() const {
    if (FullSuccess())
        return FinishedText;
    if (printers_.size() == 1 && !aborted_)
        return FailedText;
    std::string text;
    if (aborted_)
        text = "The installation was stopped by Abort.";
    else if (AnyUpdated())
        text = "The Wizard is finished with the installation, but not every printer was updated.";
    else
        text = "An error has occurred: no printer was updated.";
    auto section = [&](const char* heading, State state) {
        std::string lines;
        for (const auto& entry : printers_)
            if (entry.state == state)
                lines += "\n" + entry.name + (entry.error.empty() ? "" : ": " + entry.error);
        if (!lines.empty())
            text += std::string("\n\n") + heading + lines;
    };
    section("Not updated:", State::Failed);
    section("Not started:", State::NotStarted);
    section("Updated:", State::Updated);
    return text + "\n\nSee the log file for more information.";
}

} // namespace Kestrup
