#pragma once
// Text values in the registry under a root key, a company and an
// application: "Software\<Company>\<AppName>\<Section>". The key name "*"
// stands for a key's unnamed default value. Failures show only in the
// results: a Default, or False.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "automation/Object.h"
#include "registry/Registry.h"

namespace Renova {

class RegAccess : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{0E7C4B92-35D8-4A61-9F2B-C8D1E6A3705F}",
                                                     "Renova.RegAccess",
                                                     "{B81F3A67-D42C-4E09-A5B8-6F0C2D9E1A73}"};
    static constexpr const char* DefaultCompany = "Korvessa";

    // defaultAppName: the product name of the program or library using it.
    explicit RegAccess(std::string defaultAppName = "Renova") : defaultAppName_(std::move(defaultAppName)) {}

    // Empty restores the default; anything else is kept trimmed of blanks.
    std::string Company() const { return company_.empty() ? DefaultCompany : company_; }
    void setCompany(std::string_view value) { company_ = trimmed(value); }
    std::string AppName() const { return appName_.empty() ? defaultAppName_ : appName_; }
    void setAppName(std::string_view value) { appName_ = trimmed(value); }
    // A value that is no predefined root reads as HKEY_CURRENT_USER, which it then keeps.
    int32_t TopLevelKey();
    void setTopLevelKey(int32_t value) { topLevelKey_ = value; }

    // Section is the whole key path below the root. Default when the key or
    // the value is absent or empty; a stored terminating zero is dropped.
    // AppSetting is accepted and not used.
    std::string GetSetting(std::string_view Section, std::string_view Key, std::string_view Default = {},
                           bool AppSetting = false);
    // Section is below the application's key.
    bool SaveSetting(std::string_view Section, std::string_view Key, std::string_view Setting);
    // With a Key the value goes; without one the application's subkey Section.
    bool RemoveSetting(std::string_view Section, std::optional<std::string_view> Key = std::nullopt);

private:
    static std::string trimmed(std::string_view value);
    std::string sectionKey(std::string_view Section) const;

    std::string defaultAppName_;
    std::string company_;
    std::string appName_;
    int32_t topLevelKey_ = Platform::Registry::HKEY_CURRENT_USER;
};

} // namespace Renova
