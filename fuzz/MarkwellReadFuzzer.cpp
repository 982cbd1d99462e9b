// Reads arbitrary text as an XML document: reading must either succeed or
// raise its own error 101, and whatever was read must write out again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "Markwell/Doc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto doc = Automation::New<Markwell::Doc>();
    std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        doc->ReadXML(text);
    } catch (const Automation::Error& error) {
        if (error.Number() != 101 || error.Source() != "Doc:ReadXML Method")
            std::abort();
    }
    // Without indentation the text stays linear in the size of the input.
    std::string written = doc->WriteXML(false);
    if (doc->Count() > 0 && written.empty())
        std::abort();
    doc->Clear();
    return 0;
}
