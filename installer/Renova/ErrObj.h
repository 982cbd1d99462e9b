#pragma once
// A copy of an error that a handler logs and raises again with its own
// source in front of the error's source.
#include <cstdint>
#include <string>

#include "automation/Error.h"
#include "automation/Object.h"

namespace Renova {

class ErrObj : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{
        "{6B9E2D07-C4A1-4F53-8D76-0E3B5A9C1F82}", "Renova.ErrObj", "{93D5F1A8-2B07-4C6E-A4F9-7E1C0D8B5A36}"};

    int32_t Number() const { return number_; }
    const std::string& Description() const { return description_; }
    const std::string& Source() const { return source_; }
    // Decimal text.
    std::string HelpContext() const { return std::to_string(helpContext_); }
    const std::string& HelpFile() const { return helpFile_; }

    // Copies the error; the source becomes sSource & ":" & the error's own source.
    void LoadErrObj(const Automation::Error& ErrorObj, const std::string& sSource = {});
    [[noreturn]] void Raise() const;

private:
    int32_t number_ = 0;
    std::string description_;
    std::string source_;
    int32_t helpContext_ = 0;
    std::string helpFile_;
};

} // namespace Renova
