#pragma once
// One entry of a UFF flash file: the kernel image or a named ROM-disk file.
#include <cstdint>
#include <string>

#include "automation/Object.h"
#include "automation/Variant.h"

namespace Chunkery {

enum enum_ResourceType : int32_t { KERN = 0, ROMD = 1 };

class Resources;

class Resource : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{4F6A2D81-93C7-4E25-B18A-0D7E5C3F9A46}",
                                                     "Chunkery.Resource",
                                                     "{C85B1E37-2A64-4D9F-8E03-7B1A6F4C2D95}"};

    // Only a Resources list creates resources.
    class Token {
        Token() = default;
        friend class Resources;
    };
    explicit Resource(Token) {}

    const std::string& Key() const { return key_; }
    void setKey(std::string value) { key_ = std::move(value); }
    const std::string& Device() const { return device_; }
    void setDevice(std::string value) { device_ = std::move(value); }
    std::string DataString() const { return std::string(data_.begin(), data_.end()); }
    const std::string& PrinterDevice() const { return printerDevice_; }
    void setPrinterDevice(std::string value) { printerDevice_ = std::move(value); }
    enum_ResourceType ResourceType() const { return type_; }
    void setResourceType(enum_ResourceType value) { type_ = value; }
    const std::string& NameInPrinter() const { return nameInPrinter_; }
    void setNameInPrinter(std::string value) { nameInPrinter_ = std::move(value); }
    const std::string& Path() const { return path_; }
    void setPath(std::string value) { path_ = std::move(value); }
    const Automation::ByteArray& Data() const { return data_; }
    void setData(Automation::ByteArray value) { data_ = std::move(value); }
    int32_t Size() const { return size_; }
    void setSize(int32_t value) { size_ = value; }

private:
    std::string key_;
    std::string device_;
    std::string printerDevice_;
    enum_ResourceType type_ = KERN;
    std::string nameInPrinter_;
    std::string path_;
    Automation::ByteArray data_;
    int32_t size_ = 0;
};

} // namespace Chunkery
