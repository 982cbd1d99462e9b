// Reads arbitrary bytes as the printer's FILES output, and as the stream of
// a raw download: parsing either gives listing lines or raises 6 (a size out
// of range), 13 (a size that is no number) or 68 (an unknown device); the
// scanner never reads outside what it was given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "Brindle/FilesListing.h"
#include "Brindle/RawDownloadScanner.h"
#include "automation/Error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        std::string listing = Brindle::FilesListing::ParseFilesListing(text);
        if (listing.find("Files on ") != std::string::npos &&
            text.find("Files on ") == std::string_view::npos)
            std::abort();
    } catch (const Automation::Error& error) {
        int32_t n = error.Number();
        if (n != Automation::RuntimeError::Overflow && n != Automation::RuntimeError::TypeMismatch &&
            n != Automation::RuntimeError::DeviceUnavailable)
            std::abort();
    }
    // The first byte announces the file size; the rest arrives in two parts.
    if (size > 0) {
        Brindle::RawDownloadScanner scanner(data[0]);
        std::string_view stream = text.substr(1);
        scanner.Scan(stream.substr(0, stream.size() / 2));
        size_t fileBytes = scanner.FileBytes().size();
        if (scanner.Scan(stream.substr(stream.size() / 2)) == Brindle::RawDownloadScanner::State::Complete &&
            fileBytes + scanner.FileBytes().size() != data[0])
            std::abort();
    }
    return 0;
}
