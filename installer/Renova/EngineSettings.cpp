#include "Renova/EngineSettings.h"

#include "Renova/RegAccess.h"
#include "automation/Error.h"
#include "automation/Runtime.h"

namespace Renova {

namespace {

const char* valueName(int32_t index) {
    switch (index) {
    case TS_TimeOut:
        return "TimeOut";
    case TS_FileTransferTimeOut:
        return "FileTransferTimeOut";
    case TS_FileTransferRestoreTimeOut:
        return "FileTransferRestoreTimeOut";
    default:
        return nullptr;
    }
}

Automation::Ref<RegAccess> engineKey() {
    auto registry = Automation::New<RegAccess>();
    registry->setAppName("Kestrup");
    registry->setCompany("Korvessa");
    registry->setTopLevelKey(Platform::Registry::HKEY_CURRENT_USER);
    return registry;
}

} // namespace

std::string ReadTimeout(int32_t index) {
    const char* name = valueName(index);
    if (!name)
        return {};
    std::string text = engineKey()->GetSetting("Software\\Korvessa\\Kestrup\\Settings", name, "0");
    try {
        return std::to_string(Automation::toLong(Automation::textToDouble(text)));
    } catch (const Automation::Error&) {
        return {};
    }
}

int32_t ReadTimeoutValue(int32_t index) {
    std::string text = ReadTimeout(index);
    return text.empty() ? 0 : std::stoi(text);
}

void WriteTimeout(int32_t index, int32_t value) {
    if (const char* name = valueName(index))
        engineKey()->SaveSetting("Settings", name, std::to_string(value));
}

} // namespace Renova
