// Reads arbitrary bytes as a UFF flash file: reading either succeeds or
// raises one of its own errors and adds nothing; what was read writes out
// and reads back as the same resources.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "Chunkery/FlashFile.h"
#include "FuzzInputFile.h"

namespace {

std::vector<std::pair<std::string, std::string>> contents(const Automation::Ref<Chunkery::Resources>& list) {
    std::vector<std::pair<std::string, std::string>> items;
    for (const auto& resource : *list)
        // A kernel keeps no name in the file.
        items.emplace_back(resource->ResourceType() == Chunkery::KERN ? "" : resource->NameInPrinter(),
                           resource->DataString());
    return items;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto file = Automation::New<Chunkery::FlashFile>();
    try {
        file->FlashRead(fuzzInputFile(data, size));
    } catch (const Automation::Error& error) {
        // 30001 for a damaged file, 5 for a name too long, 457 for a name twice.
        if ((error.Number() != 30001 && error.Number() != 5 && error.Number() != 457) ||
            file->Resources()->count() != 0)
            std::abort();
        return 0;
    }
    std::string written = fuzzInputFile(nullptr, 0, "written");
    file->FlashWrite(written);
    auto back = Automation::New<Chunkery::FlashFile>();
    back->FlashRead(written);
    if (contents(back->Resources()) != contents(file->Resources()))
        std::abort();
    return 0;
}
