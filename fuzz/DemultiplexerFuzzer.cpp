// Feeds arbitrary printer output to the demultiplexer in pieces, with a
// command waiting for its reply for the first half: nothing may escape the
// parse, and once no command waits a watchdog pass leaves no byte behind.
#include <QCoreApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "Brindle/OutputDemultiplexer.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace Brindle;
    auto replies = Automation::New<CommandReplyCollection>();
    for (int32_t id : {1, 7, 99}) {
        auto reply = Automation::New<CommandReply>();
        reply->setMsgID(id);
        replies->Add(reply);
    }
    OutputDemultiplexer demux(replies);
    demux.setRunningCommand(true, 7);
    std::string_view input(reinterpret_cast<const char*>(data), size);
    // Byte 0xFF cuts the input into receive events; 0xFE also runs a watchdog pass.
    size_t piece = 0;
    while (!input.empty()) {
        size_t cut = input.find_first_of("\xff\xfe");
        std::string_view chunk = input.substr(0, cut);
        demux.AddReceivedData(chunk);
        demux.ParseReceiveBuffer(false);
        if (cut != std::string_view::npos && input[cut] == '\xfe')
            demux.ParseReceiveBuffer(true);
        input.remove_prefix(cut == std::string_view::npos ? input.size() : cut + 1);
        if (++piece == 4)
            demux.setRunningCommand(false, 0);
    }
    demux.setRunningCommand(false, 0);
    demux.ParseReceiveBuffer(true);
    if (demux.RawQueue().Count() != 0)
        std::abort();
    return 0;
}
