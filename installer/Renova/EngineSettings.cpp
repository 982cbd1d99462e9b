#include "Renova/EngineSettings.h"

#include "Renova/RegAccess.h"
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

TransferTimeouts ReadTransferTimeouts(const std::function<int32_t()>& transferDefault,
                                      const std::function<int32_t()>& restoreDefault) {
    TransferTimeouts timeouts;
    IgnoringErrors([&] { timeouts.transfer = ReadTimeoutValue(TS_FileTransferTimeOut); });
    IgnoringErrors([&] { timeouts.restore = ReadTimeoutValue(TS_FileTransferRestoreTimeOut); });
    if (timeouts.transfer == 0) {
        IgnoringErrors([&] { timeouts.transfer = transferDefault(); });
        IgnoringErrors([&] { WriteTimeout(TS_FileTransferTimeOut, timeouts.transfer); });
    }
    if (timeouts.restore == 0) {
        IgnoringErrors([&] { timeouts.restore = restoreDefault(); });
        IgnoringErrors([&] { WriteTimeout(TS_FileTransferRestoreTimeOut, timeouts.restore); });
    }
    return timeouts;
}

} // namespace Renova
