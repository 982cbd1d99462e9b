#pragma once
// What every transport keeps for ITransfer: its connection and progress
// object for one transfer, the last status, and the printer's other output.
#include <cstdint>
#include <string>

#include "Brindle/ITransfer.h"

namespace Brindle {

class TransferBase : public ITransfer {
public:
    Automation::Ref<Tethra::Connection> Connection() override { return connection_; }
    void setConnection(const Automation::Ref<Tethra::Connection>& value) override { connection_ = value; }
    void setProgressObject(const Automation::Ref<Gaugely::Progress>& value) override { progress_ = value; }
    Automation::Ref<Gaugely::Progress> ProgressObject() override { return progress_; }
    int32_t Status() override { return status_; }
    std::string GarbageReceived() override { return garbage_; }

protected:
    Automation::Ref<Tethra::Connection> connection_;
    Automation::Ref<Gaugely::Progress> progress_;
    int32_t status_ = Tethra::FileTransfer_Success;
    std::string garbage_;
};

} // namespace Brindle
