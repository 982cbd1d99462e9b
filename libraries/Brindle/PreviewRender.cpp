#include "Brindle/PreviewRender.h"

#include "Brindle/Printer.h"
#include "automation/Error.h"

namespace Brindle {

namespace {

constexpr RubricVersionNumber v614{614}, v700{700}, v752{752};

} // namespace

std::string PreviewRender::Fill(std::string text,
                                const std::vector<std::pair<std::string, std::string>>& more) const {
    std::vector<std::pair<std::string, std::string>> all{
        {"&X&", std::to_string(X)},     {"&Y&", std::to_string(Y)},
        {"&A&", std::to_string(Align)}, {"&D&", std::to_string(dir)},
        {"&C&", ClipOn ? "ON" : "OFF"}, {"&I&", Inverse ? "INVIMAGE" : "NORIMAGE"}};
    all.insert(all.end(), more.begin(), more.end());
    for (const auto& [placeholder, value] : all)
        for (size_t at = 0; (at = text.find(placeholder, at)) != std::string::npos; at += value.size())
            text.replace(at, placeholder.size(), value);
    return text;
}

template <class F> static void handled(Printer& printer, const std::string& source, F body) {
    try {
        body();
    } catch (const Automation::Error& error) {
        const auto& errors = printer.Errors();
        if (error.Number() > 50000 && errors->Count() >= 1) {
            const auto& first = errors->Item(1);
            Automation::raise(first->Number(), source, "Rubric:" + first->Description());
        }
        Automation::reraise(error, source);
    }
}

void PreviewRender::TestPrint() {
    Printer& printer = *printer_;
    const std::string source = errorClass() + ":TestPrint Method";
    CheckValues(source);
    handled(printer, source, [&] {
        auto version = RubricVersionNumber::FromText(printer.RubricVersion());
        // Printers before 6.14 know none of these statements: nothing is sent.
        if (version < v614)
            return;
        printer.Command(Program(version >= v700) + "PF\r");
    });
}

QImage PreviewRender::Picture() {
    Printer& printer = *printer_;
    auto version = RubricVersionNumber::FromText(printer.RubricVersion());
    if (version >= v614 && version < v752)
        Automation::raise(202, errorClass() + ":GetImageBufferAs", "");
    const std::string source = errorClass() + ":TestPrint Method";
    CheckValues(source);
    QImage picture;
    handled(printer, source, [&] {
        printer.Command(Program(true));
        picture = printer.GetImageBuffer()->Picture();
    });
    return picture;
}

} // namespace Brindle
