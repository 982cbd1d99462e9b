#pragma once
// Puts a kernel image onto a Vantor printer through a bound Printer: decides
// whether this image may go onto this printer, uploads it to tmp:, has the
// printer's flakef store it and reboots the printer.
#include <cstdint>
#include <string>

#include "Brindle/Printer.h"
#include "Gaugely/Progress.h"
#include "Scoutel/RBFirmwareFile.h"
#include "automation/Object.h"
#include "automation/Variant.h"

namespace Flashmount {

class RBFirmwareLoader : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{5E0B7C24-91A3-4D6F-8B25-C4E7192A0D38}",
                                                     "Flashmount.RBFirmwareLoader",
                                                     "{A3F26D81-07C4-4B59-9E1D-2B8C5F734E06}"};

    // Whether the user (for an empty name, the one logged in at the printer)
    // may upgrade the kernel.
    bool CanUserUpgrade(const std::string& Username = {});
    // The whole upgrade, reported as four tasks into the Progress when one is
    // given; raises on every failure.
    void Flash(const Automation::Ref<Gaugely::Progress>& Progress = nullptr);
    // Loads the image; a path that fails to load is not kept.
    const std::string& FirmwareFilePath() const { return firmwareFilePath_; }
    void setFirmwareFilePath(const std::string& value);
    Automation::Ref<Brindle::Printer> Printer() const { return printer_; }
    void setPrinter(const Automation::Ref<Brindle::Printer>& value) { printer_ = value; }
    // Whether the image is a kernel image that holds every byte it promises,
    // its whole header and a readable identifier.
    bool ValidFirmware();
    std::string KernelID();
    // The users who may upgrade, comma-separated, by printer-language version.
    std::string GetUsersWhoCanUpgrade();
    // The preconditions of Flash, changing nothing: True, or the failing one's error.
    bool CanUpgrade();
    void ChangeUser(const std::string& Username, const std::string& Password = {});

private:
    Automation::Ref<Scoutel::RBFirmwareFile> FirmwareFileObject();
    // 116 with the member's source when there is no printer or no connection.
    void requirePrinter(const std::string& source) const;
    // Conditions 1 to 4 (printer, connection, image, user) and the version
    // gates, each raised with its number under `source`.
    void checkOpening(const std::string& source);
    void checkVersions(const std::string& printerVersion, const std::string& source);
    void ClearPrinterTmp();
    int32_t GetPrinterTmpFree();
    void WritePrinterDisplayMessage(const std::string& text, int32_t tone, int32_t duration);
    void ReleaseImageBufferMemory();
    void RestoreImageBufferMemory();
    void Upload(const Automation::ByteArray& data, const std::string& file,
                const Automation::Ref<Gaugely::Progress>& progress);
    void Flake(const std::string& file, const Automation::Ref<Gaugely::Progress>& progress);
    // Sets the serial receive buffer raised for flakef back to its old value.
    void restoreReceiveBuffer();
    // After a failure: what the upgrade changed on the printer is put back
    // where it can be, the kernel file on tmp: removed first when asked; a
    // failure here does not hide the first one.
    void restoreSettings(bool removeKernel);

    Automation::Ref<Brindle::Printer> printer_;
    Automation::Ref<Scoutel::RBFirmwareFile> image_;
    int32_t savedMediaWidth_ = 0;
    int32_t savedMediaLength_ = 0;
    std::string firmwareFilePath_;
    // The receive buffer's value before flakef, while it is raised.
    bool receiveBufferRaised_ = false;
    int32_t savedReceiveBuffer_ = 0;
};

} // namespace Flashmount
