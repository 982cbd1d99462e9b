#pragma once
// The UFF flash file of an installation package: a container of at most one
// kernel image and any number of named ROM-disk resources.
#include <cstdint>
#include <string>

#include "Chunkery/Resources.h"
#include "automation/Event.h"
#include "automation/Object.h"

namespace Chunkery {

enum class enum_CardTypes : int32_t { Installation = 1, Resource = 2 };
enum enumAction : int32_t { ReadFile = 1, ExtractFiles = 2, Finished = 3 };

class FlashFile : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{7D3B9F12-C4E6-4A85-9B20-5E1F8A6D3C74}",
                                                     "Chunkery.FlashFile",
                                                     "{E49A6C23-8B17-4F5D-A0C9-3D72B8E51F06}"};
    // The directory size is a signed 16-bit field of the file header.
    static constexpr int32_t MaxResources = 1637;

    Automation::Ref<Resource> AddResource(const std::string& sSource, const std::string& sNameInPrinter,
                                          bool bSourceIsData, std::string_view strDevice = "c:") {
        return Resources()->Add(sSource, sNameInPrinter, bSourceIsData, strDevice);
    }

    const std::string& ResourceName() const { return resourceName_; }
    void setResourceName(std::string value) { resourceName_ = std::move(value); }
    int32_t Size() const { return size_; }
    void setSize(int32_t value) { size_ = value; }
    enum_CardTypes CardType() const { return cardType_; }
    void setCardType(enum_CardTypes value) { cardType_ = value; }
    Automation::Ref<Chunkery::Resources> Resources();

    // Adds the resources of the UFF file sPath to the list. A damaged file
    // raises 30001 naming the fault and adds nothing.
    bool FlashRead(const std::string& sPath);
    // Writes the container to sPath through a temporary file beside it, so
    // that a failure leaves an existing file as it was.
    void FlashWrite(const std::string& sPath);

    Automation::Event<> FileIsWritten;
    Automation::Event<enumAction, const std::string&> ActionStatus;

private:
    std::string resourceName_;
    int32_t size_ = 0;
    enum_CardTypes cardType_ = enum_CardTypes{};
    Automation::Ref<Chunkery::Resources> resources_;
};

} // namespace Chunkery
