#pragma once
// One file transfer between the PC and the printer on a connection; raw TCP,
// ZModem and Kermit implement it.
#include <cstdint>
#include <string>

#include "Gaugely/Progress.h"
#include "Tethra/Connection.h"
#include "Tethra/Enums.h"
#include "automation/Object.h"
#include "automation/Ref.h"

namespace Brindle {

class ITransfer {
public:
    static constexpr Automation::ClassInfo classInfo{"{3E9B6A14-7C25-4D8F-A0B3-5F1E2D6C8A47}",
                                                     "Brindle.ITransfer",
                                                     "{3E9B6A14-7C25-4D8F-A0B3-5F1E2D6C8A47}"};

    virtual ~ITransfer() = default;

    virtual Automation::Ref<Tethra::Connection> Connection() = 0;
    virtual void setConnection(const Automation::Ref<Tethra::Connection>& value) = 0;
    virtual void setProgressObject(const Automation::Ref<Gaugely::Progress>& value) = 0;
    virtual Automation::Ref<Gaugely::Progress> ProgressObject() = 0;
    // A value of Tethra::enumFileTransferStatus.
    virtual int32_t Status() = 0;
    // What the printer sent during the transfer that is not file data.
    virtual std::string GarbageReceived() = 0;
    // TransferExpression is the command that starts the printer's side; the
    // transfer writes it itself at the right moment.
    virtual void Download(const std::string& Source, const std::string& Destination, int32_t SourceFileSize,
                          const std::string& TransferExpression) = 0;
    virtual void Upload(const std::string& Source, const std::string& Destination, int32_t SourceFileSize,
                        const std::string& TransferExpression) = 0;
    virtual void Abort() = 0;
};

} // namespace Brindle
