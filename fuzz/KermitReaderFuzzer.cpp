// Feeds arbitrary line bytes to the Kermit packet reader, and what it cuts
// out to the packet parser, the Send-Init decoder and the data decoder, as
// the engine does. A packet that parses must come out of its own framing
// the same, and an agreed link must leave room for data. Taken in pieces,
// the line must give what it gives byte by byte.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    KermitReader reader;
    std::vector<std::pair<KermitReader::Result, std::string>> results;
    for (const char c : line) {
        const KermitReader::Result result = reader.push(c);
        if (result != KermitReader::Result::Nothing)
            results.emplace_back(result, result == KermitReader::Result::Frame ? reader.frame() : "");
        if (result != KermitReader::Result::Frame)
            continue;
        for (int checkType = 1; checkType <= 3; ++checkType)
            if (const auto packet = KermitPacket::parse(reader.frame(), checkType))
                check(*packet, checkType);
    }
    // Taken in pieces, the line gives the same results.
    KermitReader bulk;
    std::size_t next = 0;
    for (std::string_view rest = line; !rest.empty();) {
        std::size_t used = 0;
        const KermitReader::Result result = bulk.push(rest, used);
        rest.remove_prefix(used);
        if (result == KermitReader::Result::Nothing)
            continue;
        if (next >= results.size() || results[next].first != result ||
            (result == KermitReader::Result::Frame && results[next].second != bulk.frame()))
            std::abort();
        ++next;
    }
    if (next != results.size())
        std::abort();
    return 0;
}
