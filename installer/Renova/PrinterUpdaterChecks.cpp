// Whether a printer may take the job: its language version, and the
// package's requirements, each mismatch put to the user.
#include <cmath>

#include "Brindle/ConfigurationEnums.h"
#include "Renova/PrinterUpdater.h"
#include "Scrivel/Enums.h"
#include "automation/Runtime.h"

namespace Renova {

namespace {

constexpr int32_t RequirementCancelled = 9999;

} // namespace

int32_t PrinterUpdater::MajorVersion(std::string_view text) {
    size_t at = text.find_first_of("0123456789");
    if (at == std::string_view::npos)
        return 0;
    std::string_view two = text.substr(at, 2);
    if (two.size() == 2) {
        if (std::optional<double> number = Automation::parseNumber(two))
            return static_cast<int32_t>(std::floor(*number));
    }
    return text[at] - '0';
}

int32_t PrinterUpdater::ModelBit(std::string_view modelName) {
    static const std::pair<const char*, int32_t> models[] = {
        {"ravo", Scrivel::PM_Ravo},    {"sileq", Scrivel::PM_Sileq},   {"dunmar", Scrivel::PM_Dunmar},
        {"kelbo", Scrivel::PM_Kelbo},  {"trell", Scrivel::PM_Trell},   {"ganwy", Scrivel::PM_Ganwy},
        {"hosk", Scrivel::PM_Hosk},    {"vindle", Scrivel::PM_Vindle}, {"quorl", Scrivel::PM_Quorl},
        {"zephan", Scrivel::PM_Zephan}};
    const std::string name = Automation::lowerCase(modelName);
    for (const auto& [model, bit] : models)
        if (name == model)
            return bit;
    return 0;
}

bool PrinterUpdater::CheckRubricVersion(const std::string& required) {
    return step("CheckRubricVersion", "CheckRubricVersion error: ", [&] {
        setAction(AI_VersionCheck);
        report(0);
        const std::string version = printer_->RubricVersion();
        std::string wanted = required;
        for (int32_t at = Automation::inStr(1, wanted, "Rubric ", Automation::CompareMethod::Text); at > 0;
             at = Automation::inStr(at, wanted, "Rubric ", Automation::CompareMethod::Text))
            wanted.erase(static_cast<size_t>(at - 1), 7);
        wanted = Automation::trim(wanted);

        const int32_t have = MajorVersion(version);
        const int32_t need = MajorVersion(wanted);
        const bool passed = have > need || (have == need && version >= wanted);
        if (!passed) {
            log("Firmware version check");
            return false;
        }
        log("Firmware version check succeeded");
        report(100);
        return true;
    });
}

void PrinterUpdater::CheckRequirements() {
    step("CheckRequirements", "CheckRequirements error: ", [&] {
        log("Check Requirements");
        setAction(AI_ReqCheck);
        report(0);
        auto ask = [&](const std::string& message) {
            CancelPointBeforeAsking();
            bool cancel = false;
            requestClient_->ReqNotMatch(message, cancel);
            if (cancel)
                Automation::raise(RequirementCancelled, "PrinterUpdater.CheckRequirements",
                                  "Requirement check cancelled by user");
        };

        const int32_t models = package_->Printermodels();
        if (models > 0) {
            const int32_t bit = ModelBit(printer_->GetModel());
            if (bit != 0 && (models & bit) == 0)
                ask("Printer Model wrong.");
        }

        const int32_t interfaces = package_->Interfaces();
        int32_t hardware = 0;
        if (interfaces != 0 || package_->TPHResolution() > 0)
            hardware = printer_->GetHardwareConfiguration();
        using namespace Brindle;
        if ((interfaces & Scrivel::Dual_RS232) && !(hardware & HardwareOption_DuelRS232))
            ask("Dual RS-232 is not installed.");
        if ((interfaces & Scrivel::Hublet) &&
            !(hardware & (HardwareOption_HubletK1 | HardwareOption_HubletK1x)))
            ask("Hublet is not installed.");
        if ((interfaces & Scrivel::Industrial) && !(hardware & HardwareOption_IndustrialIF))
            ask("Industrial Interface Card is not installed.");
        if ((interfaces & Scrivel::Parallel) && !(hardware & HardwareOption_Centronics))
            ask("Parallel Interface Card is not installed.");
        if ((interfaces & Scrivel::MSDOS_CARD) && !printer_->IsDeviceMounted("card1:"))
            ask("MS-DOS card not mounted.");

        const int32_t head = package_->TPHResolution();
        if (head > 0) {
            bool found = false;
            if (head == Scrivel::TPH_203dpi_AND_305dpi) {
                if (hardware & (HardwareOption_200DPI | HardwareOption_300DPI))
                    found = true;
                else
                    ask("200/300 dpi Thermal Printhead is not installed.");
            }
            if ((head & Scrivel::TPH_203dpi) && !found) {
                if (hardware & HardwareOption_200DPI)
                    found = true;
                else
                    ask("203 dpi Thermal Printhead is not installed.");
            }
            if ((head & Scrivel::TPH_305dpi) && !found && !(hardware & HardwareOption_300DPI))
                ask("300 dpi Thermal Printhead is not installed.");
        }

        const int32_t ram = package_->MinMemSizeDram();
        if (ram > 0 && printer_->GetMemoryConfiguration(Brindle::MemoryType_ram) < ram * 1024)
            ask(std::to_string(ram) + " Mb RAM is required.");
        const int32_t flash = package_->MinMemSizeFlash();
        if (flash > 0 && printer_->GetMemoryConfiguration(Brindle::MemoryType_flash) < flash * 1024)
            ask(std::to_string(flash) + " Mb Flash memory (permanent storage) is required.");
        report(100);
    });
}

} // namespace Renova
