#include "serial/SaxComm8.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include "automation/Error.h"
#include "messages/Clock.h"
#include "messages/GuardedEntry.h"
#include "seams/Seams.h"

namespace Platform::Serial {

namespace {

constexpr const char* Source = "SaxComm8";
constexpr int TickMs = 100;
constexpr std::size_t ReadChunk = 65536;
// Bytes taken from the line per notice, so that a fast line cannot starve the loop.
constexpr std::size_t ReadPerNotice = 1 << 20;
// The most one read hands over: the tty layer keeps the line's input in a
// buffer of 4 KiB, one byte of which stays free.
constexpr std::size_t TtyReadMost = 4095;
constexpr int32_t MaxBufferSize = 1 << 24;
constexpr int32_t DefaultTimeoutMs = 10000;
constexpr std::size_t RefillBelow = 16384;

[[noreturn]] void fail(int32_t number, const std::string& description) {
    Automation::raise(number, Source, description);
}

[[noreturn]] void invalidValue(const std::string& what) {
    fail(SaxComm8Error::InvalidPropertyValue, "Invalid property value: " + what);
}

// COMn with n from 1 to 16, letters in any case; 0 when the text is none.
int32_t portNumber(const std::string& text) {
    if (text.size() < 4 || text.size() > 5 || (text[0] | 0x20) != 'c' || (text[1] | 0x20) != 'o' ||
        (text[2] | 0x20) != 'm')
        return 0;
    int32_t n = 0;
    for (std::size_t i = 3; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return 0;
        n = n * 10 + (text[i] - '0');
    }
    return n >= 1 && n <= 16 ? n : 0;
}

// The group that may use a device; serial lines belong to dialout.
std::string deviceGroup(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        if (const struct group* entry = ::getgrgid(st.st_gid); entry && st.st_gid != 0)
            return entry->gr_name;
    return "dialout";
}

int32_t clampToLong(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, 0, INT32_MAX));
}

} // namespace

SaxComm8::SaxComm8()
    : poster_(std::make_unique<QObject>()),
      readNotifier_(std::make_unique<QSocketNotifier>(QSocketNotifier::Read)),
      writeNotifier_(std::make_unique<QSocketNotifier>(QSocketNotifier::Write)),
      tickTimer_(std::make_unique<QTimer>()), modemTimer_(std::make_unique<QTimer>()) {
    // The notifiers, the timers and poster_ are members: what they call on
    // `this` cannot outlive the control.
    QObject::connect(readNotifier_.get(), &QSocketNotifier::activated, poster_.get(),
                     [this] { onNotice("SaxComm8 (line readable)", [this] { onReadable(); }); });
    QObject::connect(writeNotifier_.get(), &QSocketNotifier::activated, poster_.get(),
                     [this] { onNotice("SaxComm8 (line writable)", [this] { onWritable(); }); });
    tickTimer_->setInterval(TickMs);
    QObject::connect(tickTimer_.get(), &QTimer::timeout, poster_.get(),
                     [this] { onNotice("SaxComm8 (transfer tick)", [this] { onTick(); }); });
    modemTimer_->setInterval(TickMs);
    QObject::connect(modemTimer_.get(), &QTimer::timeout, poster_.get(),
                     [this] { onNotice("SaxComm8 (modem lines)", [this] { onModemPoll(); }); });
}

SaxComm8::~SaxComm8() {
    shutdown_ = true;
    engine_.reset();
    readNotifier_->setEnabled(false);
    writeNotifier_->setEnabled(false);
    device_.close();
}

std::shared_ptr<Automation::Object> SaxComm8::keepAlive() {
    return weak_from_this().lock();
}

// The events a notice queues are raised at its end, still from the event
// loop: a transfer queues some at every read, and a round through the loop
// for each would cost more than the read.
template <class Handler> void SaxComm8::onNotice(const char* where, Handler handler) {
    auto keep = keepAlive();
    ++noticeDepth_;
    fromEventLoop(where, handler);
    --noticeDepth_;
    fromEventLoop("SaxComm8 (event delivery)", [this] { deliverEvents(); });
}

// --- the line ------------------------------------------------------------

void SaxComm8::setCommPort(const std::string& value) {
    if (device_.isOpen())
        fail(SaxComm8Error::PortAlreadyOpen, "Port already open");
    if (portNumber(value) == 0)
        fail(SaxComm8Error::InvalidPortNumber, "Invalid port number: \"" + value + "\" (COM1 to COM16)");
    commPort_ = value;
}

void SaxComm8::setSettings(const std::string& value) {
    std::string problem;
    auto parsed = LineSettings::parse(value, problem);
    if (!parsed)
        invalidValue(problem);
    applyLine(*parsed, handshaking_);
}

void SaxComm8::setHandshaking(int32_t value) {
    if (value < HandShake_None || value > HandShake_Both)
        invalidValue("Handshaking " + std::to_string(value) + " (0 to 3)");
    applyLine(settings_, value);
    if (device_.isOpen())
        applyModemControl();
}

// Settings and Handshaking keep their old values when an open line refuses
// the new ones, so that they always read back what the line has.
void SaxComm8::applyLine(const LineSettings& settings, int32_t handshaking) {
    if (device_.isOpen() && !device_.configure(settings, handshaking))
        fail(SaxComm8Error::CannotSetCommState,
             "Could not set the comm state of " + commPort_ + ": " + std::strerror(errno));
    settings_ = settings;
    handshaking_ = handshaking;
}

void SaxComm8::applyModemControl() {
    bool hardware = handshaking_ == HandShake_Hardware || handshaking_ == HandShake_Both;
    device_.setModemControl(dtrEnable_, hardware || rtsEnable_);
}

void SaxComm8::setPortOpen(bool value) {
    if (value == device_.isOpen())
        return;
    if (!value) {
        closeLine();
        return;
    }
    std::string path = Seams::comDevicePath(portNumber(commPort_));
    int error = device_.open(path);
    if (error == ENOENT || error == ENXIO || error == ENODEV || error == ENOTDIR)
        fail(SaxComm8Error::InvalidPortNumber,
             "Invalid port number: " + commPort_ + " (" + path + " not found)");
    if (error == EBUSY)
        fail(SaxComm8Error::PortAlreadyOpen, "Port already open: " + commPort_ + " is in use");
    if (error == EACCES || error == EPERM)
        fail(SaxComm8Error::HardwareNotAvailable,
             "Access to " + commPort_ + " (" + path + ") is denied: members of the group \"" +
                 deviceGroup(path) + "\" may use it; ask to be added to it, then log in again");
    if (error != 0)
        fail(SaxComm8Error::HardwareNotAvailable,
             "The hardware is not available: " + path + ": " + std::strerror(error));
    if (!device_.configure(settings_, handshaking_)) {
        int why = errno;
        device_.close();
        fail(SaxComm8Error::CannotSetCommState,
             "Could not set the comm state of " + commPort_ + ": " + std::strerror(why));
    }
    applyModemControl();
    inBuf_.clear();
    outBuf_.clear();
    outHead_ = 0;
    lineDown_ = false;
    readNotifier_->setSocket(device_.fd());
    writeNotifier_->setSocket(device_.fd());
    updateReadNotifier();
    modemStatus_ = device_.modemStatus();
    if (modemStatus_)
        modemTimer_->start();
}

void SaxComm8::closeLine() {
    readNotifier_->setEnabled(false);
    writeNotifier_->setEnabled(false);
    modemTimer_->stop();
    device_.close();
    inBuf_.clear();
    outBuf_.clear();
    outHead_ = 0;
    modemStatus_.reset();
    // A transfer cannot go on without its line: it ends now.
    requestAbort();
}

bool SaxComm8::CDHolding() const {
    return (device_.modemStatus().value_or(0) & ModemStatus_CD) != 0;
}

void SaxComm8::setCDTimeOut(int32_t value) {
    if (value < 0)
        invalidValue("CDTimeOut " + std::to_string(value));
    cdTimeOut_ = value;
}

bool SaxComm8::Busy() const {
    return engine_ && !engine_->finished();
}

void SaxComm8::setShutdown(bool value) {
    shutdown_ = value;
    if (value) {
        events_.clear();
        requestAbort();
    }
}

void SaxComm8::onModemPoll() {
    auto now = device_.modemStatus();
    if (!now || !modemStatus_)
        return;
    uint32_t changed = *now ^ *modemStatus_;
    modemStatus_ = now;
    if (changed & ModemStatus_CTS)
        queueEvent(EventId::CTSChanged);
    if (changed & ModemStatus_DSR)
        queueEvent(EventId::DSRChanged);
}

// --- buffers -------------------------------------------------------------

int32_t SaxComm8::InBufferCount() const {
    // While a transfer runs, what the line brings is its engine's, not waiting input.
    std::size_t queued = Busy() ? 0 : device_.inputQueued();
    return clampToLong(int64_t(inBuf_.size() + queued));
}

void SaxComm8::setInBufferCount(int32_t value) {
    if (value != 0)
        invalidValue("InBufferCount can only be set to 0");
    inBuf_.clear();
    device_.flushInput();
    updateReadNotifier();
}

int32_t SaxComm8::OutBufferCount() const {
    return clampToLong(int64_t(pendingOutput()));
}

void SaxComm8::setOutBufferCount(int32_t value) {
    if (value != 0)
        invalidValue("OutBufferCount can only be set to 0");
    discardOutput();
}

void SaxComm8::setInBufferSize(int32_t value) {
    if (value < 1 || value > MaxBufferSize)
        invalidValue("InBufferSize " + std::to_string(value));
    inBufferSize_ = value;
    updateReadNotifier();
}

void SaxComm8::setOutBufferSize(int32_t value) {
    if (value < 1 || value > MaxBufferSize)
        invalidValue("OutBufferSize " + std::to_string(value));
    outBufferSize_ = value;
}

void SaxComm8::setRThreshold(int32_t value) {
    if (value < 0)
        invalidValue("RThreshold " + std::to_string(value));
    rThreshold_ = value;
}

void SaxComm8::setInputMode(int32_t value) {
    if (value != 0 && value != 1)
        invalidValue("InputMode " + std::to_string(value) + " (0 text, 1 binary)");
    inputMode_ = value;
}

void SaxComm8::setInputLen(int32_t value) {
    if (value < 0)
        invalidValue("InputLen " + std::to_string(value));
    inputLen_ = value;
}

void SaxComm8::setOutput(const Automation::Variant& value) {
    if (!device_.isOpen())
        fail(SaxComm8Error::DeviceNotOpen, "The device is not open");
    if (const auto* text = value.get<std::string>())
        send(*text);
    else if (const auto* bytes = value.get<Automation::ByteArray>())
        send(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    else
        invalidValue("Output takes text or bytes, not " + value.typeName());
}

Automation::Variant SaxComm8::Input() {
    // What the kernel holds counts as waiting input too, except during a
    // transfer: its engine takes it, and would raise its events inside this call.
    if (!Busy())
        readInto(SIZE_MAX, true);
    std::size_t take =
        inputLen_ > 0 ? std::min<std::size_t>(std::size_t(inputLen_), inBuf_.size()) : inBuf_.size();
    std::string bytes = inBuf_.substr(0, take);
    inBuf_.erase(0, take);
    updateReadNotifier();
    if (inputMode_ == 0)
        return Automation::Variant(std::move(bytes));
    return Automation::Variant(Automation::ByteArray(bytes.begin(), bytes.end()));
}

void SaxComm8::setDTREnable(bool value) {
    dtrEnable_ = value;
    if (device_.isOpen())
        applyModemControl();
}

void SaxComm8::setRTSEnable(bool value) {
    rtsEnable_ = value;
    if (device_.isOpen())
        applyModemControl();
}

void SaxComm8::setXferTimeout(int32_t value) {
    if (value < 0)
        invalidValue("XferTimeout " + std::to_string(value));
    xferTimeout_ = value;
}

void SaxComm8::setXferBlockSize(int32_t value) {
    if (value < 0 || value > 8192)
        invalidValue("XferBlockSize " + std::to_string(value) + " (0 to 8192)");
    xferBlockSize_ = value;
}

void SaxComm8::setXferWindow(int32_t value) {
    if (value < 0)
        invalidValue("XferWindow " + std::to_string(value));
    xferWindow_ = value;
}

// --- reading and writing -------------------------------------------------

void SaxComm8::updateReadNotifier() {
    bool room = Busy() || inBuf_.size() < std::size_t(inBufferSize_);
    readNotifier_->setEnabled(device_.isOpen() && !lineDown_ && room);
}

void SaxComm8::updateWriteNotifier() {
    // A drained line is news for an engine that refills it.
    writeNotifier_->setEnabled(device_.isOpen() &&
                               (outputWaiting() > 0 || (Busy() && engine_->wantsDrained())));
}

// A notice takes one read, unless that brought all one read can (the buffer,
// or what the tty layer holds at once, with more queued behind it for a fast
// sender): a short read took what there was, and the next notice tells of
// more (a read to find the line empty would be a call for nothing). Reading
// on spares a round through the event loop for each 4 KiB of a fast stream.
// untilEmpty reads on until the line is empty.
void SaxComm8::readInto(std::size_t limit, bool untilEmpty) {
    char buffer[ReadChunk];
    std::size_t total = 0;
    while (device_.isOpen() && !lineDown_ && total < limit) {
        std::size_t room = ReadChunk;
        if (!Busy()) {
            std::size_t free = inBuf_.size() < std::size_t(inBufferSize_) ? inBufferSize_ - inBuf_.size() : 0;
            if (limit != SIZE_MAX)
                room = std::min(room, free);
            if (room == 0)
                break;
        }
        ssize_t n = device_.read(buffer, room);
        if (n > 0) {
            total += std::size_t(n);
            takeInput(std::string_view(buffer, std::size_t(n)));
            if (!untilEmpty && std::size_t(n) < std::min(room, TtyReadMost))
                break;
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // 0 or EIO: the line hung up (the other end of a pseudo-terminal closed).
        lineDown_ = true;
    }
}

void SaxComm8::onReadable() {
    readInto(ReadPerNotice, false);
    updateReadNotifier();
}

void SaxComm8::takeInput(std::string_view bytes) {
    if (Busy()) {
        if (engineDepth_ > 0) {
            engineInput_.append(bytes);
            return; // the call further up the stack hands it on
        }
        // Straight from the read: the engine answers a packet before anything else is done with it.
        callEngine([&] { engine_->receive(bytes); });
        while (!engineInput_.empty() && Busy()) {
            std::string chunk = std::move(engineInput_);
            engineInput_.clear();
            callEngine([&] { engine_->receive(chunk); });
        }
        if (engineInput_.empty())
            return;
        // The transfer ended; what followed it is ordinary input.
        bytes = engineInput_;
    }
    std::string rest;
    if (nullDiscard_) {
        rest.reserve(bytes.size());
        for (char c : bytes)
            if (c != '\0')
                rest.push_back(c);
        bytes = rest;
    }
    inBuf_.append(bytes);
    engineInput_.clear();
    if (rThreshold_ > 0 && inBuf_.size() >= std::size_t(rThreshold_))
        queueEvent(EventId::Receive);
}

void SaxComm8::send(std::string_view bytes) {
    if (!device_.isOpen() || bytes.empty())
        return;
    outBuf_.append(bytes);
    sent_ = true;
    writeOut();
    updateWriteNotifier();
}

void SaxComm8::writeOut() {
    while (outputWaiting() > 0 && device_.isOpen()) {
        ssize_t n = device_.write(outBuf_.data() + outHead_, outputWaiting());
        if (n > 0) {
            outHead_ += std::size_t(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // The line is gone: what was queued can never leave.
        outBuf_.clear();
        outHead_ = 0;
    }
    if (outHead_ == outBuf_.size()) {
        outBuf_.clear();
        outHead_ = 0;
    } else if (outHead_ > ReadChunk && outHead_ > outBuf_.size() / 2) {
        outBuf_.erase(0, outHead_);
        outHead_ = 0;
    }
}

void SaxComm8::onWritable() {
    writeOut();
    bool refilled = false;
    // A transfer's engine tops the queue up before it runs dry, so the line never waits for it.
    if (outputWaiting() < RefillBelow && Busy() && engineDepth_ == 0) {
        sent_ = false;
        callEngine([&] { engine_->outputDrained(); });
        refilled = sent_;
    }
    // Nothing more to write: stop watching until something is queued. After a
    // refill the line is watched on, so that a stream keeps it busy.
    if (outputWaiting() == 0 && !refilled)
        writeNotifier_->setEnabled(false);
}

std::size_t SaxComm8::pendingOutput() const {
    return outputWaiting() + device_.outputQueued();
}

void SaxComm8::discardOutput() {
    outBuf_.clear();
    outHead_ = 0;
    device_.flushOutput();
}

// --- transfers -----------------------------------------------------------

void SaxComm8::setXferProtocol(int32_t value) {
    if (value != SerialFTProtocol_ZModem && value != SerialFTProtocol_KERMIT)
        invalidValue("XferProtocol " + std::to_string(value) + " (5 ZModem, 6 Kermit)");
    if (Busy())
        fail(SaxComm8Error::TransferRunning, "A file transfer is already running");
    xferProtocol_ = value;
}

void SaxComm8::setAbortTransfer(bool value) {
    abortTransfer_ = value;
    if (value)
        requestAbort();
}

void SaxComm8::setUpload(const std::string& path) {
    startTransfer(TransferDirection::Send, path);
}

void SaxComm8::setDownload(const std::string& path) {
    startTransfer(TransferDirection::Receive, path);
}

int32_t SaxComm8::XferFileSize() const {
    return clampToLong(xferFileSize_);
}

int32_t SaxComm8::XferTransferred() const {
    return clampToLong(xferTransferred_);
}

void SaxComm8::startTransfer(TransferDirection direction, const std::string& path) {
    if (!device_.isOpen())
        fail(SaxComm8Error::DeviceNotOpen, "The device is not open");
    if (Busy())
        fail(SaxComm8Error::TransferRunning, "A file transfer is already running");
    if (path.empty())
        invalidValue(direction == TransferDirection::Send ? "Upload needs a file"
                                                          : "Download needs a file or folder");
    xferFileSize_ = 0;
    if (direction == TransferDirection::Send) {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(path.c_str(), R_OK) != 0)
            Automation::raise(Automation::RuntimeError::FileNotFound, Source, "File not found: " + path);
        xferFileSize_ = st.st_size;
        xferSource_ = path;
    } else {
        xferSource_.clear();
        downloadTarget_ = path;
    }
    xferTransferred_ = 0;
    xferStatus_ = direction == TransferDirection::Send ? SerialFTStatus_Starting : SerialFTStatus_WaitForFile;
    abortPending_ = false;

    TransferOptions options;
    options.direction = direction;
    options.path = path;
    // Parity usually means 7-bit characters at the far end; 7 bits are safe on either kind of line.
    options.sevenBitLine = settings_.dataBits < 8 || settings_.parity != 'n';
    options.timeoutMs = xferTimeout_ > 0 ? xferTimeout_ : DefaultTimeoutMs;
    options.escapeControl = xferEscapeControl_;
    options.crc32 = xferCrc32_;
    options.blockSize = xferBlockSize_;
    options.window = xferWindow_;
    options.keepPartial = xferKeepPartial_;
    TransferHost& host = *this;
    engine_ = xferProtocol_ == SerialFTProtocol_KERMIT ? makeKermitEngine(host, options)
                                                       : makeZModemEngine(host, options);
    engineInput_.clear();
    tickTimer_->start();
    updateReadNotifier();
    callEngine([&] { engine_->start(); });
}

template <class Call> void SaxComm8::callEngine(Call call) {
    if (!Busy())
        return;
    ++engineDepth_;
    // Whatever the engine lets out ends with this call; its own time-out ends the transfer.
    fromEventLoop("SaxComm8 (transfer engine)", call);
    --engineDepth_;
    afterEngine();
}

void SaxComm8::afterEngine() {
    if (engineDepth_ > 0 || !engine_)
        return;
    bool givenUp = false;
    if (abortPending_ && Busy()) {
        abortPending_ = false;
        ++engineDepth_;
        engine_->abort();
        --engineDepth_;
        // An engine that waits for its peer to hear of the abort would wait in
        // vain without the line: the transfer ends here.
        givenUp = Busy() && (!device_.isOpen() || shutdown_);
    }
    if (engine_->finished() || givenUp) {
        engine_.reset();
        tickTimer_->stop();
        abortPending_ = false;
        updateReadNotifier();
        updateWriteNotifier();
        if (givenUp)
            transferEvent(TransferEvent::AbortFileTransfer, SerialFTStatus_TransferAbort);
    }
}

void SaxComm8::requestAbort() {
    if (!Busy())
        return;
    abortPending_ = true;
    afterEngine();
}

void SaxComm8::onTick() {
    callEngine([&] { engine_->tick(MillisecondClock()); });
    // The line may have drained while nothing was watching it.
    if (outputWaiting() < RefillBelow && engineDepth_ == 0)
        callEngine([&] { engine_->outputDrained(); });
}

void SaxComm8::transferEvent(TransferEvent event, enumSerialFTStatus status) {
    xferStatus_ = status;
    static constexpr EventId ids[] = {
        EventId::WaitForFile, EventId::PrepareFile,        EventId::StartFile, EventId::TransferBlock,
        EventId::FinishFile,  EventId::FinishFileTransfer, EventId::AbortFile, EventId::AbortFileTransfer};
    queueEvent(ids[static_cast<int>(event)]);
}

void SaxComm8::transferred(int64_t bytes, int64_t fileSize) {
    xferTransferred_ = bytes;
    if (fileSize >= 0)
        xferFileSize_ = fileSize;
}

std::string SaxComm8::prepareFile(const std::string& announcedName, const std::string& localName,
                                  int64_t announcedSize) {
    xferSource_ = announcedName;
    xferFileSize_ = std::max<int64_t>(announcedSize, 0);
    xferStatus_ = SerialFTStatus_Prepare;
    // A sender on the far side of a pseudo-terminal sets the line up as its
    // own (sz turns on XON/XOFF, and the kernel then looks at every byte on
    // its way in, which made an 8 MiB file take twice as long): the data
    // finds the line as set here again.
    if (device_.isOpen())
        device_.configure(settings_, handshaking_);
    // Only the last part of the sender's name is used: it must not reach outside the folder.
    std::string name = localName.substr(localName.find_last_of("/\\") + 1);
    if (name.empty() || name == "." || name == "..")
        name = "received";
    std::error_code ec;
    if (std::filesystem::is_directory(downloadTarget_, ec))
        xferDest_ = (std::filesystem::path(downloadTarget_) / name).string();
    else
        xferDest_ = downloadTarget_;
    if (!shutdown_) {
        // The earlier events first; then PrepareFile itself, whose handler may set XferDestFilename.
        auto keep = keepAlive();
        deliverEvents();
        raiseEvent(EventId::PrepareFile);
    }
    return xferDest_;
}

// --- events --------------------------------------------------------------

void SaxComm8::queueEvent(EventId id) {
    if (shutdown_)
        return;
    // A waiting Receive or TransferBlock already tells what a second one would.
    if (id == EventId::Receive && std::find(events_.begin(), events_.end(), id) != events_.end())
        return;
    if (id == EventId::TransferBlock && !events_.empty() && events_.back() == id)
        return;
    events_.push_back(id);
    if (!deliveryPosted_ && noticeDepth_ == 0) {
        deliveryPosted_ = true;
        // Posted to poster_, a member: the delivery dies with the control.
        QMetaObject::invokeMethod(
            poster_.get(),
            [this] {
                deliveryPosted_ = false;
                auto keep = keepAlive();
                fromEventLoop("SaxComm8 (event delivery)", [this] { deliverEvents(); });
            },
            Qt::QueuedConnection);
    }
}

void SaxComm8::deliverEvents() {
    while (!events_.empty() && !shutdown_) {
        EventId id = events_.front();
        events_.pop_front();
        raiseEvent(id);
    }
}

void SaxComm8::raiseEvent(EventId id) {
    Automation::Event<>* events[] = {
        &Receive,       &CTSChanged, &DSRChanged,         &WaitForFile, &PrepareFile,      &StartFile,
        &TransferBlock, &FinishFile, &FinishFileTransfer, &AbortFile,   &AbortFileTransfer};
    // A handler's failure ends with the handler: the control goes on.
    fromEventLoop("a SaxComm8 event handler", [&] { events[static_cast<int>(id)]->raise(); });
}

} // namespace Platform::Serial
