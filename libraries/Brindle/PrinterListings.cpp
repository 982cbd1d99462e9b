// The Printer's members that read what the printer holds and knows about its
// media: font, image and bar code listings, the model, the media and the
// image buffer.
#include <vector>

#include "Brindle/Printer.h"
#include "automation/Error.h"
#include "automation/Runtime.h"
#include "errors/ErrorTextProvider.h"

namespace Brindle {

namespace {

using Automation::Ref;

constexpr RubricVersionNumber v614{614}, v700{700}, v752{752};
// Where the printer saves its image buffer while it is read back.
constexpr char ImageBufferFile[] = "tmp:TMP_IMAGE.RLL";

template <class F> auto guarded(const std::string& source, F body) {
    try {
        return body();
    } catch (const Automation::Error& error) {
        Automation::reraise(error, source);
    }
}

std::vector<std::string> splitAt(const std::string& text, const std::string& separator) {
    std::vector<std::string> pieces;
    size_t start = 0;
    for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + separator.size())
        pieces.push_back(text.substr(start, at - start));
    pieces.push_back(text.substr(start));
    return pieces;
}

std::string replaceAll(std::string text, const std::string& what, const std::string& with) {
    for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += with.size())
        text.replace(at, what.size(), with);
    return text;
}

std::string trimBlanks(const std::string& text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The names of a FONTS or IMAGES reply, one a line: the printer separates
// them by runs of blanks and ends with its memory summary.
std::string namesOfListing(std::string reply) {
    while (reply.find("    ") != std::string::npos)
        reply = replaceAll(reply, "    ", "  ");
    if (reply.starts_with("  "))
        reply.erase(0, 2);
    if (reply.ends_with("  "))
        reply.erase(reply.size() - 2);
    std::vector<std::string> kept;
    for (const auto& piece : splitAt(reply, "  ")) {
        std::string name = trimBlanks(piece);
        if (name.find("bytes used") == std::string::npos && name.find("bytes free") == std::string::npos)
            kept.push_back(name);
    }
    std::string joined;
    for (size_t i = 0; i < kept.size(); ++i)
        joined += (i ? "\r\n" : "") + kept[i];
    return replaceAll(joined, "\r\n\r\n", "\r\n");
}

// The value of one setup key: the text after the last comma of its lines.
std::string setupValue(const std::string& setupText, const std::string& key) {
    std::string joined;
    bool first = true;
    for (const auto& line : splitAt(setupText, "\r\n"))
        if (line.find(key) != std::string::npos) {
            joined += (first ? "" : " ") + line;
            first = false;
        }
    size_t comma = joined.rfind(',');
    return comma == std::string::npos ? joined : joined.substr(comma + 1);
}

int32_t numberAfterColon(const std::string& part) {
    size_t colon = part.find(':');
    return Automation::toLong(
        Automation::val(colon == std::string::npos ? std::string() : part.substr(colon + 1)));
}

} // namespace

std::string Printer::GetFonts(const Ref<Gaugely::Progress>& Progress) {
    const std::string source = "Printer:GetFonts Method";
    requireConnection(source);
    std::string names = guarded(source, [&] {
        bool known = RubricVersionNumber::FromText(RubricVersion()) >= v614;
        return namesOfListing(known ? Command("FONTS\r", Progress) : std::string());
    });
    if (refreshNotificationsEnabled_)
        NotifyClientsAboutFontsRefresh(names);
    return names;
}

std::string Printer::GetImages(const Ref<Gaugely::Progress>& Progress) {
    const std::string source = "Printer:GetImages Method";
    requireConnection(source);
    std::string names = guarded(source, [&] {
        bool known = RubricVersionNumber::FromText(RubricVersion()) >= v614;
        return namesOfListing(known ? Command("IMAGES\r", Progress) : std::string());
    });
    if (refreshNotificationsEnabled_)
        NotifyClientsAboutImagesRefresh(names);
    return names;
}

std::string Printer::GetBarcodes() {
    const std::string source = "Printer:GetBarcodes Method";
    requireConnection(source);
    return guarded(source, [&] {
        if (RubricVersionNumber::FromText(RubricVersion()) < v700)
            return std::string();
        return Command(
            "\rqqBC$=BARCODENAME$(0):WHILE LEN(qqBC$)>0:Print qqBC$:qqBC$=BARCODENAME$(-1):WEND\r");
    });
}

std::string Printer::GetModel() {
    const std::string source = "Printer:GetModel Method";
    requireConnection(source);
    return guarded(source, [&] { return Command("PRINT VERSION$(1);\r"); });
}

Ref<MediaInfo> Printer::GetMediaInfo() {
    const std::string source = "Printer:GeMediaInfo Method";
    requireConnection(source);
    std::string setupText;
    Ref<MediaInfo> info = guarded(source, [&]() -> Ref<MediaInfo> {
        std::string section;
        std::string program;
        switch (RubricVersionNumber::FromText(RubricVersion()).CommandDialect()) {
        case RubricVersionNumber::Dialect::Shell:
            section = "MEDIA";
            program = "PRINT\"RESOLUTION:\";SYSVAR(21)\rPRINT\"NUMOFDOTS:\";SYSVAR(22)\r"
                      "PRINT \"ACTLEN:\";ACTLEN\rRUN\"setup sw \r";
            break;
        case RubricVersionNumber::Dialect::Basic:
            section = "SERVICE";
            program = "PRINT\"RESOLUTION:\";SYSVAR(21)\rPRINT\"NUMOFDOTS:\";SYSVAR(22)\r"
                      "PRINT\"ACTLEN:\";ACTLEN\rSETUP WRITE\"" +
                      StdioStr() + "\r";
            break;
        case RubricVersionNumber::Dialect::None:
            return nullptr;
        }
        auto parts = splitAt(Command(program), "\r\n");
        // At most four parts: the setup text keeps its own line breaks.
        std::vector<std::string> four(4);
        for (size_t i = 0; i < parts.size(); ++i)
            four[std::min<size_t>(i, 3)] += (i > 3 ? "\r\n" : "") + parts[i];
        auto media = Automation::New<MediaInfo>();
        media->PrintheadResolution = numberAfterColon(four[0]);
        media->NumberOfPrintheadDots = numberAfterColon(four[1]);
        media->LastFeedLength = numberAfterColon(four[2]);
        setupText = four[3];
        auto number = [&](const std::string& key) {
            return Automation::toLong(Automation::val(setupValue(setupText, section + ",MEDIA SIZE," + key)));
        };
        media->Width = number("WIDTH");
        media->Length = number("LENGTH");
        media->XStart = number("XSTART");
        media->LabelType = setupValue(setupText, section + ",MEDIA TYPE");
        return media;
    });
    if (refreshNotificationsEnabled_)
        NotifyClientsAboutSetupRefresh(setupText);
    return info;
}

Ref<RLLImage> Printer::GetImageBuffer(const Ref<Gaugely::Progress>& Progress) {
    const std::string source = "Printer:GetImageBuffer Method";
    requireConnection(source);
    auto version = guarded(source, [&] { return RubricVersionNumber::FromText(RubricVersion()); });
    // These versions cannot save their image buffer.
    if (version >= v614 && version < v752)
        Automation::raise(202, source, "");
    std::string content = guarded(source, [&] {
        const std::string file = ImageBufferFile;
        Command("IMAGE BUFFER SAVE\"" + file + "\"\r");
        // The file is binary: a line-break translation would change its bytes.
        std::string bytes = Command("RUN\"cat -B " + file + " >" + StdioStr() + "\r", Progress, 0, false);
        Command("KILL\"" + file + "\":REMOVE IMAGE\"" + file.substr(file.find(':') + 1) + "\"\r");
        return bytes;
    });
    auto image = Automation::New<RLLImage>();
    image->LoadRllImageData(std::vector<uint8_t>(content.begin(), content.end()));
    return image;
}

Ref<ImageRender> Printer::GetImageRender() {
    auto render = Automation::New<ImageRender>();
    render->bindPrinter(self<Printer>());
    return render;
}

Ref<FontRender> Printer::GetFontRender() {
    auto render = Automation::New<FontRender>();
    render->bindPrinter(self<Printer>());
    return render;
}

} // namespace Brindle
