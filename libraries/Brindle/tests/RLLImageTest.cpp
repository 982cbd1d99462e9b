#include "Brindle/RLLImage.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "ErrorNumber.h"

using namespace Brindle;
namespace fs = std::filesystem;

namespace {

// A whole RLL file: header with the given fields, the run data at `offset`.
std::vector<uint8_t> rll(int16_t width, int16_t height, std::vector<uint8_t> runs, int32_t offset = 40,
                         const char* magic = "@(#)LOGO") {
    std::vector<uint8_t> bytes(static_cast<size_t>(offset) + runs.size());
    std::copy_n(magic, 8, bytes.begin());
    for (size_t i = 8; i < 24; ++i)
        bytes[i] = static_cast<uint8_t>(0xA0 + i); // not interpreted, kept
    auto put = [&](size_t at, uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    put(24, static_cast<uint32_t>(offset), 4);
    put(32, static_cast<uint16_t>(height), 2);
    put(34, static_cast<uint16_t>(width), 2);
    put(36, static_cast<uint32_t>(runs.size()), 4);
    std::copy(runs.begin(), runs.end(), bytes.begin() + offset);
    return bytes;
}

// The picture as rows of '.' (white) and '#' (black).
std::vector<std::string> rows(const QImage& picture) {
    std::vector<std::string> out;
    for (int y = 0; y < picture.height(); ++y) {
        std::string row;
        for (int x = 0; x < picture.width(); ++x)
            row += qGray(picture.pixel(x, y)) < 128 ? '#' : '.';
        out.push_back(row);
    }
    return out;
}

QImage pictureOf(const std::vector<uint8_t>& bytes) {
    auto image = Automation::New<RLLImage>();
    image->LoadRllImageData(bytes);
    return image->Picture();
}

class RLLFiles : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("rll-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::string path = (folder_ / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return path;
    }
    std::vector<uint8_t> read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    fs::path folder_;
};

} // namespace

TEST(RLLImageTest, RunsAlternateFromTheLastByteWithRowRepeats) {
    // Read from the end: 254 repeats the row once; runs 1 white, 3 black.
    EXPECT_EQ(rows(pictureOf(rll(4, 2, {1, 3, 1, 254}))), (std::vector<std::string>{".###", ".###"}));
    // A run of 0 draws nothing and only swaps the colour.
    EXPECT_EQ(rows(pictureOf(rll(4, 1, {5, 3, 1, 0}))), (std::vector<std::string>{"#..."}));
    // A marker m gives 255 - m + 1 rows; every byte under it is a run length, 0 included.
    auto repeated = rows(pictureOf(rll(3, 3, {5, 2, 1, 0, 253})));
    EXPECT_EQ(repeated, (std::vector<std::string>{"#..", "#..", "#.."}));
}

TEST(RLLImageTest, NothingIsDrawnForAForeignHeaderOrAnEmptyImage) {
    EXPECT_EQ(rows(pictureOf(rll(2, 1, {1, 1, 1}, 40, "@(#)logo"))), (std::vector<std::string>{".."}));
    EXPECT_EQ(rows(pictureOf(rll(2, 1, {}))), (std::vector<std::string>{".."}));
    EXPECT_TRUE(pictureOf(rll(0, 5, {1, 1})).isNull());
}

TEST(RLLImageTest, BrokenRunDataEndsWithAClearError) {
    struct Case {
        std::vector<uint8_t> runs;
        int32_t number;
    };
    for (const Case& c : {
             Case{{1, 3}, Automation::RuntimeError::SubscriptOutOfRange}, // runs out before the row ends
             Case{{1, 1, 3, 1}, Automation::RuntimeError::SubscriptOutOfRange}, // second row never comes
             Case{{1, 5, 1}, Automation::RuntimeError::Overflow},               // passes the width
             Case{{200}, Automation::RuntimeError::SubscriptOutOfRange},        // a marker and nothing else
         }) {
        auto image = Automation::New<RLLImage>();
        image->LoadRllImageData(rll(4, 2, c.runs));
        auto error = raisedError([&] { image->Picture(); });
        EXPECT_EQ(error.Number(), c.number);
        EXPECT_EQ(error.Source(), "RLLImage:PaintOn Method");
        EXPECT_NE(error.Description().find("RLL image"), std::string::npos);
    }
}

TEST(RLLImageTest, DataOutsideTheBytesGivenIsRefusedAndChangesNothing) {
    auto image = Automation::New<RLLImage>();
    auto good = rll(4, 2, {1, 3, 1, 254});
    image->LoadRllImageData(good);
    auto tooShort = rll(8, 8, {1, 2, 3, 4});
    tooShort.resize(tooShort.size() - 1);
    auto negative = rll(8, 8, {1, 2});
    negative[27] = 0xFF; // offset below zero
    auto huge = rll(8, 8, {1, 2});
    huge[39] = 0x7F; // length far past the end
    for (const auto& bad : {tooShort, negative, huge, std::vector<uint8_t>(39, 0)}) {
        EXPECT_EQ(errorNumberOf([&] { image->LoadRllImageData(bad); }),
                  Automation::RuntimeError::SubscriptOutOfRange);
        EXPECT_EQ(image->Width(), 4);
        EXPECT_EQ(rows(image->Picture()), (std::vector<std::string>{".###", ".###"}));
    }
    // A data length of 0 takes the header (an empty image) and keeps the data.
    image->LoadRllImageData(rll(4, 1, {}));
    EXPECT_EQ(image->Height(), 1);
    EXPECT_EQ(rows(image->Picture()), (std::vector<std::string>{"...."}));
}

TEST_F(RLLFiles, FilesAreRecognisedLoadedAndSavedByteForByte) {
    auto image = Automation::New<RLLImage>();
    std::string first = write("first.rll", rll(4, 2, {1, 3, 1, 254}, 48));
    std::string second = write("second.rll", rll(7, 9, {1}));
    std::string lower = write("lower.rll", rll(4, 2, {1}, 40, "@(#)logo"));
    EXPECT_TRUE(image->IsRLLImage(first));
    EXPECT_EQ(image->Width(), 4);
    EXPECT_TRUE(image->IsRLLImage(second));
    EXPECT_EQ(image->Width(), 7);
    EXPECT_EQ(image->Height(), 9);
    EXPECT_FALSE(image->IsRLLImage(lower));
    EXPECT_FALSE(image->IsRLLImage((folder_ / "missing.rll").string()));

    image->LoadRllImageFile(first);
    EXPECT_EQ(rows(image->Picture()), (std::vector<std::string>{".###", ".###"}));
    std::string copy = (folder_ / "copy.rll").string();
    write("copy.rll", std::vector<uint8_t>(500, 0xEE)); // a longer file is replaced whole
    image->SaveRllImageFile(copy);
    auto original = read(first);
    EXPECT_EQ(read(copy), original);

    EXPECT_EQ(errorNumberOf([&] { image->LoadRllImageFile((folder_ / "missing.rll").string()); }),
              Automation::RuntimeError::FileNotFound);
    auto cut = rll(4, 2, {1, 3, 1, 254});
    cut.resize(42);
    std::string truncated = write("truncated.rll", cut);
    EXPECT_EQ(errorNumberOf([&] { image->LoadRllImageFile(truncated); }),
              Automation::RuntimeError::SubscriptOutOfRange);
    EXPECT_EQ(rows(image->Picture()), (std::vector<std::string>{".###", ".###"}));
}
