// serial_xfer send|receive zmodem|kermit DEVICE PATH
//
// Sends the file PATH, or receives one file into the folder PATH, over the
// serial device DEVICE with our ZModem or Kermit engine, through the serial
// control as the printer transfers use it. Exits 0 only when the transfer
// succeeded; the last line printed is "bytes N seconds S".
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "automation/Error.h"
#include "messages/Clock.h"
#include "messages/MessagePump.h"
#include "serial/SaxComm8.h"

namespace {

namespace fs = std::filesystem;
using Platform::Serial::SaxComm8;

int usage() {
    std::fprintf(stderr, "usage: serial_xfer send|receive zmodem|kermit DEVICE PATH\n"
                         "  send: sends the file PATH; receive: receives one file into the folder PATH\n");
    return 2;
}

// COM1 stands for the device while the program runs: the control knows ports by number only.
class ComFolder {
public:
    explicit ComFolder(const std::string& device) {
        std::string pattern = (fs::temp_directory_path() / "serial_xfer-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a temporary folder");
        folder_ = pattern;
        fs::create_symlink(fs::absolute(device), folder_ / "COM1");
        ::setenv("KESTRUP_COM_DIR", folder_.c_str(), 1);
    }
    ~ComFolder() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

private:
    fs::path folder_;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 5)
        return usage();
    const std::string direction = argv[1], protocol = argv[2], device = argv[3], path = argv[4];
    if ((direction != "send" && direction != "receive") || (protocol != "zmodem" && protocol != "kermit"))
        return usage();
    std::error_code ec;
    if (!fs::exists(device, ec)) {
        std::fprintf(stderr, "serial_xfer: no such device: %s\n", device.c_str());
        return 2;
    }
    if (direction == "send" ? !fs::is_regular_file(path, ec) : !fs::is_directory(path, ec)) {
        std::fprintf(stderr, "serial_xfer: %s is not a %s\n", path.c_str(),
                     direction == "send" ? "file" : "folder");
        return 2;
    }

    int64_t started = 0;
    int64_t bytes = 0;
    bool succeeded = false;
    try {
        ComFolder com(device);
        auto control = Platform::Automation::New<SaxComm8>();
        control->setOutBufferSize(16384);
        control->setInBufferSize(16384);
        control->setInputMode(1);
        control->setCommPort("COM1");
        control->setSettings("115200,n,8,1");
        control->setHandshaking(0);
        control->setXferProtocol(protocol == "zmodem" ? Platform::Serial::SerialFTProtocol_ZModem
                                                      : Platform::Serial::SerialFTProtocol_KERMIT);
        bool ended = false;
        auto finished = control->FinishFileTransfer.connect([&] {
            ended = true;
            succeeded = control->XferStatus() == Platform::Serial::SerialFTStatus_Success;
        });
        auto abortedFile = control->AbortFile.connect([&] { ended = true; });
        auto aborted = control->AbortFileTransfer.connect([&] { ended = true; });
        control->setPortOpen(true);
        started = Platform::MillisecondClock();
        if (direction == "send")
            control->setUpload(path);
        else
            control->setDownload(path);
        while (!ended)
            Platform::WaitForEvents(1000);
        if (direction == "send")
            bytes = succeeded ? static_cast<int64_t>(fs::file_size(path)) : control->XferTransferred();
        else
            bytes = succeeded ? static_cast<int64_t>(fs::file_size(control->XferDestFilename(), ec))
                              : control->XferTransferred();
        if (!succeeded)
            std::fprintf(stderr, "serial_xfer: the transfer failed (status %d)\n", control->XferStatus());
        control->setPortOpen(false);
    } catch (const Platform::Automation::Error& error) {
        std::fprintf(stderr, "serial_xfer: %s (error %d)\n", error.Description().c_str(), error.Number());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "serial_xfer: %s\n", error.what());
    }
    double seconds = started ? (Platform::MillisecondClock() - started) / 1000.0 : 0.0;
    std::printf("bytes %lld seconds %.3f\n", static_cast<long long>(bytes), seconds);
    return succeeded ? 0 : 1;
}
