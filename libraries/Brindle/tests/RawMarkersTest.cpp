#include "Brindle/RawDownloadScanner.h"
#include "Brindle/RawUploadReply.h"

#include <gtest/gtest.h>

using namespace Brindle;
using State = RawDownloadScanner::State;

namespace {

const std::string Begin(RawDownloadScanner::BeginMarker);
const std::string End(RawDownloadScanner::EndMarker);

// Feeds `stream` to a scanner in pieces of `step` bytes; the last state.
// `file` collects the file bytes it hands on.
State scanInPieces(RawDownloadScanner& scanner, const std::string& stream, size_t step,
                   std::string* file = nullptr) {
    for (size_t at = 0;; at += step) {
        State state = scanner.Scan(std::string_view(stream).substr(at, step));
        if (file)
            file->append(scanner.FileBytes());
        if (state != State::Waiting || at + step >= stream.size())
            return state;
    }
}

} // namespace

TEST(RawDownloadScanner, FindsTheFileBetweenTheMarkers) {
    const std::string echo = "PRINTCHR$(1)+CHR$(2)+\"<@BEGIN>\"+CHR$(3)+CHR$(4);:RUN\"cat -B c:a\"\r\n";
    // File contents that hold both markers and the printer's error text.
    const std::string tricky =
        "x" + End + Begin + std::string(RawDownloadScanner::SocketErrorText) + End + "y";
    const std::string files[] = {"", "a", std::string(2048, 'q'), tricky, std::string(70000, '\0')};
    for (const std::string& data : files) {
        for (size_t step : {1, 7, 4096}) {
            std::string stream = echo + Begin + data + End + "\r\n>";
            RawDownloadScanner scanner(static_cast<int64_t>(data.size()));
            std::string file;
            ASSERT_EQ(scanInPieces(scanner, stream, step, &file), State::Complete)
                << data.size() << "/" << step;
            EXPECT_EQ(file, data);
            // What came after the end marker in the same arrival.
            EXPECT_TRUE(std::string_view("\r\n>").starts_with(scanner.Rest())) << data.size() << "/" << step;
        }
    }
}

TEST(RawDownloadScanner, WaitsOrFails) {
    // The announced size is one byte off either way.
    for (int64_t size : {3, 5}) {
        RawDownloadScanner scanner(size);
        EXPECT_EQ(scanner.Scan(Begin + "abcd" + End + "\r\n>\r\n>"), State::SizeMismatch) << size;
    }
    // The begin marker must start within the first 200 bytes.
    std::string late = std::string(200, ' ') + Begin + "ab" + End;
    RawDownloadScanner tooLate(2);
    EXPECT_EQ(tooLate.Scan(late), State::Waiting);
    std::string inTime = std::string(199, ' ') + Begin + "ab" + End;
    RawDownloadScanner onTime(2);
    EXPECT_EQ(onTime.Scan(inTime), State::Complete);
    // The error before the begin marker, even split across arrivals.
    std::string refused = "cat: Operation not supported on socket\r\n";
    RawDownloadScanner beforeBegin(10);
    EXPECT_EQ(scanInPieces(beforeBegin, refused, 5), State::SocketError);
    // Printed where file bytes were expected: only seen when the wait ends,
    // also when it came split across arrivals shorter than the text.
    for (size_t step : {1, 5, 4096}) {
        RawDownloadScanner inData(100);
        EXPECT_EQ(scanInPieces(inData, Begin + refused + End, step), State::Waiting) << step;
        EXPECT_TRUE(inData.MentionsSocketError()) << step;
    }
    RawDownloadScanner clean(100);
    EXPECT_EQ(scanInPieces(clean, Begin + "cat: Operation not" + std::string(50, ' ') + "supported", 7),
              State::Waiting);
    EXPECT_FALSE(clean.MentionsSocketError());
}

TEST(RawUploadReply, Judges) {
    const std::pair<std::string, RawUploadReply::Verdict> cases[] = {
        {"", {0, false}},
        {"RUN\"cat -S2 -5 >c:a\r\n", {0, false}},
        {"\r\n" + End, {0, true}},
        {"cat: timer expired\r\n" + End, {120, false}},
        {"ERROR IN FILE NAME", {128, false}},
        {std::string(512, '.'), {0, false}},
        {std::string(513, '.'), {101, false}},
        {std::string(520, '.') + "Timer Expired", {120, false}},
    };
    for (const auto& [text, verdict] : cases) {
        RawUploadReply::Verdict got = RawUploadReply::Judge(text);
        EXPECT_EQ(got.error, verdict.error) << text;
        EXPECT_EQ(got.ended, verdict.ended) << text;
    }
}
