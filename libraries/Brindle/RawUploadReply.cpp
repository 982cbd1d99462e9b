#include "Brindle/RawUploadReply.h"

#include "Brindle/RawDownloadScanner.h"
#include "automation/Error.h"
#include "automation/Runtime.h"

namespace Brindle {

namespace {

bool containsIgnoringCase(std::string_view text, std::string_view find) {
    return Automation::inStr(1, text, find, Automation::CompareMethod::Text) > 0;
}

} // namespace

RawUploadReply::Verdict RawUploadReply::Judge(std::string_view received) {
    if (containsIgnoringCase(received, "Timer Expired"))
        return {CatTimedOut, false};
    if (containsIgnoringCase(received, "Error in file name"))
        return {128, false};
    if (received.size() > MostGarbage)
        return {101, false};
    return {0, received.find(RawDownloadScanner::EndMarker) != std::string_view::npos};
}

} // namespace Brindle
