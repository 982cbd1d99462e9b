// Reads arbitrary bytes as an RLL image and draws it: loading either takes
// the image or raises 9, drawing either fills the picture or raises 6 or 9.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "Brindle/RLLImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto image = Automation::New<Brindle::RLLImage>();
    try {
        image->LoadRllImageData(std::vector<uint8_t>(data, data + size));
    } catch (const Automation::Error& error) {
        if (error.Number() != Automation::RuntimeError::SubscriptOutOfRange)
            std::abort();
        return 0;
    }
    // Keep each run small: a header may ask for a picture of 32767 x 32767 pixels.
    if (int64_t(image->Width()) * image->Height() > (1 << 20))
        return 0;
    try {
        QImage picture = image->Picture();
        if (image->Width() > 0 && image->Height() > 0 &&
            (picture.width() != image->Width() || picture.height() != image->Height()))
            std::abort();
    } catch (const Automation::Error& error) {
        if (error.Number() != Automation::RuntimeError::SubscriptOutOfRange &&
            error.Number() != Automation::RuntimeError::Overflow)
            std::abort();
    }
    return 0;
}
