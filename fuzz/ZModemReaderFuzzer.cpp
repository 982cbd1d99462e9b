// Feeds arbitrary line bytes to the ZModem reader, in pieces, the way the
// receiver drives it: whatever arrives, each item must be one the reader
// promises (a subpacket within its size limit, with a real frame end).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "serial/ZModemReader.h"

using namespace Platform::Serial::ZModem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    // The first byte picks the options and the size of the pieces.
    const uint8_t options = data[0];
    const std::size_t piece = 1 + (data[1] % 64) * 37;
    std::string_view line(reinterpret_cast<const char*>(data + 2), size - 2);
    ZModemReader reader;
    reader.setDropControl((options & 1) != 0);
    int items = 0;
    const ZModemReader::Sink sink = [&](const ZModemReader::Item& item) {
        ++items;
        if (item.kind == ZModemReader::Kind::Subpacket) {
            if (item.data.size() > ZModemReader::MaxSubpacket)
                std::abort();
            if (item.frameEnd != ZCRCE && item.frameEnd != ZCRCG && item.frameEnd != ZCRCQ &&
                item.frameEnd != ZCRCW)
                std::abort();
        }
        // A receiver that refuses a subpacket goes back to headers.
        if ((options & 2) != 0 && items % 3 == 0)
            reader.expectHeader();
    };
    while (!line.empty()) {
        const std::string_view chunk = line.substr(0, piece);
        reader.feed(chunk, sink);
        line.remove_prefix(chunk.size());
    }
    return 0;
}
