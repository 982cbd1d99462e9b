#include "Flashmount/RBFirmwareLoader.h"

#include "Flashmount/KernelVersion.h"
#include "Gaugely/IProgressCallBack.h"
#include "automation/Error.h"
#include "automation/Event.h"
#include "automation/Runtime.h"
#include "errors/ErrorInfoHolder.h"
#include "errors/ErrorTextProvider.h"

namespace Flashmount {

using Automation::Ref;
using Platform::ErrorTextProvider;

namespace {

constexpr const char* kLibrary = "Flashmount";
constexpr const char* kFlashSource = "RBFirmwareLoader:Flash Method";

constexpr const char* kTmpDevice = "tmp:";
constexpr const char* kKernelFile = "tmp:KERNEL.BIN";
// Room demanded on tmp: beyond the image's length.
constexpr int64_t kSpareRoom = 3072;
// The least serial receive buffer flakef runs with.
constexpr int32_t kFlakeReceiveBuffer = 600;
constexpr const char* kMediaWidth = "MEDIA,MEDIA SIZE,WIDTH";
constexpr const char* kMediaLength = "MEDIA,MEDIA SIZE,LENGTH";

// The display texts keep their blanks; character 155 and "2J" clear the display first.
constexpr const char* kPreparingText = "\x9b"
                                       "2JPreparing for    FLASH update...";
constexpr const char* kReceivingText = "\x9b"
                                       "2JReceiving Kernel WAIT!";
constexpr const char* kStoringText = "\x9b"
                                     "2JStoring Kernel   WAIT!";

enum FlashTask : int32_t { Preparing = 1, Uploading = 2, Storing = 3, Rebooting = 4 };

// Library errors of the loader.
constexpr int32_t kCancelled = 113;
constexpr int32_t kNoPrinter = 116;
constexpr int32_t kNoRoom = 124;
constexpr int32_t kInvalidImage = 126;
constexpr int32_t kUserMayNotUpgrade = 127;
constexpr int32_t kVersionRefused = 200;
constexpr int32_t kKernelTooNew = 203;

// An error reported by the printer itself (50000 plus its number).
bool reportedByPrinter(const Automation::Error& error) {
    return error.Number() > 50000;
}

// The serial channels 1 to 3 have a receive buffer in the setup; the
// network and the other channels have none.
bool isSerialChannel(int32_t channel) {
    return channel >= 1 && channel <= 3;
}

std::string receiveBufferKey(int32_t channel) {
    return "SER-COM,UART" + std::to_string(channel) + ",REC BUF";
}

// Printer-language versions compare as texts, so "10.00" sorts below "6.00".
bool textBelow(const std::string& a, const char* b) {
    return Automation::compareText(a, b, Automation::CompareMethod::Binary) < 0;
}

// Passes what a command reports on to the caller's Progress, but not the
// caller's cancel back into the command: a printer that stores its kernel
// is not left alone in the middle of it.
class CancelShield : public Automation::Object, public Gaugely::IProgressCallBack {
public:
    explicit CancelShield(Ref<Gaugely::Progress> outer) : outer_(std::move(outer)) {}
    void Feedback(const Ref<Gaugely::Progress>& inner, bool& Cancel) override {
        bool notPassedOn = false;
        outer_->Feedback(inner, notPassedOn);
        Cancel = false;
    }

private:
    Ref<Gaugely::Progress> outer_;
};

// Runs one clean-up step of a failed upgrade; its own failure is dropped so
// that the first error is the one reported.
template <class F> void bestEffort(F step) {
    try {
        step();
    } catch (...) {
    }
}

} // namespace

Ref<Scoutel::RBFirmwareFile> RBFirmwareLoader::FirmwareFileObject() {
    if (!image_)
        image_ = Automation::New<Scoutel::RBFirmwareFile>();
    return image_;
}

void RBFirmwareLoader::setFirmwareFilePath(const std::string& value) {
    FirmwareFileObject()->LoadFile(value);
    firmwareFilePath_ = value;
}

bool RBFirmwareLoader::ValidFirmware() {
    // An image without a length, one whose preamble promises more bytes than
    // the file holds, or one cut inside its header would send the printer a
    // cut kernel; one whose identifier cannot be read passes no version gate.
    return FirmwareFileObject()->ImageDefect().empty();
}

std::string RBFirmwareLoader::KernelID() {
    return FirmwareFileObject()->KernelID();
}

void RBFirmwareLoader::ChangeUser(const std::string& Username, const std::string& Password) {
    printer_->ChangeUser(Username, Password);
}

void RBFirmwareLoader::requirePrinter(const std::string& source) const {
    if (!printer_ || !printer_->Connection())
        ErrorTextProvider::RaiseLibraryError(kNoPrinter, source);
}

std::string RBFirmwareLoader::GetUsersWhoCanUpgrade() {
    const std::string source = "RBFirmwareLoader:GetUsersWhoCanUpgrade Method";
    requirePrinter(source);
    // A step that the printer refuses is passed over: a failing version read
    // counts as no version, a failing restr as no user.
    auto step = [&](auto run) {
        try {
            run();
        } catch (const Automation::Error& error) {
            if (!reportedByPrinter(error))
                Automation::reraise(error, source);
            printer_->Errors()->Clear();
        }
    };
    std::string version;
    std::string users;
    step([&] { version = printer_->RubricVersion(); });
    step([&] {
        // 8.xx asks the printer, and so does what sorts from "10.00" to below
        // "6.00" as text: 10.xx, and 5.xx, whose restr fails for want of a
        // shell. 6.xx and 7.xx have a fixed list; the rest names nobody.
        const bool asksPrinter =
            !textBelow(version, "8.00") || (textBelow(version, "6.00") && !textBelow(version, "10.00"));
        if (asksPrinter)
            users = printer_->Command("RUN\"restr -a upgrade\r");
        else if (!textBelow(version, "6.00"))
            users = "admin,user,";
    });
    // The reply ends with a line break, which would hide the last name.
    size_t first = users.find_first_not_of(" \r\n");
    if (first == std::string::npos)
        return {};
    return users.substr(first, users.find_last_not_of(" \r\n") - first + 1);
}

bool RBFirmwareLoader::CanUserUpgrade(const std::string& Username) {
    // The list first: its commands' replies tell who is logged in now, which a
    // printer object that has sent nothing yet does not know.
    const std::string users = GetUsersWhoCanUpgrade();
    const std::string name = Username.empty() ? printer_->UserName() : Username;
    if (users.empty())
        return name.empty();
    for (std::string_view entry : Automation::split(users, ','))
        if (entry == name)
            return true;
    return false;
}

void RBFirmwareLoader::checkOpening(const std::string& source) {
    requirePrinter(source);
    if (std::string defect = FirmwareFileObject()->ImageDefect(); !defect.empty())
        ErrorTextProvider::RaiseLibraryError(kInvalidImage, source,
                                             firmwareFilePath_.empty()
                                                 ? std::string("No firmware file is set.")
                                                 : "\"" + firmwareFilePath_ + "\" " + defect + ".");
    if (!CanUserUpgrade())
        ErrorTextProvider::RaiseLibraryError(kUserMayNotUpgrade, source);
}

void RBFirmwareLoader::checkVersions(const std::string& printerVersion, const std::string& source) {
    const double kernel = WholeVersion(KernelVersion(KernelID()));
    const double printer = WholeVersion(printerVersion);
    // 6.xx printers take no kernel; a 7.xx kernel does not go back onto a newer printer.
    if ((!textBelow(printerVersion, "6.00") && textBelow(printerVersion, "7.00")) ||
        (kernel == 7 && printer > 7))
        ErrorTextProvider::RaiseLibraryError(kVersionRefused, source);
    if ((kernel >= 8 && printer < 8) || (kernel >= 10 && printer < 10))
        ErrorTextProvider::RaiseLibraryError(kKernelTooNew, source);
}

bool RBFirmwareLoader::CanUpgrade() {
    checkOpening(kFlashSource);
    checkVersions(printer_->RubricVersion(), kFlashSource);
    return true;
}

void RBFirmwareLoader::Flash(const Ref<Gaugely::Progress>& Progress) {
    checkOpening(kFlashSource);
    Ref<RBFirmwareLoader> keepAlive = self<RBFirmwareLoader>();
    Ref<Brindle::Printer> printer = printer_;
    Ref<Tethra::Connection> connection = printer->Connection();
    Ref<Scoutel::RBFirmwareFile> image = FirmwareFileObject();
    bool opened = false;
    bool bufferReleased = false;
    bool uploadBegun = false;

    // A cancel is honoured at the next task boundary even when the receiver
    // takes it back before the boundary comes (it does while flakef runs).
    bool cancelAsked = false;
    Automation::EventConnection cancelWatch;
    if (Progress)
        cancelWatch = Progress->Notification.connect(
            [&cancelAsked](Ref<Gaugely::Progress>, bool& cancel) { cancelAsked = cancelAsked || cancel; });
    auto enterTask = [&](FlashTask task, int32_t autoIncrement) {
        if (!Progress)
            return;
        if (Progress->Cancel() || cancelAsked)
            ErrorTextProvider::RaiseLibraryError(kCancelled, kFlashSource);
        Progress->setTaskIndex(task);
        Progress->setAutoIncValue(autoIncrement);
    };

    try {
        if (Progress) {
            Progress->TaskListClear();
            Progress->TaskAdd("Preparing", 10000);
            Progress->TaskAdd("Uploading Firmware", 30000);
            Progress->TaskAdd("Storing Firmware", 30000);
            Progress->TaskAdd("Rebooting", 1);
            Progress->setStart(true);
            Progress->setTaskIndex(Preparing);
            Progress->setAutoIncValue(1000);
        }
        connection->setPortOpen(true);
        opened = connection->PortOpen();
        checkVersions(printer->RubricVersion(), kFlashSource);

        WritePrinterDisplayMessage(kPreparingText, 1000, 5);
        ClearPrinterTmp();
        if (GetPrinterTmpFree() < int64_t{image->FirmwareLength()} + kSpareRoom) {
            ReleaseImageBufferMemory();
            bufferReleased = true;
            if (GetPrinterTmpFree() < int64_t{image->FirmwareLength()} + kSpareRoom)
                ErrorTextProvider::RaiseLibraryError(kNoRoom, kLibrary);
        }

        enterTask(Uploading, 0);
        WritePrinterDisplayMessage(kReceivingText, 1300, 10);
        printer->Command("LED 0 OFF\r");
        uploadBegun = true;
        Upload(image->GetFirmwareData(), kKernelFile, Progress);

        enterTask(Storing, 1000);
        WritePrinterDisplayMessage(kStoringText, 1600, 10);
        Flake(kKernelFile, Progress);
        if (bufferReleased) {
            printer->KillFile(kKernelFile);
            RestoreImageBufferMemory();
        }

        enterTask(Rebooting, 0);
        printer->Reboot(false);
        if (Progress) {
            Progress->setStart(false);
            Progress->SetFullProgress();
        }
        if (opened) {
            opened = false;
            connection->setPortOpen(false);
        }
    } catch (...) {
        auto holder = Automation::New<Platform::ErrorInfoHolder>();
        holder->Capture();
        if (Progress)
            bestEffort([&] {
                Progress->setStart(false);
                // Every notification adds the increment; zero must read zero.
                Progress->setAutoIncValue(0);
                Progress->SetZeroProgress();
            });
        restoreSettings(uploadBegun && bufferReleased);
        if (opened)
            bestEffort([&] { connection->setPortOpen(false); });
        Automation::reraise(Automation::Error(holder->Number(), holder->Source(), holder->Description()),
                            kFlashSource);
    }
}

void RBFirmwareLoader::restoreSettings(bool removeKernel) {
    if (!printer_ || !printer_->Connection())
        return;
    if (receiveBufferRaised_)
        bestEffort([&] { restoreReceiveBuffer(); });
    // The kernel file fills the room the shrunk image buffer gave tmp:; it
    // goes first, as after a flash that worked, or the media size comes back
    // with tmp: full.
    if (removeKernel)
        bestEffort([&] { printer_->KillFile(kKernelFile); });
    bestEffort([&] { RestoreImageBufferMemory(); });
}

void RBFirmwareLoader::ClearPrinterTmp() {
    const std::string source = "RBFirmwareLoader:ClearPrinterTmp Method";
    requirePrinter(source);
    try {
        printer_->FormatDevice(kTmpDevice);
        printer_->NewProgram();
    } catch (const Automation::Error& error) {
        Automation::reraise(error, source);
    }
}

int32_t RBFirmwareLoader::GetPrinterTmpFree() {
    requirePrinter("RBFirmwareLoader:GetPrinterTmpFree Method");
    return printer_->GetBytesFree(kTmpDevice);
}

void RBFirmwareLoader::WritePrinterDisplayMessage(const std::string& text, int32_t tone, int32_t duration) {
    requirePrinter("RBFirmwareLoader:WritePrinterDisplayMessage Method");
    printer_->SetDisplay(text, tone, duration);
}

void RBFirmwareLoader::ReleaseImageBufferMemory() {
    requirePrinter("RBFirmwareLoader:ReleaseImageBufferMemory Method");
    // Values saved by an earlier failed upgrade are the printer's own; the
    // printer's present ones are the shrunk ones.
    if (int64_t{savedMediaWidth_} + savedMediaLength_ >= 1)
        return;
    Ref<Brindle::MediaInfo> media = printer_->GetMediaInfo();
    savedMediaWidth_ = media->Width;
    savedMediaLength_ = media->Length;
    printer_->ChangeSetupParameter(kMediaWidth, "1");
    printer_->ChangeSetupParameter(kMediaLength, "1");
}

void RBFirmwareLoader::RestoreImageBufferMemory() {
    requirePrinter("RBFirmwareLoader:RestoreImageBufferMemory Method");
    if (int64_t{savedMediaWidth_} + savedMediaLength_ == 0)
        return;
    printer_->ChangeSetupParameter(kMediaWidth, std::to_string(savedMediaWidth_));
    printer_->ChangeSetupParameter(kMediaLength, std::to_string(savedMediaLength_));
    savedMediaWidth_ = 0;
    savedMediaLength_ = 0;
}

void RBFirmwareLoader::Upload(const Automation::ByteArray& data, const std::string& file,
                              const Ref<Gaugely::Progress>& progress) {
    const std::string source = "RBFirmwareLoader:Upload Method";
    requirePrinter(source);
    try {
        // The printer library writes one byte per character.
        printer_->UploadDataToFile(std::string(data.begin(), data.end()), file, progress);
    } catch (const Automation::Error& error) {
        Automation::reraise(error, source);
    }
}

void RBFirmwareLoader::Flake(const std::string& file, const Ref<Gaugely::Progress>& progress) {
    const std::string source = "RBFirmwareLoader:Flake Method";
    requirePrinter(source);
    try {
        if (progress)
            progress->setAutoIncValue(1);
        const std::string version = printer_->RubricVersion();
        // 7.xx printers store the kernel from the serial line's receive
        // buffer; 10.xx ones sort below "8.00" as text but need nothing.
        if (textBelow(version, "8.00") && !textBelow(version, "6.00")) {
            const int32_t channel = printer_->StdIO();
            if (isSerialChannel(channel)) {
                const std::string key = receiveBufferKey(channel);
                const int32_t old =
                    Automation::toLong(Automation::textToDouble(printer_->GetSetupParameter(key)));
                if (old < kFlakeReceiveBuffer) {
                    printer_->ChangeSetupParameter(key, std::to_string(kFlakeReceiveBuffer));
                    savedReceiveBuffer_ = old;
                    receiveBufferRaised_ = true;
                }
            }
        }
        // A cancel must not leave the printer storing a kernel that nobody
        // waits for: flakef is waited out, and Flash honours the cancel after it.
        Ref<Gaugely::Progress> shielded;
        if (progress) {
            shielded = Automation::New<Gaugely::Progress>();
            shielded->TaskAdd("flakef", 10000);
            shielded->setReceiver(Automation::New<CancelShield>(progress));
        }
        printer_->Command("RUN\"flakef " + file + "\r", shielded);
        if (progress)
            progress->setAutoIncValue(0);
        if (receiveBufferRaised_)
            restoreReceiveBuffer();
    } catch (const Automation::Error& error) {
        Automation::reraise(error, source);
    }
}

void RBFirmwareLoader::restoreReceiveBuffer() {
    const std::string key = receiveBufferKey(printer_->StdIO());
    printer_->Command("SETUP\"" + key + "," + std::to_string(savedReceiveBuffer_) + "\r", nullptr, 1000,
                      false, false);
    receiveBufferRaised_ = false;
}

} // namespace Flashmount
