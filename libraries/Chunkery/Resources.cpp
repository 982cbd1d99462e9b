#include "Chunkery/Resources.h"

#include <filesystem>

#include "automation/Runtime.h"
#include "files/FileContents.h"

namespace Chunkery {

namespace {

constexpr std::string_view kKernelMagic = "@(#)KERN";

bool isKernelImage(const Automation::ByteArray& data) {
    return data.size() >= kKernelMagic.size() &&
           std::equal(kKernelMagic.begin(), kKernelMagic.end(), data.begin());
}

} // namespace

void Resources::CreateWhat(Resource& objRes) {
    if (isKernelImage(objRes.Data())) {
        objRes.setResourceType(KERN);
        return;
    }
    int64_t size =
        static_cast<int64_t>(objRes.Data().size()) + static_cast<int64_t>(objRes.NameInPrinter().size()) + 1;
    // The size, with its chunk header, is a signed 32-bit field of the file.
    if (size > INT32_MAX - 36)
        Automation::raise(Automation::RuntimeError::Overflow, "Resources:Add",
                          "Overflow: the resource \"" + objRes.NameInPrinter() +
                              "\" is too large for a flash file");
    objRes.setSize(static_cast<int32_t>(size));
}

Automation::Ref<Resource> Resources::Add(const std::string& sSource, const std::string& sNameInPrinter,
                                         bool bSourceIsData, std::string_view strDevice) {
    auto resource = Automation::New<Resource>(Resource::Token{});
    if (bSourceIsData) {
        resource->setData(Automation::ByteArray(sSource.begin(), sSource.end()));
        resource->setNameInPrinter(sNameInPrinter);
    } else {
        if (!Platform::Files::IsVisibleFile(sSource))
            Automation::raise(ChunkeryError, "Resources:Add:CheckPath", "Path is not valid");
        resource->setPath(sSource);
        if (sNameInPrinter.empty())
            resource->setNameInPrinter(
                Automation::upperCase(std::filesystem::path(sSource).filename().string()));
        else if (sNameInPrinter == ".resrc")
            resource->setNameInPrinter(sNameInPrinter);
        else
            resource->setNameInPrinter(Automation::upperCase(sNameInPrinter));
        std::string contents = Platform::Files::ReadFileContents(sSource, "Resources:Add", INT32_MAX);
        resource->setData(Automation::ByteArray(contents.begin(), contents.end()));
    }
    resource->setResourceType(isKernelImage(resource->Data()) ? KERN : ROMD);
    if (resource->ResourceType() == ROMD && resource->NameInPrinter().empty())
        Automation::raise(ChunkeryError, "Resources:Add", "Name in printer is missing");
    resource->setDevice(Automation::lowerCase(strDevice));
    CreateWhat(*resource);

    if (resource->ResourceType() == KERN) {
        if (hasKernel_)
            Automation::raise(ChunkeryError, "Resources:Add", "Can't add more than one kernel");
        items_.Add(resource, "KERN", count() > 0 ? 1 : 0);
        hasKernel_ = true;
    } else {
        items_.Add(resource, resource->NameInPrinter());
    }
    return resource;
}

void Resources::remove(const Automation::Ref<Resource>& item) {
    for (int32_t i = 1; i <= count(); ++i)
        if (items_.Item(i) == item) {
            if (item->ResourceType() == KERN && items_.KeyAt(i) == "KERN")
                hasKernel_ = false;
            items_.Remove(i);
            return;
        }
}

} // namespace Chunkery
