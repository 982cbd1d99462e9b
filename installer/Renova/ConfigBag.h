#pragma once
// One installation job: what to install, onto which printer, and the two
// clients that hear of its progress and answer its questions.
#include <cstdint>
#include <string>

#include "Renova/Enums.h"
#include "Renova/ICallback.h"
#include "Renova/IPrinter.h"
#include "Renova/IRequest.h"
#include "Renova/NetworkPrinter.h"
#include "Renova/SerialPrinter.h"
#include "automation/Object.h"

namespace Renova {

class ConfigBag : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{2C7F5A93-1E64-4B08-A5D2-9F3E0B7C6A14}",
                                                     "Renova.ConfigBag",
                                                     "{D90B3E46-8A17-4C52-B6F1-4E2D7A9C0B35}"};

    // An enumInstalltionType value.
    int32_t InstallationType() const { return installationType_; }
    void setInstallationType(int32_t value) { installationType_ = value; }
    const Automation::Ref<IPrinter>& TargetPrinter() const { return targetPrinter_; }
    void setTargetPrinter(Automation::Ref<IPrinter> value) { targetPrinter_ = std::move(value); }
    // The firmware image (".bin") or the package document (".rbi").
    const std::string& SourcePath() const { return sourcePath_; }
    void setSourcePath(std::string value) { sourcePath_ = std::move(value); }
    const Automation::Ref<ICallback>& CallbackClient() const { return callbackClient_; }
    void setCallbackClient(Automation::Ref<ICallback> value) { callbackClient_ = std::move(value); }
    const Automation::Ref<IRequest>& RequestClient() const { return requestClient_; }
    void setRequestClient(Automation::Ref<IRequest> value) { requestClient_ = std::move(value); }

    // New targets; neither becomes TargetPrinter.
    Automation::Ref<NetworkPrinter> CreateNetworkPrinter(const std::string& IPAddress, int32_t Port) const;
    Automation::Ref<SerialPrinter> CreateSerialPrinter(int16_t CommPort) const;

private:
    int32_t installationType_ = 0;
    Automation::Ref<IPrinter> targetPrinter_;
    std::string sourcePath_;
    Automation::Ref<ICallback> callbackClient_;
    Automation::Ref<IRequest> requestClient_;
};

} // namespace Renova
