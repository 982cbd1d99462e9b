#include "Brindle/RLLImage.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "automation/Error.h"
#include "files/ReplacementFile.h"

namespace Brindle {

namespace {

constexpr char Magic[] = "@(#)LOGO";
constexpr size_t DataOffsetField = 24;
constexpr size_t HeightField = 32;
constexpr size_t WidthField = 34;
constexpr size_t DataLengthField = 36;

std::vector<uint8_t> readWholeFile(const std::string& filename, const std::string& source) {
    std::ifstream in(filename, std::ios::binary);
    if (!in)
        Automation::raise(Automation::RuntimeError::FileNotFound, source,
                          "File not found: \"" + filename + "\"");
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        Automation::raise(Automation::RuntimeError::FileNotFound, source,
                          "Could not read \"" + filename + "\"");
    return bytes;
}

// Draws runs into any image: indexed images take the table entries nearest
// to white and black.
class RunPainter {
public:
    explicit RunPainter(QImage& target) : target_(target) {
        if (target_.colorCount() > 0) {
            auto table = target_.colorTable();
            auto nearest = [&](int grey) {
                auto distance = [&](QRgb c) { return std::abs(qGray(c) - grey); };
                return static_cast<uint>(
                    std::min_element(table.begin(), table.end(),
                                     [&](QRgb a, QRgb b) { return distance(a) < distance(b); }) -
                    table.begin());
            };
            white_ = nearest(255);
            black_ = nearest(0);
        } else {
            white_ = qRgb(255, 255, 255);
            black_ = qRgb(0, 0, 0);
        }
    }
    void run(int x, int length, int y, bool black) {
        if (y < 0 || y >= target_.height())
            return;
        int end = std::min(x + length, target_.width());
        for (int at = std::max(x, 0); at < end; ++at)
            target_.setPixel(at, y, black ? black_ : white_);
    }

private:
    QImage& target_;
    uint white_ = 0;
    uint black_ = 0;
};

} // namespace

int32_t RLLImage::field32(size_t offset) const {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= uint32_t(header_[offset + i]) << (8 * i);
    return static_cast<int32_t>(value);
}

int16_t RLLImage::field16(size_t offset) const {
    return static_cast<int16_t>(header_[offset] | (header_[offset + 1] << 8));
}

bool RLLImage::hasMagic() const {
    return std::memcmp(header_.data(), Magic, 8) == 0;
}

int16_t RLLImage::Width() const {
    return field16(WidthField);
}

int16_t RLLImage::Height() const {
    return field16(HeightField);
}

void RLLImage::checkDataPlace(int64_t available, const char* source) const {
    int64_t offset = field32(DataOffsetField);
    int64_t length = field32(DataLengthField);
    if (offset < 0 || offset + length > available)
        Automation::raise(Automation::RuntimeError::SubscriptOutOfRange, source,
                          "RLL image: the run data (offset " + std::to_string(offset) + ", length " +
                              std::to_string(length) + ") lies outside the " + std::to_string(available) +
                              " bytes of the image");
}

bool RLLImage::IsRLLImage(const std::string& Filename) {
    std::ifstream in(Filename, std::ios::binary);
    if (!in)
        return false;
    std::array<uint8_t, HeaderSize> header{};
    in.read(reinterpret_cast<char*>(header.data()), HeaderSize);
    if (in.bad())
        return false;
    // A file shorter than a header reads as much as it has, the rest zero.
    header_ = header;
    return hasMagic();
}

void RLLImage::LoadRllImageFile(const std::string& Filename) {
    // Read and checked whole before anything changes, so a bad file leaves the image as it was.
    auto bytes = readWholeFile(Filename, "RLLImage:LoadRllImageFile Method");
    RLLImage loaded;
    loaded.data_ = data_;
    std::copy_n(bytes.begin(), std::min(bytes.size(), HeaderSize), loaded.header_.begin());
    if (bytes.size() < HeaderSize)
        Automation::raise(Automation::RuntimeError::SubscriptOutOfRange, "RLLImage:LoadRllImageFile Method",
                          "RLL image: \"" + Filename + "\" is shorter than its 40-byte header");
    int32_t length = loaded.field32(DataLengthField);
    if (length > 0) {
        loaded.checkDataPlace(static_cast<int64_t>(bytes.size()), "RLLImage:LoadRllImageFile Method");
        auto from = bytes.begin() + loaded.field32(DataOffsetField);
        loaded.data_.assign(from, from + length);
    }
    header_ = loaded.header_;
    data_ = std::move(loaded.data_);
}

void RLLImage::SaveRllImageFile(const std::string& Filename) {
    int64_t offset = field32(DataOffsetField);
    if (offset < 0)
        Automation::raise(Automation::RuntimeError::SubscriptOutOfRange, "RLLImage:SaveRllImageFile Method",
                          "RLL image: the data offset " + std::to_string(offset) + " is negative");
    // The header first, then the data at its offset, which may overlap it.
    std::vector<uint8_t> bytes(std::max<size_t>(HeaderSize, static_cast<size_t>(offset) + data_.size()));
    std::copy(header_.begin(), header_.end(), bytes.begin());
    std::copy(data_.begin(), data_.end(), bytes.begin() + offset);
    Platform::Files::ReplaceFileContents(
        Filename, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
        "RLLImage:SaveRllImageFile Method");
}

void RLLImage::LoadRllImageData(const std::vector<uint8_t>& RllByteArray) {
    if (RllByteArray.size() < HeaderSize)
        Automation::raise(Automation::RuntimeError::SubscriptOutOfRange, "RLLImage:LoadRllImageData Method",
                          "RLL image: " + std::to_string(RllByteArray.size()) +
                              " bytes are shorter than the 40-byte header");
    RLLImage loaded;
    std::copy_n(RllByteArray.begin(), HeaderSize, loaded.header_.begin());
    int32_t length = loaded.field32(DataLengthField);
    if (length > 0) {
        loaded.checkDataPlace(static_cast<int64_t>(RllByteArray.size()), "RLLImage:LoadRllImageData Method");
        auto from = RllByteArray.begin() + loaded.field32(DataOffsetField);
        data_.assign(from, from + length);
    }
    header_ = loaded.header_;
}

void RLLImage::PaintOn(QImage& target) const {
    const int width = Width();
    const int height = Height();
    if (!hasMagic() || field32(DataLengthField) == 0 || data_.empty() || width <= 0 || height <= 0)
        return;
    static const char* const Source = "RLLImage:PaintOn Method";
    RunPainter painter(target);
    auto at = [&](int64_t i) -> uint8_t {
        if (i < 0)
            Automation::raise(Automation::RuntimeError::SubscriptOutOfRange, Source,
                              "RLL image: the run data ends before its " + std::to_string(height) +
                                  " rows are complete");
        return data_[static_cast<size_t>(i)];
    };
    int x = 0;
    int y = 0;
    bool black = false;
    int repeat = -1;
    int64_t i = static_cast<int64_t>(data_.size()) - 1;
    int64_t rowStart = 0;
    for (;;) {
        if (at(i) >= 128 && repeat < 0) {
            repeat = 255 - at(i);
            --i;
            rowStart = i;
        }
        int run = at(i);
        if (x + run > width)
            Automation::raise(Automation::RuntimeError::Overflow, Source,
                              "RLL image: row " + std::to_string(y + 1) + " runs past the width of " +
                                  std::to_string(width) + " pixels");
        painter.run(x, run, y, black);
        x += run;
        --i;
        black = !black;
        if (at(i) != 0 && x == width) {
            ++y;
            x = 0;
            black = false;
            i = repeat > 0 ? rowStart : i - 1;
            --repeat;
        }
        if (y == height)
            return;
    }
}

QImage RLLImage::Picture() const {
    if (Width() <= 0 || Height() <= 0)
        return {};
    QImage picture(Width(), Height(), QImage::Format_Mono);
    if (picture.isNull())
        return {};
    picture.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    picture.fill(0);
    PaintOn(picture);
    return picture;
}

} // namespace Brindle
