// Reads arbitrary text as a package document: reading either succeeds or
// raises one of the errors a document can cause, and a document that was
// read writes out as text that reads back into the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "Scrivel/KSDoc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto doc = Automation::New<Scrivel::KSDoc>();
    try {
        doc->ReadXML(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const Automation::Error& error) {
        // 101 unreadable XML, 9999 a bad date or connect string, 13 and 6 a value of the wrong form.
        int32_t number = error.Number();
        if (number != 101 && number != 9999 && number != 13 && number != 6)
            std::abort();
        return 0;
    }
    std::string written = doc->WriteXML();
    auto back = Automation::New<Scrivel::KSDoc>();
    try {
        back->ReadXML(written);
    } catch (const Automation::Error&) {
        // Texts that hold what the document format cannot carry ("<" or
        // line breaks inside a value) need not read back.
        return 0;
    }
    if (back->WriteXML() != written)
        std::abort();
    return 0;
}
