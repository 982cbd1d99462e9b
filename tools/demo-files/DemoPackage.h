#pragma once
// The files that the demo installs: a package (document, licence, readme and
// its UFF flash file) and a bare firmware image, written with the product's
// own writers so that the demo shows what a real package looks like.
#include <string>

namespace DemoFiles {

// File names inside the folder.
inline constexpr const char* PackageDocument = "Demo.rbi";
inline constexpr const char* LicenseFile = "License.rtf";
inline constexpr const char* ReadmeFile = "Readme.txt";
inline constexpr const char* FlashFileName = "Demo.uff";
inline constexpr const char* FirmwareImage = "Rubric820.bin";

// What the demo's printers are updated to, and the identifier of that kernel.
inline constexpr const char* FirmwareVersion = "8.20";
inline constexpr const char* KernelIdentifier = "Rubric 8.20";
// Stops the program that runs on a demo printer which ignores hello.
inline constexpr const char* BreakString = "<ESC>.<CR>";

// The kernel image bytes: a KERN header whose identifier the image parser finds.
std::string KernelImage();

// Writes every demo file into folder (which must exist), each replacing an
// older one whole. Raises the writers' errors.
void WriteDemoFiles(const std::string& folder);

} // namespace DemoFiles
