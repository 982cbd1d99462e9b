#pragma once
// How an installation run went, printer by printer, and what its end page
// says of it.
#include <cstddef>
#include <string>
#include <vector>

namespace Kestrup {

class RunOutcome {
public:
    // The printers of the run, as the user knows them, in the order they are
    // updated; each starts as not started.
    explicit RunOutcome(std::vector<std::string> printers);

    // By the printer's place in the run, from 0.
    void setUpdated(size_t printer);
    // error: the text the failure's box showed.
    void setFailed(size_t printer, const std::string& error);
    // The user's Abort ended the run.
    void setAborted() { aborted_ = true; }

    // Every printer was updated, and the run was not aborted.
    bool FullSuccess() const;
    bool AnyUpdated() const;
    // The end page's text: the finish text where every printer was updated,
    // the failure text where the only printer failed; otherwise what became
    // of each printer, and where the log tells more.
    std::string ReportText() const;

    static constexpr const char* FinishedText = "The Wizard is finished with the installation";
    static constexpr const char* FailedText =
        "An error has occurred. See the log file for more information about the error.";

private:
    enum class State { NotStarted, Updated, Failed };
    struct Printer {
        std::string name;
        State state = State::NotStarted;
        std::string error;
    };
    std::vector<Printer> printers_;
    bool aborted_ = false;
};

} // namespace Kestrup
