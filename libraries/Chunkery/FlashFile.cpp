#include "Chunkery/FlashFile.h"

#include <chrono>
#include <random>
#include <vector>

#include "automation/Error.h"
#include "files/FileContents.h"
#include "files/ReplacementFile.h"

namespace Chunkery {

namespace {

constexpr int32_t kHeaderLength = 24;
constexpr int32_t kRomdExtensionLength = 16;
constexpr int32_t kRomdNameOffset = 36;
// A ROM-disk name holds at most 64 characters.
constexpr int32_t kNameWindow = 65;
constexpr const char* kReadSource = "FlashFile:FlashRead";

void putInt16(std::string& out, int32_t value) {
    for (int i = 0; i < 2; ++i)
        out += static_cast<char>((static_cast<uint32_t>(value) >> (8 * i)) & 0xFF);
}
void putInt32(std::string& out, int64_t value) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((static_cast<uint64_t>(value) >> (8 * i)) & 0xFF);
}
void padToFour(std::string& out) {
    out.append((4 - out.size() % 4) % 4, '\0');
}

// Each identifier is the product of two draws from 1 to 32767; readers ignore it.
int32_t randomIdentifier() {
    std::minstd_rand generator(
        static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::uniform_int_distribution<int32_t> draw(1, 32767);
    int32_t a = draw(generator);
    return a * draw(generator);
}

[[noreturn]] void raiseTooLarge() {
    Automation::raise(Automation::RuntimeError::Overflow, "FlashFile:FlashWrite",
                      "Overflow: the resources are too large for a flash file");
}

// A resource as the file holds it, checked before anything is added.
struct Entry {
    enum_ResourceType type;
    std::string name;
    std::string data;
};

class Reader {
public:
    Reader(std::string bytes, std::string path) : bytes_(std::move(bytes)), path_(std::move(path)) {}

    std::vector<Entry> entries() {
        require(0, kHeaderLength + 4, "the file is shorter than a flash file header");
        if (bytes_.compare(0, 8, "@(#)RESU") != 0)
            fail("it does not begin with \"@(#)RESU\"");
        int64_t n = int32At(24);
        if (n < 0 || 28 + 16 * n > size())
            fail("its directory of " + std::to_string(n) + " resources does not fit in the file");
        std::vector<Entry> found;
        for (int64_t i = 0; i < n; ++i) {
            std::string which = "resource " + std::to_string(i + 1);
            int64_t offset = int32At(36 + 16 * i);
            int64_t length = int32At(40 + 16 * i);
            // A kernel chunk may be shorter than a chunk header: only its type is read.
            require(offset, 8, "the chunk of " + which + " lies outside the file");
            std::string type = bytes_.substr(static_cast<size_t>(offset) + 4, 4);
            if (type == "ROMD")
                found.push_back(romDisk(offset, which));
            else if (type == "KERN") {
                require(offset, length, "the kernel chunk of " + which + " reaches past the end of the file");
                found.push_back(
                    {KERN, {}, bytes_.substr(static_cast<size_t>(offset), static_cast<size_t>(length))});
            }
        }
        return found;
    }

private:
    int64_t size() const { return static_cast<int64_t>(bytes_.size()); }
    int32_t int32At(int64_t at) const {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= uint32_t{static_cast<uint8_t>(bytes_[static_cast<size_t>(at) + i])} << (8 * i);
        return static_cast<int32_t>(value);
    }
    [[noreturn]] void fail(const std::string& what) const {
        Automation::raise(ChunkeryError, kReadSource, "The flash file \"" + path_ + "\" is damaged: " + what);
    }
    void require(int64_t at, int64_t length, const std::string& what) const {
        if (at < 0 || length < 0 || at + length > size())
            fail(what);
    }

    Entry romDisk(int64_t chunk, const std::string& which) const {
        require(chunk, kHeaderLength, "the chunk header of " + which + " reaches past the end of the file");
        int64_t nameAt = chunk + int32At(chunk + 20);
        require(nameAt, 0, "the name of " + which + " lies outside the file");
        size_t zero = bytes_.find('\0', static_cast<size_t>(nameAt));
        if (zero == std::string::npos || static_cast<int64_t>(zero) - nameAt >= kNameWindow) {
            if (zero == std::string::npos && size() - nameAt < kNameWindow)
                fail("the name of " + which + " has no terminating zero");
            Automation::raise(Automation::RuntimeError::InvalidProcedureCall, kReadSource,
                              "Invalid procedure call or argument: the name of " + which + " in \"" + path_ +
                                  "\" is longer than 64 characters");
        }
        std::string name = bytes_.substr(static_cast<size_t>(nameAt), zero - static_cast<size_t>(nameAt));
        int64_t dataLength = int64_t{int32At(chunk + 12)} - static_cast<int64_t>(name.size()) - 1;
        require(static_cast<int64_t>(zero) + 1, dataLength,
                "the data of \"" + name + "\" have a size that does not fit in the file");
        return {ROMD, name, bytes_.substr(zero + 1, static_cast<size_t>(dataLength))};
    }

    std::string bytes_;
    std::string path_;
};

} // namespace

Automation::Ref<Resources> FlashFile::Resources() {
    if (!resources_)
        resources_ = Automation::New<Chunkery::Resources>();
    return resources_;
}

bool FlashFile::FlashRead(const std::string& sPath) {
    auto keep = self<FlashFile>();
    ActionStatus.raise(ReadFile, "Loading flashfile");
    if (!Platform::Files::IsVisibleFile(sPath))
        Automation::raise(ChunkeryError, kReadSource, "File not found");
    std::vector<Entry> entries =
        Reader(Platform::Files::ReadFileContents(sPath, kReadSource), sPath).entries();

    auto list = Resources();
    std::vector<Automation::Ref<Resource>> added;
    try {
        for (const auto& entry : entries) {
            if (entry.type == ROMD && entry.name.starts_with(".recrc"))
                continue;
            ActionStatus.raise(ExtractFiles, entry.type == KERN ? "Loading kernel" : "Loading " + entry.name);
            added.push_back(list->Add(entry.data, entry.name, true, "c:"));
        }
    } catch (...) {
        for (const auto& resource : added) {
            for (int32_t i = 1; i <= list->count(); ++i)
                if (list->Item(i) == resource) {
                    list->Remove(i);
                    break;
                }
        }
        throw;
    }
    ActionStatus.raise(Finished, "");
    return true;
}

void FlashFile::FlashWrite(const std::string& sPath) {
    auto keep = self<FlashFile>();
    auto list = Resources();
    int32_t n = list->count();
    if (n > MaxResources)
        Automation::raise(Automation::RuntimeError::Overflow, "FlashFile:FlashWrite",
                          "Overflow: a flash file holds at most " + std::to_string(MaxResources) +
                              " resources");

    std::string body;
    std::string directory;
    putInt32(directory, n);
    int64_t firstChunk = kHeaderLength + (20 * int64_t{n} + 12) + static_cast<int64_t>(resourceName_.size()) +
                         4 - static_cast<int64_t>(resourceName_.size() % 4);
    for (const auto& resource : *list) {
        int64_t offset = firstChunk + static_cast<int64_t>(body.size());
        size_t start = body.size();
        if (resource->ResourceType() == KERN) {
            body.append(resource->Data().begin(), resource->Data().end());
        } else {
            // The size follows the bytes written, whatever the resource was given.
            int64_t size =
                static_cast<int64_t>(resource->NameInPrinter().size() + 1 + resource->Data().size());
            if (offset + kRomdNameOffset + size > INT32_MAX)
                raiseTooLarge();
            resource->setSize(static_cast<int32_t>(size));
            body += "@(#)ROMD";
            putInt16(body, kHeaderLength);
            putInt16(body, kRomdExtensionLength);
            putInt32(body, size);
            putInt32(body, 0);
            putInt32(body, kRomdNameOffset);
            body.append(12, '\0');
            body += resource->NameInPrinter();
            body += '\0';
            body.append(resource->Data().begin(), resource->Data().end());
        }
        int64_t length = static_cast<int64_t>(body.size() - start);
        padToFour(body);
        if (firstChunk + static_cast<int64_t>(body.size()) > INT32_MAX)
            raiseTooLarge();
        putInt32(directory, randomIdentifier());
        putInt32(directory, randomIdentifier());
        putInt32(directory, offset);
        putInt32(directory, length);
    }
    putInt32(directory, -1);
    putInt32(directory, 1);
    directory.append(4 * static_cast<size_t>(n), '\0');

    std::string file = "@(#)RESU";
    putInt16(file, kHeaderLength);
    putInt16(file, 20 * n + 12);
    putInt32(file, static_cast<int64_t>(body.size()));
    putInt32(file, 0);
    putInt32(file, 20 * n + 36);
    file += directory;
    file += resourceName_;
    file.append(4 - resourceName_.size() % 4, '\0');
    file += body;
    Platform::Files::ReplaceFileContents(sPath, file, "FlashFile:FlashWrite");
    size_ = static_cast<int32_t>(body.size());
    FileIsWritten.raise();
}

} // namespace Chunkery
