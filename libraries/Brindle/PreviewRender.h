#pragma once
// What the image and font previews share: the drawing settings, the printer
// they came from, and the course of a test print and of a picture drawn by
// the printer into its image buffer.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <QImage>

#include "automation/Object.h"
#include "automation/Ref.h"

namespace Brindle {

class Printer;

class PreviewRender : public Automation::Object {
public:
    int16_t X = 1;
    int16_t Y = 1;
    int16_t dir = 1;
    int16_t Align = 1;
    bool ClipOn = true;
    bool Inverse = false;

    void TestPrint();
    QImage Picture();

    // Only the library binds a preview to its printer.
    void bindPrinter(const Automation::Ref<Printer>& printer) { printer_ = printer; }
    const Automation::Ref<Printer>& boundPrinter() const { return printer_; }

protected:
    // The program in its full form (with CLIP on a line of its own) or in
    // the one-line form of the 6.x printers.
    virtual std::string Program(bool fullForm) const = 0;
    // Names and texts that go inside quoted strings: unsafe ones are refused
    // with 101 before anything is sent.
    virtual void CheckValues(const std::string& source) const = 0;
    virtual std::string errorClass() const = 0;
    // Fills a template: the drawing settings first, then `more` in order,
    // each placeholder replaced wherever it stands.
    std::string Fill(std::string text, const std::vector<std::pair<std::string, std::string>>& more) const;

private:
    Automation::Ref<Printer> printer_;
};

} // namespace Brindle
