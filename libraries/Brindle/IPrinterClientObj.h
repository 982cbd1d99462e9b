#pragma once
// An object that wants to hear when what a Printer knows changes.
#include <string>

namespace Brindle {

class IPrinterClientObj {
public:
    virtual ~IPrinterClientObj() = default;

    virtual void PrinterRefresh() {}
    // NewData: the listing or setup text just read.
    virtual void FileSystemRefresh(const std::string& NewData) { (void)NewData; }
    virtual void SetupRefresh(const std::string& NewData) { (void)NewData; }
    virtual void FontsRefresh(const std::string& NewData) { (void)NewData; }
    virtual void ImagesRefresh(const std::string& NewData) { (void)NewData; }
    virtual void DestroyRequest(bool& Cancel) { (void)Cancel; }
};

} // namespace Brindle
