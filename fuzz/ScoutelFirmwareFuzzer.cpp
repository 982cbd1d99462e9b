// Reads arbitrary bytes as a firmware image: every member either answers or
// raises one of the parser's own errors, and the data to send never reach
// past the file. An image without a defect is sent whole, its header and
// readable identifier with it; reading only the file's start tells the same
// as reading it whole. The folder scan's direct read of a kernel header too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzInputFile.h"
#include "Scoutel/FirmwareFinder.h"
#include "Scoutel/RBFirmwareFile.h"

namespace {

template <class F> void allowing(F&& call, std::initializer_list<int32_t> numbers) {
    try {
        call();
    } catch (const Automation::Error& error) {
        for (int32_t number : numbers)
            if (error.Number() == number)
                return;
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzzInputFile(data, size);
    auto finder = Automation::New<Scoutel::FirmwareFinder>();
    const bool kernel = finder->IsKernelFile(path);
    allowing(
        [&] {
            std::string name = finder->GetKernelName(path);
            if (name.size() > 101 || (!kernel && !name.empty()))
                std::abort();
        },
        {63});
    Scoutel::RBFirmwareFile file;
    try {
        file.LoadFile(path);
    } catch (const Automation::Error& error) {
        if (size != 0 || error.Number() != 9)
            std::abort();
        return 0;
    }
    bool firmware = file.IsFirmware();
    allowing([&] { (void)file.KernelID(); }, {9});
    allowing(
        [&] {
            if (!file.ImageDefect().empty())
                return;
            // Nothing is raised of an image the loader would send.
            (void)file.KernelID();
            auto bytes = file.GetFirmwareData();
            if (static_cast<int64_t>(bytes.size()) != file.FirmwareLength())
                std::abort();
            const std::string_view sent(reinterpret_cast<const char*>(bytes.data()), bytes.size());
            if (sent.starts_with("@(#)KERN") && sent.size() < 24)
                std::abort();
        },
        {6});
    Scoutel::RBFirmwareFile head;
    head.LoadHead(path);
    auto told = [](Scoutel::RBFirmwareFile& image) {
        std::string said = std::to_string(image.IsFirmware()) + "|" + std::to_string(image.FileLength());
        try {
            said += "|" + std::to_string(image.FirmwareLength()) + "|" + image.ImageDefect();
        } catch (const Automation::Error& error) {
            said += "|error " + std::to_string(error.Number());
        }
        try {
            said += "|" + image.KernelID();
        } catch (const Automation::Error& error) {
            said += "|error " + std::to_string(error.Number());
        }
        return said;
    };
    if (told(head) != told(file))
        std::abort();
    allowing(
        [&] {
            int32_t length = file.FirmwareLength();
            auto bytes = file.GetFirmwareData();
            if (!firmware ? !bytes.empty()
                          : static_cast<int64_t>(bytes.size()) + file.FirmwareShortfall() != length)
                std::abort();
        },
        {6, 9});
    // Searches with positions and ranges taken from the input itself.
    Scoutel::byteArray buffer;
    buffer.Add(Automation::ByteArray(data, data + size));
    if (size >= 8) {
        int32_t start =
            static_cast<int32_t>(data[0] | data[1] << 8 | data[2] << 16 | uint32_t{data[3]} << 24);
        int32_t range =
            static_cast<int32_t>(data[4] | data[5] << 8 | data[6] << 16 | uint32_t{data[7]} << 24);
        std::string_view text(reinterpret_cast<const char*>(data) + 8, std::min<size_t>(size - 8, 4));
        (void)buffer.FindStrRev(start, text, range);
        (void)buffer.FindStr(start, text, range);
        (void)buffer.FindByte(start, data[4], range);
        (void)buffer.FindByteRev(start, data[5], range);
        int32_t length = range;
        allowing([&] { (void)buffer.MidStr(start, length); }, {9});
    }
    return 0;
}
