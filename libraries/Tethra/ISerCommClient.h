#pragma once
// A client of the serial wrapper: the top client of its stack hears the control's events.
#include "automation/Object.h"
#include "automation/Ref.h"

namespace Tethra {

class SerCommWrapper;

class ISerCommClient {
public:
    static constexpr Automation::ClassInfo classInfo{"{8B4C6A21-97E3-4D05-B1F8-5E2A0D63C9F4}",
                                                     "Tethra.ISerCommClient",
                                                     "{8B4C6A21-97E3-4D05-B1F8-5E2A0D63C9F4}"};

    virtual ~ISerCommClient() = default;

    // The wrapper the client is attached to; Nothing while detached.
    virtual Automation::Ref<SerCommWrapper> SerComm() = 0;
    virtual void setSerComm(const Automation::Ref<SerCommWrapper>& value) = 0;
    virtual void PrepareFile() = 0;
    virtual void StartFile() = 0;
    virtual void WaitForFile() = 0;
    virtual void TransferBlock() = 0;
    virtual void FinishFile() = 0;
    virtual void AbortFile() = 0;
    virtual void AbortFileTransfer() = 0;
    virtual void FinishFileTransfer() = 0;
    virtual void Receive() = 0;
    virtual void CTSChanged() = 0;
    virtual void DSRChanged() = 0;
};

} // namespace Tethra
