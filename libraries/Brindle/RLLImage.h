#pragma once
// The printer's run-length image format: a 40-byte header and run data that
// is read from its last byte towards its first. Images stored on the printer
// and its saved image buffer come in this form.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <QImage>

#include "automation/Object.h"

namespace Brindle {

class RLLImage : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"", "Brindle.RLLImage", ""};
    static constexpr size_t HeaderSize = 40;

    // Reads the first 40 bytes of the file as this image's header and tells
    // whether they start with the magic. Any failure gives False.
    bool IsRLLImage(const std::string& Filename);
    void LoadRllImageFile(const std::string& Filename);
    void SaveRllImageFile(const std::string& Filename);
    // RllByteArray holds a whole RLL file.
    void LoadRllImageData(const std::vector<uint8_t>& RllByteArray);

    int16_t Width() const;
    int16_t Height() const;

    // Draws the image into `target`, top left at (0, 0), one pixel per run
    // unit; what falls outside the target is clipped. A header that is not an
    // RLL header, or an empty image, draws nothing.
    void PaintOn(QImage& target) const;
    // The image as a new monochrome picture of Width x Height pixels; a null
    // image when no such picture can be made.
    QImage Picture() const;

private:
    int32_t field32(size_t offset) const;
    int16_t field16(size_t offset) const;
    bool hasMagic() const;
    // Checks the header's data place against the bytes that hold it.
    void checkDataPlace(int64_t available, const char* source) const;

    std::array<uint8_t, HeaderSize> header_{};
    std::vector<uint8_t> data_;
};

} // namespace Brindle
