#include "Chunkery/FlashFile.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <vector>

#include "ErrorNumber.h"
#include "LittleEndian.h"
#include "TempFolder.h"

using namespace Chunkery;
using Automation::New;
using Automation::Ref;

namespace {

// The directory's identifiers are random: blank them out before comparing.
std::string withoutIdentifiers(std::string file, int32_t n) {
    for (int32_t i = 0; i < n; ++i)
        file.replace(28 + 16 * i, 8, 8, '?');
    return file;
}

struct Summary {
    enum_ResourceType type;
    std::string name;
    std::string data;
    std::string device;
    bool operator==(const Summary&) const = default;
};
std::vector<Summary> summary(const Ref<Resources>& list) {
    std::vector<Summary> items;
    for (const auto& r : *list)
        items.push_back({r->ResourceType(), r->NameInPrinter(), r->DataString(), r->Device()});
    return items;
}

// A UFF file of raw chunks: each pair is a chunk and the length its directory entry gives.
std::string containerOf(const std::vector<std::pair<std::string, int32_t>>& chunks, int32_t count = -1) {
    auto n = static_cast<int32_t>(chunks.size());
    std::string head = "@(#)RESU" + int16Bytes(24) + int16Bytes(static_cast<int16_t>(20 * n + 12)) +
                       int32Bytes(0) + int32Bytes(0) + int32Bytes(20 * n + 36) +
                       int32Bytes(count == -1 ? n : count);
    int32_t offset = 24 + 20 * n + 12 + 4;
    std::string body;
    for (const auto& [chunk, length] : chunks) {
        head += int32Bytes(1) + int32Bytes(2) + int32Bytes(offset + static_cast<int32_t>(body.size())) +
                int32Bytes(length);
        body += chunk;
    }
    head += int32Bytes(-1) + int32Bytes(1) + std::string(4 * n, '\0') + std::string(4, '\0');
    return head + body;
}
std::string romdChunk(const std::string& name, const std::string& data, int32_t size = -1) {
    return "@(#)ROMD" + int16Bytes(24) + int16Bytes(16) +
           int32Bytes(size < 0 ? static_cast<int32_t>(name.size() + 1 + data.size()) : size) + int32Bytes(0) +
           int32Bytes(36) + std::string(12, '\0') + name + '\0' + data;
}

// While it lives, no file of this process grows past `bytes`: a longer write
// fails as on a full disk (with EFBIG, not the signal).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : handler_(std::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit{std::min(bytes, old_.rlim_max), old_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*handler_)(int);
};

const std::string kKernel = std::string("@(#)KERN") + "\x01\x02";

class FlashFileTest : public testing::Test {
protected:
    Ref<FlashFile> file_ = New<FlashFile>();
    TempFolder folder_;
};

} // namespace

TEST_F(FlashFileTest, LayoutOfTheEdgeCases) {
    std::string path = folder_ / "out.uff";
    file_->FlashWrite(path);
    std::string empty = "@(#)RESU" + int16Bytes(24) + int16Bytes(12) + int32Bytes(0) + int32Bytes(0) +
                        int32Bytes(36) + int32Bytes(0) + int32Bytes(-1) + int32Bytes(1) +
                        std::string(4, '\0');
    EXPECT_EQ(TempFolder::read(path), empty);
    EXPECT_EQ(empty.size(), 40u);

    file_->setResourceName("AB");
    file_->AddResource(kKernel, "", true);
    int written = 0;
    auto connection = file_->FileIsWritten.connect([&] { ++written; });
    file_->FlashWrite(path);
    std::string kernel = "@(#)RESU" + int16Bytes(24) + int16Bytes(32) + int32Bytes(12) + int32Bytes(0) +
                         int32Bytes(56) + int32Bytes(1) + "????????" + int32Bytes(60) + int32Bytes(10) +
                         int32Bytes(-1) + int32Bytes(1) + int32Bytes(0) + "AB" + std::string(2, '\0') +
                         kKernel + std::string(2, '\0');
    EXPECT_EQ(withoutIdentifiers(TempFolder::read(path), 1), kernel);
    EXPECT_EQ(kernel.size(), 72u);
    EXPECT_EQ(file_->Size(), 12);
    EXPECT_EQ(written, 1);

    auto x = New<FlashFile>();
    auto resource = x->AddResource("abc", "X", true);
    EXPECT_EQ(resource->Size(), 5);
    x->setResourceName("ABCD"); // a name of four gets four zeros
    x->FlashWrite(path);
    std::string romd = TempFolder::read(path);
    ASSERT_EQ(romd.size(), 24u + 32 + 8 + 44);
    EXPECT_EQ(romd.substr(56, 8), std::string("ABCD") + std::string(4, '\0'));
    EXPECT_EQ(romd.substr(40, 4), int32Bytes(41));
    EXPECT_EQ(romd.substr(64), romdChunk("X", "abc") + std::string(3, '\0'));
    EXPECT_EQ(x->Size(), 44);
}

TEST_F(FlashFileTest, WrittenResourcesReadBackInOrder) {
    std::string source = folder_.write("readme.txt", std::string("line\r\n\0\xFF", 8));
    file_->AddResource("data one", "a.b", true, "C:");
    file_->AddResource(source, "", false);
    file_->AddResource("", "empty", true);
    file_->AddResource(kKernel + std::string(3, 'k'), "", true);
    file_->AddResource("hidden", ".recrcX", true);
    EXPECT_EQ(file_->Resources()->Item(1)->ResourceType(), KERN);
    EXPECT_EQ(file_->Resources()->Item("kern")->DataString(), kKernel + "kkk");
    EXPECT_EQ(file_->Resources()->Item("README.TXT")->Path(), source);
    EXPECT_EQ(file_->Resources()->Item("EMPTY")->Size(), 6);

    std::string path = folder_ / "pkg.uff";
    file_->FlashWrite(path);
    auto back = New<FlashFile>();
    std::vector<std::pair<enumAction, std::string>> actions;
    auto connection = back->ActionStatus.connect(
        [&](enumAction a, const std::string& text) { actions.emplace_back(a, text); });
    EXPECT_TRUE(back->FlashRead(path));
    std::vector<Summary> expected{{KERN, "", kKernel + "kkk", "c:"},
                                  {ROMD, "a.b", "data one", "c:"},
                                  {ROMD, "README.TXT", std::string("line\r\n\0\xFF", 8), "c:"},
                                  {ROMD, "empty", "", "c:"}};
    EXPECT_EQ(summary(back->Resources()), expected);
    std::vector<std::pair<enumAction, std::string>> expectedActions{
        {ReadFile, "Loading flashfile"},      {ExtractFiles, "Loading kernel"}, {ExtractFiles, "Loading a.b"},
        {ExtractFiles, "Loading README.TXT"}, {ExtractFiles, "Loading empty"},  {Finished, ""}};
    EXPECT_EQ(actions, expectedActions);

    // Written again from what was read, the file is the same byte for byte.
    back->Resources()->Add("hidden", ".recrcX", true);
    std::string again = folder_ / "again.uff";
    back->FlashWrite(again);
    EXPECT_EQ(withoutIdentifiers(TempFolder::read(again), 5), withoutIdentifiers(TempFolder::read(path), 5));
}

TEST_F(FlashFileTest, ResourcesKeepOneKernelFirstAndTheirNames) {
    auto list = file_->Resources();
    EXPECT_EQ(list, file_->Resources());
    std::string readme = folder_.write("readme.txt", "r");
    EXPECT_EQ(list->Add(readme, "", false)->NameInPrinter(), "README.TXT");
    EXPECT_EQ(list->Add(readme, ".resrc", false)->NameInPrinter(), ".resrc");
    EXPECT_EQ(New<Resources>()->Add(readme, ".RESRC", false)->NameInPrinter(), ".RESRC");
    EXPECT_EQ(New<Resources>()->Add(readme, ".Resrc", false)->NameInPrinter(), ".RESRC");
    EXPECT_EQ(list->Add(readme, "x.y", false, "CARD1:")->Device(), "card1:");
    EXPECT_EQ(list->Add("1234567", "short", true)->ResourceType(), ROMD);
    auto kernel = list->Add(kKernel, "", true);
    EXPECT_EQ(kernel, list->Item(1));

    std::vector<Summary> before = summary(list);
    EXPECT_TRUE(isError(raisedError([&] { list->Add(kKernel, "", true); }), 30001, "Resources:Add",
                        "Can't add more than one kernel"));
    EXPECT_TRUE(isError(raisedError([&] { list->Add("data", "", true); }), 30001, "Resources:Add",
                        "Name in printer is missing"));
    for (const std::string& bad : {folder_ / "none", folder_.path().string(), folder_.write(".hidden", "h")})
        EXPECT_TRUE(isError(raisedError([&] { list->Add(bad, "", false); }), 30001, "Resources:Add:CheckPath",
                            "Path is not valid"));
    EXPECT_EQ(errorNumberOf([&] { list->Add("other", "Short", true); }), 457);
    EXPECT_EQ(summary(list), before);

    list->Remove("KERN");
    list->Add(kKernel, "", true);
    EXPECT_EQ(list->Item(1)->ResourceType(), KERN);
    EXPECT_EQ(errorNumberOf([&] { list->Remove("none"); }), 5);
}

TEST_F(FlashFileTest, DamagedFilesRaiseAClearErrorAndAddNothing) {
    file_->AddResource("keep", "KEEP", true);
    struct Case {
        const char* what;
        std::string bytes;
        int32_t number;
        std::string fault;
    };
    std::string valid = containerOf({{romdChunk("A", "aa") + "\0\0\0", 38}});
    std::string hugeCount = valid;
    hugeCount.replace(24, 4, int32Bytes(0x10000000));
    std::string farChunk = valid;
    farChunk.replace(36, 4, int32Bytes(INT32_MAX));
    const Case cases[] = {
        {"truncated", valid.substr(0, 20), 30001, "the file is shorter than a flash file header"},
        {"wrong magic", "@(#)RESX" + valid.substr(8), 30001, "it does not begin with \"@(#)RESU\""},
        {"huge count", hugeCount, 30001, "its directory of 268435456 resources does not fit in the file"},
        {"negative count", containerOf({}, -5), 30001,
         "its directory of -5 resources does not fit in the file"},
        {"chunk past the end", farChunk, 30001, "the chunk of resource 1 lies outside the file"},
        {"data past the end", containerOf({{romdChunk("A", "aa", 1000), 38}}), 30001,
         "the data of \"A\" have a size that does not fit in the file"},
        {"size below the name", containerOf({{romdChunk("ABC", "", 2), 40}}), 30001,
         "the data of \"ABC\" have a size that does not fit in the file"},
        {"name without zero", containerOf({{romdChunk("A", "").substr(0, 37), 37}}), 30001,
         "the name of resource 1 has no terminating zero"},
        {"name of 65", containerOf({{romdChunk(std::string(65, 'n'), ""), 102}}), 5, ""},
        {"kernel past the end", containerOf({{kKernel, 11}}), 30001,
         "the kernel chunk of resource 1 reaches past the end of the file"},
        {"kernel without its magic", containerOf({{"XXXXKERN" + std::string(20, 'k'), 28}}), 30001, ""},
        {"second chunk fails", containerOf({{romdChunk("B", "b") + "\0\0\0\0", 38}, {kKernel, 30}}), 30001,
         ""},
        {"two kernels", containerOf({{kKernel + "\0\0", 10}, {kKernel + "\0\0", 10}}), 30001, ""},
    };
    for (const auto& c : cases) {
        std::string path = folder_.write("bad.uff", c.bytes);
        auto error = raisedError([&] { file_->FlashRead(path); });
        EXPECT_EQ(error.Number(), c.number) << c.what;
        if (!c.fault.empty()) {
            EXPECT_EQ(error.Description(), "The flash file \"" + path + "\" is damaged: " + c.fault)
                << c.what;
        }
        EXPECT_EQ(file_->Resources()->count(), 1) << c.what;
    }
    EXPECT_TRUE(isError(raisedError([&] { file_->FlashRead(folder_ / "none.uff"); }), 30001,
                        "FlashFile:FlashRead", "File not found"));
    EXPECT_TRUE(file_->FlashRead(folder_.write("empty.uff", containerOf({}))));
    EXPECT_TRUE(
        file_->FlashRead(folder_.write("skip.uff", containerOf({{romdChunk(".recrcA", "") + "\0\0\0", 44},
                                                                {romdChunk(".RECRC", "r") + "\0\0", 43}}))));
    EXPECT_EQ(file_->Resources()->Item(2)->NameInPrinter(), ".RECRC");
    EXPECT_EQ(file_->Resources()->count(), 2);
}

TEST_F(FlashFileTest, WritingReplacesTheFileWholeOrNotAtAll) {
    std::string path = folder_.write("pkg.uff", "old contents");
    for (int i = 0; i <= FlashFile::MaxResources; ++i)
        file_->AddResource("d", "F" + std::to_string(i), true);
    EXPECT_EQ(errorNumberOf([&] { file_->FlashWrite(path); }), 6);
    EXPECT_EQ(TempFolder::read(path), "old contents");
    file_->Resources()->Remove(1);
    file_->FlashWrite(path);
    const std::string written = TempFolder::read(path);
    EXPECT_EQ(written.substr(10, 2), int16Bytes(20 * 1637 + 12));
    EXPECT_EQ(errorNumberOf([&] { file_->FlashWrite(folder_ / "no-folder/pkg.uff"); }), 75);
    // A write the disk refuses halfway leaves the last file whole.
    file_->Resources()->Remove(1);
    file_->AddResource(std::string(written.size(), 'x'), "LARGE", true);
    {
        FileSizeLimit limit(written.size() + 1000);
        EXPECT_EQ(errorNumberOf([&] { file_->FlashWrite(path); }), 75);
    }
    EXPECT_TRUE(TempFolder::read(path) == written);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 1);
}
