#pragma once
// The questions an installation engine asks its client; the answers come
// back in the by-reference arguments. The class itself answers nothing and
// cancels every question, so that a client that overrides none of them ends
// a job that needs an answer instead of being asked again without end.
#include <cstdint>
#include <string>

namespace Renova {

class IRequest {
public:
    virtual ~IRequest() = default;

    // A break string for a network printer.
    virtual void RequestForBreakString(const std::string& sPrinter, std::string& sBreak, bool& Cancel);
    // Serial settings and a break string for a printer on a serial port.
    virtual void RequestForSerialBreakString(const std::string& sPrinter, int32_t& Baudrate,
                                             int16_t& Databits, int16_t& Stopbits, int16_t& Parity,
                                             std::string& sBreakString, bool& Cancel);
    // A printer user and password before a firmware update; SavePassword is not used by the engine.
    virtual void RequestLogin(const std::string& sPrinter, std::string& sUserName, std::string& sPassword,
                              bool& SavePassword, bool& Cancel);
    // Shows a requirement the printer does not meet; Cancel stops the job.
    virtual void ReqNotMatch(const std::string& sText, bool& Cancel);
};

} // namespace Renova
