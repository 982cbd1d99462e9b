#pragma once
// A small reader of rich text (RTF) for the licence and readme pages: the
// text with its paragraphs, bold, italic, underline and font size. Tables,
// pictures, fonts and colours are passed over; what it cannot read it skips.
#include <string>
#include <string_view>
#include <vector>

class QTextDocument;

namespace Platform::Ui {

struct RtfRun {
    std::string text; // Windows-1252; "\n" ends a paragraph
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 24; // the font size, \fs
};

// Adjacent text of the same look is one run.
std::vector<RtfRun> ReadRtf(std::string_view rtf);

// Replaces the document's contents with the rich text.
void LoadRtf(QTextDocument& document, std::string_view rtf);

} // namespace Platform::Ui
