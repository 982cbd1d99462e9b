#pragma once
// A file of the package to copy onto the printer.
#include <string>

#include "automation/Object.h"

namespace Scrivel {

class PFile : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{
        "{8E2D6B13-F470-4C95-A1D8-36C0B9E5F274}", "Scrivel.PFile", "{D5A07C49-2B1E-4F63-8C90-E4F1A6B23D58}"};

    // The file's name in the package folder.
    const std::string& FileTitle() const { return fileTitle_; }
    void setFileTitle(std::string value) { fileTitle_ = std::move(value); }
    const std::string& SourcePath() const { return sourcePath_; }
    void setSourcePath(std::string value) { sourcePath_ = std::move(value); }
    const std::string& DestinationPath() const { return destinationPath_; }
    void setDestinationPath(std::string value) { destinationPath_ = std::move(value); }
    bool ConvertToUpperCase() const { return convertToUpperCase_; }
    void setConvertToUpperCase(bool value) { convertToUpperCase_ = value; }

private:
    std::string fileTitle_;
    std::string sourcePath_;
    std::string destinationPath_;
    bool convertToUpperCase_ = false;
};

} // namespace Scrivel
