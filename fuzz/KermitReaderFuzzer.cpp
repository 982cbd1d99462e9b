// Feeds arbitrary line bytes to the Kermit packet reader, and what it cuts
// out to the packet parser, the Send-Init decoder and the data decoder, as
// the engine does. A packet that parses must come out of its own framing
// the same, and an agreed link must leave room for data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "serial/KermitCodec.h"
#include "serial/KermitPacket.h"
#include "serial/KermitParams.h"
#include "serial/KermitReader.h"

using namespace Platform::Serial;

namespace {

void check(const KermitPacket& packet, int checkType) {
    // The same packet framed again reads back the same.
    KermitReader reader;
    const std::string line = packet.frame(KermitFraming{checkType});
    int frames = 0;
    for (char c : line) {
        if (reader.push(c) != KermitReader::Result::Frame)
            continue;
        const auto again = KermitPacket::parse(reader.frame(), checkType);
        if (!again || again->type != packet.type || again->seq != packet.seq || again->data != packet.data)
            std::abort();
        ++frames;
    }
    if (frames != 1)
        std::abort();

    if (packet.type == 'S' || packet.type == 'Y') {
        const KermitParams theirs = KermitParams::decode(packet.data);
        for (const bool sevenBit : {false, true}) {
            const KermitParams ours = KermitParams::own(sevenBit, 5);
            const KermitLink link = KermitLink::agree(ours.answer(theirs), theirs);
            if (link.dataRoom() == 0)
                std::abort();
        }
    }
    std::string decoded;
    KermitCodec('#', '&', '~').decode(packet.data, decoded);
    KermitCodec('#').decode(packet.data, decoded);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    KermitReader reader;
    for (std::size_t i = 0; i < size; ++i) {
        if (reader.push(static_cast<char>(data[i])) != KermitReader::Result::Frame)
            continue;
        for (int checkType = 1; checkType <= 3; ++checkType)
            if (const auto packet = KermitPacket::parse(reader.frame(), checkType))
                check(*packet, checkType);
    }
    return 0;
}
