#pragma once
// One package document (".rbi") in memory: filled from its XML text and
// turned back into it. Paths and names are kept as the document writes them.
#include <cstdint>
#include <string>
#include <string_view>

#include "Scrivel/BreakStrings.h"
#include "Scrivel/PDirs.h"
#include "Scrivel/PFiles.h"
#include "Scrivel/SerialConnectStrings.h"
#include "automation/Object.h"
#include "automation/Variant.h"

namespace Markwell {
class DocNode;
}

namespace Scrivel {

class KSDoc : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{
        "{B3F7A215-60C9-4E8D-9A42-D17E5C0B8F36}", "Scrivel.KSDoc", "{7E0A4D98-C3B6-4F51-8D27-95A2F1E6C04B}"};

    const std::string& Path() const { return path_; }
    void setPath(std::string value) { path_ = std::move(value); }
    const std::string& Version() const { return version_; }
    void setVersion(std::string value) { version_ = std::move(value); }
    const std::string& ApplicationName() const { return applicationName_; }
    void setApplicationName(std::string value) { applicationName_ = std::move(value); }
    Automation::DateValue BuildDate() const { return buildDate_; }
    void setBuildDate(Automation::DateValue value) { buildDate_ = value; }
    const std::string& UffFilePath() const { return uffFilePath_; }
    void setUffFilePath(std::string value) { uffFilePath_ = std::move(value); }
    const std::string& ReadMeFilePath() const { return readMeFilePath_; }
    void setReadMeFilePath(std::string value) { readMeFilePath_ = std::move(value); }
    const std::string& LicenseFilePath() const { return licenseFilePath_; }
    void setLicenseFilePath(std::string value) { licenseFilePath_ = std::move(value); }
    const std::string& FirmwareVersion() const { return firmwareVersion_; }
    void setFirmwareVersion(std::string value) { firmwareVersion_ = std::move(value); }
    bool RubricAlwaysUpdate() const { return rubricAlwaysUpdate_; }
    void setRubricAlwaysUpdate(bool value) { rubricAlwaysUpdate_ = value; }
    int32_t MinMemSizeDram() const { return minMemSizeDram_; }
    void setMinMemSizeDram(int32_t value) { minMemSizeDram_ = value; }
    int32_t MinMemSizeFlash() const { return minMemSizeFlash_; }
    void setMinMemSizeFlash(int32_t value) { minMemSizeFlash_ = value; }
    // One value of enumTPHResolutions.
    int32_t TPHResolution() const { return tphResolution_; }
    void setTPHResolution(int32_t value) { tphResolution_ = value; }
    // Sums of enumInterfaceCards and enumPrinterModels bits.
    int32_t Interfaces() const { return interfaces_; }
    void setInterfaces(int32_t value) { interfaces_ = value; }
    int32_t Printermodels() const { return printermodels_; }
    void setPrintermodels(int32_t value) { printermodels_ = value; }
    bool FormatFlash() const { return formatFlash_; }
    void setFormatFlash(bool value) { formatFlash_ = value; }
    bool FormatCard() const { return formatCard_; }
    void setFormatCard(bool value) { formatCard_ = value; }

    // Created empty on first use; the same list afterwards.
    Automation::Ref<Scrivel::SerialConnectStrings> SerialConnectStrings();
    Automation::Ref<Scrivel::BreakStrings> BreakStrings();
    Automation::Ref<PFiles> PrinterFiles();
    Automation::Ref<PDirs> PrinterDirectories();

    // Adds what the document text holds: scalar values replace, list entries
    // are appended. A text whose first element is not "Kestrup" is ignored;
    // the result tells whether the text was a package document. A text cut
    // short is refused, and nothing of it is added.
    bool ReadXML(std::string_view sDoc);
    std::string WriteXML();

private:
    void readNode(const Markwell::DocNode& node);

    std::string path_;
    std::string version_;
    std::string applicationName_;
    Automation::DateValue buildDate_;
    std::string uffFilePath_;
    std::string readMeFilePath_;
    std::string licenseFilePath_;
    std::string firmwareVersion_;
    bool rubricAlwaysUpdate_ = false;
    int32_t minMemSizeDram_ = 0;
    int32_t minMemSizeFlash_ = 0;
    int32_t tphResolution_ = 0;
    int32_t interfaces_ = 0;
    int32_t printermodels_ = 0;
    bool formatFlash_ = false;
    bool formatCard_ = false;
    Automation::Ref<Scrivel::SerialConnectStrings> serialConnectStrings_;
    Automation::Ref<Scrivel::BreakStrings> breakStrings_;
    Automation::Ref<PFiles> printerFiles_;
    Automation::Ref<PDirs> printerDirectories_;
};

} // namespace Scrivel
