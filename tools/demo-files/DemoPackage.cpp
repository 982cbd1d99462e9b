#include "DemoPackage.h"

#include <cstdint>
#include <filesystem>

#include "Chunkery/FlashFile.h"
#include "Scoutel/RBFirmwareFile.h"
#include "Scrivel/KSDoc.h"
#include "automation/Error.h"
#include "automation/Runtime.h"
#include "files/ReplacementFile.h"

namespace DemoFiles {

namespace {

constexpr const char* kSource = "demo-files";

void putInt32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string pathIn(const std::string& folder, const char* name) {
    return (std::filesystem::path(folder) / name).string();
}

const char* const kLicense =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Helvetica;}}\\f0\\fs20\n"
    "{\\b Licence agreement for the Kestrup demo application}\\par\\par\n"
    "This package is part of the Kestrup demonstration. It installs a small Rubric program "
    "and firmware {\\i 8.20} onto simulated Vantor printers only.\\par\\par\n"
    "By choosing \"I agree\" you accept that the demo printers are changed.\\par\n"
    "}\n";

const char* const kReadme = "Kestrup demo package\n"
                            "====================\n"
                            "\n"
                            "This package creates the folder c:/demo on the printer, copies the program\n"
                            "HELLO.PRG into it and updates the printer's firmware to 8.20.\n"
                            "\n"
                            "One of the demo's network printers runs a program that ignores the\n"
                            "installer's hello until a break string stops it.\n";

const char* const kProgram = "10 PRINT \"Hello from the Kestrup demo\"\r\n"
                             "20 END\r\n";

} // namespace

std::string KernelImage() {
    constexpr uint32_t base = 0x10000;
    constexpr uint32_t headerLength = 24;
    std::string image = "@(#)KERN";
    image.append(8, '\x01');
    putInt32(image, base);
    putInt32(image, base + headerLength);
    image += KernelIdentifier;
    image += '\0';
    // A body that stands for the kernel's code.
    for (int i = 0; i < 4096; ++i)
        image += static_cast<char>((i * 7 + 3) & 0xFF);
    return image;
}

void WriteDemoFiles(const std::string& folder) {
    std::string kernel = KernelImage();
    // The parser of the product must take the image, or the demo cannot flash it.
    std::string imagePath = pathIn(folder, FirmwareImage);
    Platform::Files::ReplaceFileContents(imagePath, kernel, kSource);
    auto check = Automation::New<Scoutel::RBFirmwareFile>();
    check->LoadFile(imagePath);
    if (!check->IsFirmware() || check->KernelID() != KernelIdentifier)
        Automation::raise(9999, kSource, "The demo firmware image is not recognised: " + check->KernelID());

    Platform::Files::ReplaceFileContents(pathIn(folder, LicenseFile), kLicense, kSource);
    Platform::Files::ReplaceFileContents(pathIn(folder, ReadmeFile), kReadme, kSource);

    auto flash = Automation::New<Chunkery::FlashFile>();
    flash->AddResource(kernel, "", true);
    flash->AddResource(kProgram, "HELLO.PRG", true);
    flash->FlashWrite(pathIn(folder, FlashFileName));

    auto doc = Automation::New<Scrivel::KSDoc>();
    doc->setApplicationName("Kestrup demo application");
    doc->setVersion("1.0");
    doc->setBuildDate({Automation::dateSerial(2026, 12, 1)});
    doc->setUffFilePath(FlashFileName);
    doc->setLicenseFilePath(LicenseFile);
    doc->setReadMeFilePath(ReadmeFile);
    doc->setFirmwareVersion(FirmwareVersion);
    doc->BreakStrings()->Add("")->setBreakString(BreakString);
    doc->PrinterDirectories()->Add()->setPath("c:/demo");
    auto file = doc->PrinterFiles()->Add();
    file->setFileTitle("HELLO.PRG");
    file->setDestinationPath("c:/demo/HELLO.PRG");
    Platform::Files::ReplaceFileContents(pathIn(folder, PackageDocument), doc->WriteXML(), kSource);
}

} // namespace DemoFiles
