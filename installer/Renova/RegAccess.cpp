#include "Renova/RegAccess.h"

#include "automation/Runtime.h"

namespace Renova {

namespace {

std::string_view valueName(std::string_view Key) {
    return Key == "*" ? std::string_view() : Key;
}

} // namespace

std::string RegAccess::trimmed(std::string_view value) {
    return Automation::trim(value);
}

int32_t RegAccess::TopLevelKey() {
    if (!Platform::Registry::IsPredefinedRoot(topLevelKey_))
        topLevelKey_ = Platform::Registry::HKEY_CURRENT_USER;
    return topLevelKey_;
}

std::string RegAccess::sectionKey(std::string_view Section) const {
    std::string key = "Software\\" + Company() + "\\" + AppName();
    if (!Section.empty())
        key += "\\" + std::string(Section);
    return key;
}

std::string RegAccess::GetSetting(std::string_view Section, std::string_view Key, std::string_view Default,
                                  bool) {
    std::optional<std::string> value = Platform::Registry::QueryValue(TopLevelKey(), Section, valueName(Key));
    if (!value || value->empty())
        return std::string(Default);
    if (value->back() == '\0')
        value->pop_back();
    return *value;
}

bool RegAccess::SaveSetting(std::string_view Section, std::string_view Key, std::string_view Setting) {
    return Platform::Registry::SetValue(TopLevelKey(), sectionKey(Section), valueName(Key), Setting);
}

bool RegAccess::RemoveSetting(std::string_view Section, std::optional<std::string_view> Key) {
    if (Key)
        return Platform::Registry::DeleteValue(TopLevelKey(), sectionKey(Section), valueName(*Key));
    // An empty Section would name the application's own key, which is no subkey of it.
    return !Section.empty() && Platform::Registry::DeleteKey(TopLevelKey(), sectionKey(Section));
}

} // namespace Renova
