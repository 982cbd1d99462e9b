#include "Seekwire/SerialAutoConnect.h"

#include <algorithm>
#include <vector>

#include "Markwell/Doc.h"
#include "Seekwire/Probes.h"
#include "Tethra/Enums.h"
#include "Tethra/modGlobal.h"
#include "Tickard/Timer.h"
#include "automation/Runtime.h"
#include "errors/ErrorTextProvider.h"
#include "messages/MessagePump.h"

namespace Seekwire {

using Automation::Ref;
using Automation::Variant;
using Platform::ErrorTextProvider;

namespace {

using TextList = Automation::Collection<std::string>;

// Steps of a clean-up that go on after a failure of the one before.
template <class Step> void tryStep(Step step) {
    try {
        step();
    } catch (const Automation::Error&) {
    }
}

// The fields of the text, each keyed by itself; with pairs, the second of
// each two keyed by the first.
std::unique_ptr<TextList> splitList(std::string_view text, bool pairs) {
    auto list = std::make_unique<TextList>();
    if (text.empty())
        return list;
    const std::vector<std::string_view> fields = Automation::split(text, ':');
    if (!pairs) {
        for (std::string_view field : fields)
            list->Add(std::string(field), field);
        return list;
    }
    if (fields.size() % 2 != 0)
        Automation::raise(Automation::RuntimeError::SubscriptOutOfRange, {});
    for (size_t i = 0; i < fields.size(); i += 2)
        list->Add(std::string(fields[i + 1]), fields[i]);
    return list;
}

std::string joinList(const TextList& list, std::string_view separator) {
    std::string text;
    bool first = true;
    for (const std::string& item : list) {
        if (!first)
            text += separator;
        first = false;
        text += item;
    }
    return text;
}

// Puts the text first, under key, also into an empty list.
void addFirst(TextList& list, const std::string& text, const std::string& key) {
    list.Add(text, key, list.Count() > 0 ? 1 : 0);
}

// The four fields of a settings text: baud rate, parity letter, data bits, stop bits.
std::vector<std::string> settingsFields(const std::string& settings) {
    std::vector<std::string> fields;
    for (std::string_view field : Automation::split(settings, ','))
        fields.emplace_back(field);
    if (fields.size() != 4)
        Automation::raise(Automation::RuntimeError::SubscriptOutOfRange, {});
    return fields;
}

std::string beforeComma(const std::string& text) {
    return text.substr(0, text.find(','));
}

} // namespace

// One Scan or VerifySettings: what it must put back at its end.
struct SerialAutoConnect::Run {
    bool heldNone = false;
    bool attached = false;
    Ref<Gaugely::IProgressCallBack> callback;
    Ref<Gaugely::Progress> progress;
    bool savedOpen = false;
    int32_t savedThreshold = 1;
};

SerialAutoConnect::SerialAutoConnect()
    : baudrates_(splitList(DefaultBaudrates, false)), frames_(splitList(DefaultFrames, false)),
      waits_(splitList(DefaultTimouts, true)), buffer_(Automation::New<Brindle::FifoBuf>()) {}

Ref<Tethra::SerCommWrapper> SerialAutoConnect::GetSerComm() const {
    if (!connection_ || connection_->PortType() != static_cast<int32_t>(Tethra::enumPortTypes::SerialPort))
        return nullptr;
    auto client = connection_->PortObject().as<Tethra::ISerCommClient>();
    return client ? client->SerComm() : nullptr;
}

int32_t SerialAutoConnect::StdIO() const {
    return Automation::toLong(Automation::val(channelDigit_));
}

// --- the run ----------------------------------------------------------------

void SerialAutoConnect::prepare(Run& run, const char* source,
                                const Ref<Gaugely::IProgressCallBack>& callback) {
    run.heldNone = wrapper_.isNothing();
    Ref<Tethra::SerCommWrapper> wrapper = GetSerComm();
    if (!wrapper)
        ErrorTextProvider::RaiseLibraryError(117, source);
    wrapper_ = wrapper;
    running_ = true;
    abort_ = false;
    run.callback = callback;
    if (callback) {
        run.progress = Automation::New<Gaugely::Progress>();
        run.progress->setSubTopValue(100);
        run.progress->TaskAdd("Searching for connection...", 1);
        run.progress->setTaskIndex(1);
        run.progress->setStart(true);
        callback->Feedback(run.progress, abort_);
    }
}

void SerialAutoConnect::feedback(Run& run, int32_t add) {
    if (!run.progress)
        return;
    run.progress->setSubValue(run.progress->SubValue() + add);
    run.callback->Feedback(run.progress, abort_);
}

void SerialAutoConnect::closeProgress(Run& run) {
    if (!run.progress)
        return;
    run.progress->setSubValue(0);
    run.progress->TaskAdd(" ", 1);
    run.progress->setTaskIndex(2);
    run.callback->Feedback(run.progress, abort_);
    run.progress->setStart(false);
}

void SerialAutoConnect::finish(Run& run, const std::string& settings, bool restoreOpen) {
    if (wrapper_->PortOpen())
        wrapper_->setPortOpen(false);
    if (restoreOpen) {
        wrapper_->setSettings(settings);
        wrapper_->setHandshaking(handshake_);
        wrapper_->setRThreshold(run.savedThreshold);
        wrapper_->setPortOpen(run.savedOpen);
    }
    if (run.attached)
        wrapper_->ClientRemove(self<Tethra::ISerCommClient>());
    run.attached = false;
    if (run.heldNone)
        wrapper_.reset();
    run.progress.reset();
    running_ = false;
}

void SerialAutoConnect::fail(Run& run) {
    running_ = false;
    tryStep([&] { closeProgress(run); });
    tryStep([&] {
        if (wrapper_ && wrapper_->PortOpen())
            wrapper_->setPortOpen(false);
    });
    tryStep([&] {
        if (run.attached && wrapper_)
            wrapper_->ClientRemove(self<Tethra::ISerCommClient>());
    });
    if (run.heldNone)
        wrapper_.reset();
    run.progress.reset();
}

void SerialAutoConnect::attach(Run& run) {
    wrapper_->ClientAdd(self<Tethra::ISerCommClient>());
    run.attached = true;
}

void SerialAutoConnect::saveAndReset(Run& run) {
    run.savedOpen = wrapper_->PortOpen();
    run.savedThreshold = wrapper_->RThreshold();
    (void)wrapper_->InputStr();
    wrapper_->setInBufferCount(0);
    wrapper_->setOutBufferCount(0);
    wrapper_->setAutoZModem(false);
    wrapper_->setHandshaking(Tethra::HandShake_None);
    wrapper_->setRThreshold(1);
}

void SerialAutoConnect::command(const std::string& text, const std::string& settings, int32_t timeoutMs,
                                std::string_view endMarker) {
    if (timeoutMs == 0)
        timeoutMs = DefaultCommandTimeoutMs;
    if (settings != wrapper_->Settings()) {
        wrapper_->setPortOpen(false);
        wrapper_->setSettings(settings);
    }
    wrapper_->setPortOpen(true);
    buffer_->RemoveFront(buffer_->Count());
    (void)wrapper_->InputStr();
    wrapper_->setOutput(Variant(text));
    auto timer = Automation::New<Tickard::Timer>();
    do {
        wrapper_->ProcessEvents();
        if (abort_)
            ErrorTextProvider::RaiseLibraryError(113, "SerialAutoConnect:Command method");
        if (!endMarker.empty() && buffer_->FindStr(1, endMarker) > 0)
            break;
    } while (timer->Elapsed() <= timeoutMs);
}

SerialAutoConnect::Probe SerialAutoConnect::probe(Run& run, const std::string& settings, int32_t waitMs,
                                                  bool verify) {
    command(Probes::hello(!verify), settings, waitMs, {});
    if (buffer_->FindStr(1, Probes::HelloAnswer) == 0)
        return Probe::NoAnswer;
    command(Probes::stdio(), settings, waitMs, Probes::EndMarker);
    const int32_t at = buffer_->FindStr(1, Probes::StdioAnswer);
    if (at == 0)
        return Probe::NoAnswer;
    const int32_t digitAt = at + static_cast<int32_t>(Probes::StdioAnswer.size());
    int32_t one = 1;
    channelDigit_ = digitAt <= buffer_->Count() ? buffer_->MidStr(digitAt, one) : std::string();
    feedback(run, 15);
    command(Probes::readBack(verify ? "UART" : "uart", channelDigit_), settings, 0, Probes::EndMarker);
    if (buffer_->FindStr(1, Probes::EndMarker) == 0)
        return Probe::Answered;
    readSetup(settings);
    feedback(run, 20);
    return Probe::ReadBack;
}

void SerialAutoConnect::readSetup(const std::string& settings) {
    std::string text = buffer_->GetBytes();
    std::erase(text, ' ');
    const char* lineBreak = text.find("\r\n") != std::string::npos ? "\r\n"
                            : text.find('\r') != std::string::npos ? "\r"
                                                                   : "\n";
    std::vector<std::string> lines;
    for (size_t start = 0;;) {
        const size_t end = text.find(lineBreak, start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            break;
        start = end + std::char_traits<char>::length(lineBreak);
    }
    const std::string prefix = "SER-COM,UART" + channelDigit_;
    // The value after the last comma of the first line holding the key; a
    // line the printer left out gives nothing.
    auto value = [&](const char* key) -> std::optional<std::string> {
        const std::string full = prefix + key;
        for (const std::string& line : lines)
            if (line.find(full) != std::string::npos)
                return line.substr(line.rfind(',') + 1);
        return std::nullopt;
    };
    // A line left out takes the value of the setting that answered.
    const std::vector<std::string> candidate = settingsFields(settings);
    auto number = [&](const char* key, const std::string& fallback) {
        return Variant(value(key).value_or(fallback)).toLong();
    };
    baudrate_ = number(",BAUDRATE", candidate[0]);
    parity_ = ParityValue(value(",PARITY").value_or(candidate[1]));
    databits_ = number(",CHARLENGTH", candidate[2]);
    stopbits_ = number(",STOPBITS", candidate[3]);
    foundCommPort_ = Variant(wrapper_->CommPort());
    auto enabled = [&](const char* key) { return value(key) == std::optional<std::string>("ENABLE"); };
    const int32_t rtsCts = enabled(",FLOWCONTROL,RTS/CTS") ? Tethra::HandShake_Hardware : 0;
    const int32_t toHost = enabled(",FLOWCONTROL,XON/XOFF,DATATOHOST") ? Tethra::HandShake_Software : 0;
    const int32_t fromHost = enabled(",FLOWCONTROL,XON/XOFF,DATAFROMHOST") ? Tethra::HandShake_Software : 0;
    handshake_ = rtsCts + (toHost > 0 ? toHost : fromHost);
}

void SerialAutoConnect::takeCandidate(const std::string& settings) {
    const std::vector<std::string> fields = settingsFields(settings);
    baudrate_ = Variant(fields[0]).toLong();
    parity_ = ParityValue(fields[1]);
    databits_ = Variant(fields[2]).toLong();
    stopbits_ = Variant(fields[3]).toLong();
    handshake_ = Tethra::HandShake_None;
    foundCommPort_ = Variant(wrapper_->CommPort());
}

bool SerialAutoConnect::Scan(const Ref<Gaugely::IProgressCallBack>& ProgressCallback) {
    if (running_)
        return false;
    auto keep = self<SerialAutoConnect>();
    Run run;
    try {
        prepare(run, "SerialAutoConnect:Scan method", ProgressCallback);
    } catch (const Automation::Error&) {
        if (!running_)
            throw; // no wrapper: nothing has changed
        fail(run);
        return false;
    }
    try {
        std::vector<std::string> candidates;
        for (const std::string& baud : *baudrates_)
            for (const std::string& frame : *frames_)
                candidates.push_back(baud + "," + frame);
        attach(run);
        saveAndReset(run);
        std::optional<std::string> found;
        while (!candidates.empty()) {
            const std::string candidate = candidates.front();
            const Probe answer = probe(run, candidate, timeoutOf(beforeComma(candidate)), false);
            if (answer != Probe::NoAnswer) {
                // A read-back that never ended leaves the setting that answered.
                if (answer == Probe::Answered)
                    takeCandidate(candidate);
                found = candidate;
                break;
            }
            candidates.erase(candidates.begin());
            feedback(run, 2);
            if (abort_)
                ErrorTextProvider::RaiseLibraryError(113, "SerialAutoConnect:Scan method");
            Platform::DoEvents();
        }
        closeProgress(run);
        if (!found) {
            finish(run, {}, false);
            return false;
        }
        moveBaudrateToFront(beforeComma(*found));
        moveFrameToFront(found->substr(found->find(',') + 1));
        finish(run, *found, true);
        return true;
    } catch (const Automation::Error&) {
        fail(run);
        return false;
    }
}

bool SerialAutoConnect::VerifySettings(int32_t CommPort, const std::string& Settings,
                                       const Ref<SerialConnectionSetup>& SerialConnectionSetupObj,
                                       const Ref<Gaugely::IProgressCallBack>& ProgressCallback) {
    if (running_)
        return false;
    auto keep = self<SerialAutoConnect>();
    Run run;
    try {
        prepare(run, "SerialAutoConnect:VerifySettings method", ProgressCallback);
    } catch (const Automation::Error&) {
        if (!running_)
            throw;
        fail(run);
        return false;
    }
    try {
        attach(run);
        wrapper_->setCommPort(CommPort);
        saveAndReset(run);
        const bool result = probe(run, Settings, VerifyTimeoutMs, true) == Probe::ReadBack;
        feedback(run, 2);
        if (abort_)
            ErrorTextProvider::RaiseLibraryError(113, "SerialAutoConnect:VerifySettings method");
        Platform::DoEvents();
        closeProgress(run);
        moveBaudrateToFront(beforeComma(Settings));
        SerialConnectionSetupObj->setCommPort(CommPort);
        fill(*SerialConnectionSetupObj, result);
        finish(run, Settings, true);
        return result;
    } catch (const Automation::Error&) {
        fail(run);
        return false;
    }
}

void SerialAutoConnect::ScanCommPort(const Ref<SerialConnectionSetup>& SerialConnectionSetupObj,
                                     const Ref<Gaugely::IProgressCallBack>& ProgressCallback) {
    if (running_)
        return;
    auto keep = self<SerialAutoConnect>();
    const bool heldNone = wrapper_.isNothing();
    Ref<Tethra::SerCommWrapper> wrapper = GetSerComm();
    if (!wrapper)
        ErrorTextProvider::RaiseLibraryError(117, "SerialAutoConnect:Start method");
    wrapper_ = wrapper;
    const int32_t savedPort = wrapper_->CommPort();
    // The port is left closed; the caller restores its own connection.
    auto restore = [&] {
        wrapper->setPortOpen(false);
        wrapper->setCommPort(savedPort);
        wrapper->setPortOpen(false);
        if (heldNone)
            wrapper_.reset();
    };
    try {
        wrapper_->setCommPort(SerialConnectionSetupObj->CommPort());
        const bool ok = Scan(ProgressCallback);
        fill(*SerialConnectionSetupObj, ok);
    } catch (const Automation::Error&) {
        tryStep(restore);
        throw;
    }
    restore();
}

void SerialAutoConnect::fill(SerialConnectionSetup& setup, bool answered) const {
    setup.setBaudrate(baudrate_);
    setup.setParity(parity_);
    setup.setDatabits(databits_);
    setup.setStopbits(stopbits_);
    setup.setHandshake(handshake_);
    setup.setStdIO(StdIO());
    setup.setImmediateMode(answered);
}

Ref<CommPorts> SerialAutoConnect::GetCommPorts() {
    auto ports = Automation::New<CommPorts>();
    ports->Enumerate(1, 15, GetSerComm());
    return ports;
}

void SerialAutoConnect::Receive() {
    if (!wrapper_ || wrapper_->InBufferCount() <= 0)
        return;
    Automation::ByteArray bytes = wrapper_->InputByte();
    // A printer sending 7 data bits, read with 8, may set the eighth.
    std::string text(bytes.begin(), bytes.end());
    for (char& c : text)
        c = static_cast<char>(c & 0x7f);
    buffer_->Add(text);
}

// --- candidate lists ----------------------------------------------------------

int32_t SerialAutoConnect::timeoutOf(const std::string& baud) {
    return Variant(waits_->Item(baud)).toLong();
}

void SerialAutoConnect::moveBaudrateToFront(const std::string& baud) {
    for (int32_t i = 1; i <= baudrates_->Count(); ++i)
        if (baudrates_->Item(i) == baud) {
            baudrates_->Remove(i);
            addFirst(*baudrates_, baud, baud);
            return;
        }
    Automation::raise(Automation::RuntimeError::InvalidProcedureCall, {});
}

void SerialAutoConnect::moveFrameToFront(const std::string& frame) {
    const std::string key = Automation::upperCase(frame);
    for (int32_t i = 1; i <= frames_->Count(); ++i)
        if (Automation::upperCase(frames_->Item(i)) == key) {
            frames_->Remove(i);
            break;
        }
    addFirst(*frames_, frame, key);
}

std::string SerialAutoConnect::Timouts() {
    try {
        if (msTimouts_.empty())
            msTimouts_ = DefaultTimouts;
        return msTimouts_;
    } catch (const Automation::Error&) {
        ErrorTextProvider::RaiseLibraryError(101, "SerialAutoConnect:Timouts Property Get");
    }
}

void SerialAutoConnect::setTimouts(const std::string& value) {
    if (value == msTimouts_)
        return;
    try {
        // An empty text stands for the default waits, as the get reports them.
        std::unique_ptr<TextList> waits = splitList(value.empty() ? DefaultTimouts : value, true);
        for (const std::string& ms : *waits)
            if (!Automation::isNumeric(ms))
                Automation::raise(Automation::RuntimeError::TypeMismatch, {});
        waits_ = std::move(waits);
        msTimouts_ = value;
    } catch (const Automation::Error&) {
        ErrorTextProvider::RaiseLibraryError(101, "SerialAutoConnect:msTimouts = NewValue Property Let");
    }
}

std::string SerialAutoConnect::ObjectData() {
    try {
        auto doc = Automation::New<Markwell::Doc>();
        doc->Add({}, Markwell::iagChild, "Top", "AutoConnect");
        doc->Add("Top", Markwell::iagChild, std::string_view{}, "Baudrates",
                 Variant(joinList(*baudrates_, ":")));
        doc->Add("Top", Markwell::iagChild, std::string_view{}, "Frames", Variant(joinList(*frames_, ":")));
        doc->Add("Top", Markwell::iagChild, std::string_view{}, "Timouts", Variant(Timouts()));
        return doc->WriteXML(true, {});
    } catch (const Automation::Error&) {
        ErrorTextProvider::RaiseLibraryError(101, "SerialAutoConnect:ObjectData Property Get");
    }
}

void SerialAutoConnect::setObjectData(const std::string& value) {
    try {
        auto doc = Automation::New<Markwell::Doc>();
        doc->ReadXML(value, {});
        if (auto nodes = doc->SelectNodes("Baudrates"); nodes->Count() > 0)
            baudrates_ = splitList(nodes->Item(1)->Value().toString(), false);
        if (auto nodes = doc->SelectNodes("Frames"); nodes->Count() > 0)
            frames_ = splitList(nodes->Item(1)->Value().toString(), false);
        if (auto nodes = doc->SelectNodes("Timouts"); nodes->Count() > 0)
            setTimouts(nodes->Item(1)->Value().toString());
    } catch (const Automation::Error&) {
        ErrorTextProvider::RaiseLibraryError(101, "SerialAutoConnect:ObjectData Property Let");
    }
}

// --- names ------------------------------------------------------------------

int32_t SerialAutoConnect::ParityValue(const std::string& Expression) const {
    return Tethra::modGlobal::ParityFromLetter(std::string_view(Expression).substr(0, 1));
}

std::string SerialAutoConnect::ParityString(int32_t Expression) const {
    static constexpr std::string_view Letters = "NEOMS";
    if (Expression < 1 || Expression > 5)
        Automation::raise(Automation::RuntimeError::SubscriptOutOfRange, {});
    return std::string(Letters.substr(static_cast<size_t>(Expression - 1), 1));
}

std::string SerialAutoConnect::HandshakeString(int32_t Expression) const {
    static const char* const Names[] = {"None", "Software", "Hardware", "Both"};
    if (Expression < 0 || Expression > 3)
        Automation::raise(Automation::RuntimeError::SubscriptOutOfRange, {});
    return Names[Expression];
}

} // namespace Seekwire
