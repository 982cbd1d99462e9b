#include "Interpreter.h"

#include <algorithm>
#include <cmath>
#include <sys/mman.h>
#include <utility>

#include "Failure.h"
#include "Scanner.h"

namespace PrinterSim {

namespace {

// Statement keywords; a statement that starts with none of them is an
// assignment or a syntax error.
const char* const Keywords[] = {
    "PRINT",     "LET",      "IF",      "WHILE", "WEND",  "MAP",   "RUN",   "END",      "NEW",      "LIST",
    "IMMEDIATE", "SYSVAR",   "REBOOT",  "LED",   "SOUND", "INPUT", "BREAK", "GOTO",     "FILES",    "KILL",
    "COPY",      "FORMAT",   "OPEN",    "CLOSE", "SETUP", "LOAD",  "MERGE", "SAVE",     "FONTS",    "IMAGES",
    "REMOVE",    "TRANSFER", "CLL",     "PP",    "PRPOS", "AN",    "DIR",   "NORIMAGE", "INVIMAGE", "CLIP",
    "FONT",      "PRTXT",    "PRIMAGE", "PF",    "IMAGE", nullptr};

// A WHILE loop of one line that never ends is cut off after this many
// statements, so that the simulator's thread stays responsive.
constexpr int StepLimit = 100000;

// Raw input that a shell program reads gets room for this many bytes up front at most.
constexpr qint64 MaxRawReserve = qint64(1) << 26;

// A long file read into memory takes a page fault per 4 KiB page as it
// fills; large pages, where the system grants them, take one per 2 MiB.
void adviseLargePages(QByteArray& buffer) {
    constexpr uintptr_t Large = uintptr_t(2) << 20;
    const auto start = reinterpret_cast<uintptr_t>(buffer.data());
    const uintptr_t from = (start + Large - 1) & ~(Large - 1);
    const uintptr_t to = (start + static_cast<uintptr_t>(buffer.capacity())) & ~(Large - 1);
    if (to > from)
        ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

// Bar code names that BARCODENAME$ walks through.
const char* const BarcodeNames[] = {"CODE128", "CODE39", "EAN13",      "EAN8",
                                    "UPCA",    "QRCODE", "DATAMATRIX", nullptr};

Scanner after(const QByteArray& text, const QByteArray& keyword) {
    int start = 0;
    while (start < text.size() && text[start] == ' ')
        ++start;
    return Scanner(text, start + static_cast<int>(keyword.size()));
}

bool truth(const Value& v) {
    return v.num() != 0;
}
Value boolean(bool b) {
    return Value::number(b ? -1 : 0);
}

} // namespace

Interpreter::Interpreter(const Profile& profile, Host& host, int channel)
    : profile_(profile), host_(host), files_(profile), setup_(profile),
      shell_(
          profile, user_, files_, setup_, [this](const QByteArray& b) { out(b); },
          [this](qint64 count, int idleSeconds, std::function<void(const QByteArray&)> done) {
              if (count == 0) {
                  if (done)
                      done({});
                  return;
              }
              // Room for all of it at once: grown step by step, it would be copied again and again.
              // Bytes read only to be dropped take none.
              reading_ =
                  Reading{count, idleSeconds, done ? files_.buffer(qMin(count, MaxRawReserve)) : QByteArray(),
                          std::move(done)};
              if (reading_->done)
                  adviseLargePages(reading_->data);
              lastWasCr_ = false;
              host_.armInputTimer(idleSeconds * 1000);
          },
          Interpreter::channelName(channel)),
      imageBuffer_(profile_, setup_), channel_(channel) {
    shell_.setDisplay([this](const QByteArray& text) { show(text); });
    shell_.setFaults([this](Fault::Kind kind) { return host_.takeFault(kind); });
    shell_.setReplyStaller([this](int ms) { host_.stallReply(ms); });
    updateTmpRoom();
    restart();
}

void Interpreter::show(const QByteArray& text) {
    display_ = text;
    displayHistory_.append(text);
}

void Interpreter::updateTmpRoom() {
    files_.setReleasedImageMemory(setup_.releasedImageMemory());
}

void Interpreter::restart() {
    pending_.clear();
    lineCut_ = false;
    lastWasCr_ = false;
    atLineStart_ = true;
    column_ = 0;
    away_ = false;
    immediate_ = true;
    user_ = profile_.startUser;
    variables_.clear();
    program_.clear();
    maps_.clear();
    handles_.clear();
    reading_.reset();
    files_.reboot();
    imageBuffer_.restart();
    images_.clear();
    sysvars_ = {{15, 0},
                {18, profile_.verbosity},
                {19, profile_.errorMessageType},
                {21, profile_.headDotsPerMm},
                {22, profile_.headDots},
                {24, 1},
                {36, 0},
                {43, 0}};
}

void Interpreter::receive(const QByteArray& bytes) {
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char raw = bytes[i];
        if (away_)
            return;
        if (reading_) {
            const qsizetype take = qMin<qsizetype>(reading_->remaining, bytes.size() - i);
            if (reading_->done)
                reading_->data.append(bytes.constData() + i, take);
            reading_->remaining -= take;
            i += take - 1;
            if (reading_->remaining > 0) {
                host_.armInputTimer(reading_->idleSeconds * 1000);
                continue;
            }
            const Reading done = *reading_;
            reading_.reset();
            host_.armInputTimer(0);
            if (done.done)
                done.done(done.data);
            prompt();
            continue;
        }
        const auto map = maps_.constFind(channel_);
        const char c = map != maps_.constEnd() ? map->value(raw, raw) : raw;
        if (c == '\n' && lastWasCr_) {
            lastWasCr_ = false;
            continue;
        }
        lastWasCr_ = c == '\r';
        if (c == '\r' || c == '\n') {
            const QByteArray line = pending_;
            pending_.clear();
            takeLine(line, std::exchange(lineCut_, false));
        } else if (c != 0x11 && c != 0x13) { // XON and XOFF are flow control, not input
            if (pending_.size() < MaxLineBytes)
                pending_ += c;
            else
                lineCut_ = true;
        }
    }
}

void Interpreter::takeLine(const QByteArray& line, bool cut) {
    received_.append(line);
    receivedBytes_ += line.size();
    while (received_.size() > KeptLines || receivedBytes_ > KeptBytes)
        receivedBytes_ -= received_.takeFirst().size();
    if (sysvars_.value(18) & 2)
        out(line + LineBreak);
    if (cut) {
        // What is left of the line is not what was sent: it is not run.
        reportError(Failure::Syntax, 0);
        prompt();
        return;
    }
    const QByteArray trimmed = line.trimmed();
    const QByteArray keyword = Scanner::leadingKeyword(trimmed, Keywords);
    if (!trimmed.isEmpty() && std::isdigit(static_cast<unsigned char>(trimmed[0]))) {
        enterProgramLine(trimmed);
    } else if (!immediate_ && !trimmed.isEmpty() && keyword != "IMMEDIATE") {
        lastEntered_ += 10;
        program_[lastEntered_] = trimmed;
    } else {
        try {
            runLine(line, 0);
        } catch (const Failure& failure) {
            reportError(failure.number(), 0);
        }
    }
    if (!reading_)
        prompt();
}

void Interpreter::prompt() {
    if (!away_ && (sysvars_.value(18) & 1))
        out(QByteArray(atLineStart_ ? "" : LineBreak) + "Ok" + LineBreak);
}

void Interpreter::inputTimedOut() {
    if (!reading_)
        return;
    reading_.reset();
    out(QByteArray("Timer Expired") + LineBreak);
    prompt();
}

void Interpreter::enterProgramLine(const QByteArray& line) {
    qsizetype digits = 0;
    while (digits < line.size() && std::isdigit(static_cast<unsigned char>(line[digits])))
        ++digits;
    const int number = line.left(digits).toInt();
    const QByteArray text = line.mid(digits).trimmed();
    if (text.isEmpty())
        program_.remove(number);
    else
        program_[number] = text;
    lastEntered_ = number;
}

QList<QByteArray> Interpreter::splitStatements(const QByteArray& line) {
    QList<QByteArray> result;
    QByteArray current;
    bool quoted = false;
    for (const char c : line) {
        if (c == '"')
            quoted = !quoted;
        if (c == ':' && !quoted) {
            result.append(current);
            current.clear();
        } else {
            current += c;
        }
    }
    result.append(current);
    return result;
}

Interpreter::Flow Interpreter::runLine(const QByteArray& line, int lineNumber) {
    QList<QByteArray> statements = splitStatements(line);
    QList<int> loops;
    int steps = 0;
    for (qsizetype i = 0; i < statements.size(); ++i) {
        if (++steps > StepLimit)
            return {Flow::Stop, 0};
        const QByteArray& text = statements[i];
        if (text.trimmed().isEmpty())
            continue;
        const QByteArray keyword = Scanner::leadingKeyword(text, Keywords);
        if (keyword == "WHILE") {
            Scanner s = after(text, keyword);
            if (truth(expression(s))) {
                loops.append(static_cast<int>(i));
                continue;
            }
            int depth = 0;
            for (++i; i < statements.size(); ++i) {
                const QByteArray k = Scanner::leadingKeyword(statements[i], Keywords);
                if (k == "WHILE")
                    ++depth;
                else if (k == "WEND" && depth-- == 0)
                    break;
            }
            continue;
        }
        if (keyword == "WEND") {
            if (loops.isEmpty())
                throw Failure(Failure::Syntax);
            i = loops.takeLast() - 1;
            continue;
        }
        if (keyword == "IF") {
            Scanner s = after(text, keyword);
            const bool condition = truth(expression(s));
            s.expect("THEN");
            if (!condition)
                return {};
            if (s.peek().kind == Token::Number)
                return {Flow::Jump, static_cast<int>(s.next().number)};
            statements[i] = s.rest();
            --i;
            continue;
        }
        const Flow flow = statement(text, keyword);
        if (flow.kind != Flow::Next)
            return flow;
    }
    (void)lineNumber;
    return {};
}

Interpreter::Flow Interpreter::statement(const QByteArray& text, const QByteArray& keyword) {
    Flow flow;
    Scanner s = after(text, keyword);
    if (keyword.isEmpty() || keyword == "LET" || keyword == "SYSVAR") {
        s = keyword == "SYSVAR" ? Scanner(text) : s;
        assign(s);
    } else if (keyword == "PRINT") {
        print(s);
    } else if (keyword == "MAP") {
        map(s);
    } else if (keyword == "RUN") {
        runStatement(s, flow);
    } else if (keyword == "END") {
        flow.kind = Flow::Stop;
    } else if (keyword == "GOTO") {
        flow = {Flow::Jump, integerArgument(s)};
    } else if (keyword == "NEW") {
        program_.clear();
        variables_.clear();
    } else if (keyword == "LIST") {
        list(s);
    } else if (keyword == "IMMEDIATE") {
        immediate(s);
    } else if (keyword == "REBOOT") {
        away_ = true;
        host_.reboot();
        flow.kind = Flow::Stop;
    } else if (keyword == "LED") {
        integerArgument(s);
        if (!s.accept("ON") && !s.accept("OFF"))
            throw Failure(Failure::Syntax);
    } else if (keyword == "SOUND") {
        integerArgument(s);
        s.expect(",");
        integerArgument(s);
    } else if (keyword == "INPUT") {
        if (!s.accept("ON") && !s.accept("OFF"))
            throw Failure(Failure::NotImplemented);
    } else if (keyword == "FILES") {
        files(s);
    } else if (keyword == "KILL") {
        files_.remove(s.next().text, false);
    } else if (keyword == "COPY") {
        const QByteArray source = s.next().text;
        s.expect(",");
        files_.write(s.next().text, files_.read(source));
    } else if (keyword == "FORMAT") {
        files_.format(s.next().text);
        while (s.accept(","))
            s.next();
    } else if (keyword == "OPEN") {
        open(s);
    } else if (keyword == "CLOSE") {
        close(s);
    } else if (keyword == "SETUP") {
        setupStatement(s);
    } else if (keyword == "LOAD" || keyword == "MERGE") {
        load(s, keyword == "MERGE");
    } else if (keyword == "SAVE") {
        save(s);
    } else if (keyword == "FONTS") {
        fonts();
    } else if (keyword == "IMAGES") {
        images();
    } else if (keyword == "REMOVE") {
        removeImage(s);
    } else if (keyword == "TRANSFER") {
        transfer(s);
    } else if (keyword == "BREAK") {
        integerArgument(s);
        if (!s.accept("ON") && !s.accept("OFF"))
            throw Failure(Failure::Syntax);
    } else if (!layoutStatement(keyword, s)) {
        throw Failure(Failure::Syntax);
    }
    if (!s.atEnd())
        throw Failure(Failure::Syntax);
    return flow;
}

void Interpreter::print(Scanner& s) {
    int handle = 0;
    if (s.accept("#")) {
        handle = integerArgument(s);
        s.expect(",");
        if (!handles_.contains(handle))
            throw Failure(Failure::FileNotFound);
    }
    bool lineBreak = true;
    while (!s.atEnd()) {
        if (s.accept(";")) {
            lineBreak = false;
        } else if (s.accept(",")) {
            emit(handle, QByteArray(10 - column_ % 10, ' '));
            lineBreak = false;
        } else {
            emit(handle, expression(s).printed());
            lineBreak = true;
        }
    }
    if (lineBreak)
        emit(handle, LineBreak);
}

void Interpreter::emit(int handle, const QByteArray& bytes) {
    if (handle == 0)
        out(bytes);
    else
        handles_[handle].data += bytes;
}

QByteArray Interpreter::channelName(int channel) {
    static const char* const Names[] = {"console:", "uart1:", "uart2:", "uart3:", "par:", "net1:", "usb1:"};
    return Names[channel];
}

void Interpreter::files(Scanner& s) {
    const QByteArray path = s.atEnd() ? files_.devices().first().name : s.next().text;
    const QByteArray n = files_.normalise(path);
    const QByteArray device = n.left(n.indexOf(':') + 1);
    QList<FileSystem::Entry> entries;
    if (n == device || files_.isDirectory(n))
        entries = files_.list(n);
    else if (files_.exists(n))
        entries.append({n.mid(qMax(n.lastIndexOf('/'), n.indexOf(':')) + 1), files_.read(n).size(), false});
    out((entries.isEmpty() ? "No files on " : "Files on ") + device + LineBreak);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const FileSystem::Entry& e = entries[i];
        const QByteArray size = e.directory ? QByteArray() : QByteArray::number(e.size);
        // Two entries a line, name and size apart by runs of blanks.
        QByteArray text = e.name.leftJustified(18) + "  " + size.rightJustified(8);
        out(i % 2 == 0 ? text + "    " : text + LineBreak);
    }
    if (entries.size() % 2 == 1)
        out(LineBreak);
    out(LineBreak + QByteArray::number(files_.used(device)).rightJustified(10) + " bytes used" + LineBreak +
        QByteArray::number(files_.free(device)).rightJustified(10) + " bytes free" + LineBreak);
}

void Interpreter::open(Scanner& s) {
    const QByteArray target = s.next().text;
    s.expect("FOR");
    const Token mode = s.next();
    s.expect("AS");
    s.accept("#");
    const int handle = integerArgument(s);
    const QByteArray lower = target.toLower();
    const bool output = mode.text == "OUTPUT" || mode.text == "APPEND";
    const bool present = lower == "console:" || lower == "uart1:" ||
                         ((lower == "uart2:" || lower == "uart3:") && profile_.dualRs232) ||
                         (lower == "centronics:" && profile_.parallel) ||
                         (lower == "net1:" && profile_.ethernet);
    Handle h{target, output, {}};
    if (!present) {
        if (output && mode.text == "APPEND" && files_.exists(target))
            h.data = files_.read(target);
        else if (!output && !files_.exists(target))
            throw Failure(Failure::FileNotFound);
        else if (output)
            files_.write(target, {});
    }
    handles_.insert(handle, h);
}

void Interpreter::close(Scanner& s) {
    s.accept("#");
    const int handle = integerArgument(s);
    const auto it = handles_.constFind(handle);
    if (it == handles_.constEnd())
        throw Failure(Failure::FileNotFound);
    const Handle h = it.value();
    handles_.remove(handle);
    if (h.target.toLower() == "console:")
        show(h.data);
    else if (h.output && h.target.contains(':') && !h.target.endsWith(':'))
        files_.write(h.target, h.data);
}

void Interpreter::setupStatement(Scanner& s) {
    if (s.accept("GET")) {
        s.next();
        s.expect(",");
        const QByteArray key = s.next().text;
        s.expect(",");
        const Token variable = s.next();
        if (variable.kind != Token::Name || !variable.text.endsWith('$'))
            throw Failure(Failure::TypeMismatch);
        variables_[variable.text] = Value::text(setup_.value(key));
        return;
    }
    if (s.accept("WRITE")) {
        const QByteArray target = s.next().text;
        if (target.toLower() == channelName(channel_))
            out(setup_.dump(LineBreak));
        else if (!target.endsWith(':'))
            files_.write(target, setup_.dump(LineBreak));
        return;
    }
    const QByteArray change = s.next().text;
    const qsizetype comma = change.lastIndexOf(',');
    if (comma < 0)
        throw Failure(Failure::Syntax);
    setup_.set(change.left(comma), change.mid(comma + 1));
    updateTmpRoom();
}

void Interpreter::load(Scanner& s, bool merge) {
    const QByteArray text = files_.read(s.next().text);
    if (!merge) {
        program_.clear();
        variables_.clear();
    }
    int number = merge && !program_.isEmpty() ? program_.lastKey() : 0;
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty())
            continue;
        if (std::isdigit(static_cast<unsigned char>(line[0]))) {
            enterProgramLine(line);
            number = lastEntered_;
        } else {
            number += 10;
            program_[number] = line;
        }
    }
}

void Interpreter::save(Scanner& s) {
    const QByteArray name = s.next().text;
    bool numberless = false;
    while (s.accept(",")) {
        const Token option = s.next();
        if (option.text == "L")
            numberless = true;
        else if (option.text != "P")
            throw Failure(Failure::Syntax);
    }
    QByteArray text;
    for (auto it = program_.cbegin(); it != program_.cend(); ++it)
        text += (numberless ? QByteArray() : QByteArray::number(it.key()) + " ") + it.value() + LineBreak;
    files_.write(name, text);
}

void Interpreter::fonts() {
    for (const QByteArray& name : fontNames())
        out(name + LineBreak);
}

void Interpreter::images() {
    QList<QByteArray> names;
    for (const QByteArray& path : files_.files().keys()) {
        const QByteArray lower = path.toLower();
        if (lower.endsWith(".1") || lower.endsWith(".rll") || lower.endsWith(".pcx"))
            names.append(FileSystem::fileName(path));
    }
    for (const QByteArray& name : images_.keys())
        if (!names.contains(name))
            names.append(name);
    for (const QByteArray& name : names)
        out(name + LineBreak);
}

void Interpreter::assign(Scanner& s) {
    const Token target = s.next();
    if (target.kind != Token::Name)
        throw Failure(Failure::Syntax);
    if (target.text == "SYSVAR") {
        s.expect("(");
        const int index = integerArgument(s);
        s.expect(")");
        s.expect("=");
        writeSysvar(index, integerArgument(s));
        return;
    }
    s.expect("=");
    const Value value = expression(s);
    if (target.text.endsWith('$'))
        variables_[target.text] = Value::text(value.str());
    else if (target.text.endsWith('%'))
        variables_[target.text] = Value::number(std::trunc(value.num()));
    else
        variables_[target.text] = Value::number(value.num());
}

void Interpreter::map(Scanner& s) {
    const int channel = integerArgument(s);
    s.expect(",");
    const int from = integerArgument(s);
    s.expect(",");
    const int to = integerArgument(s);
    if (channel < 1 || channel > 5 || from < 0 || from > 255 || to < 0 || to > 255)
        throw Failure(Failure::OutOfRange);
    if (from == to)
        maps_[channel].remove(static_cast<char>(from));
    else
        maps_[channel][static_cast<char>(from)] = static_cast<char>(to);
}

void Interpreter::list(Scanner& s) {
    if (s.accept(",")) {
        // LIST,B lists the breakpoints; the simulated debugger has none.
        s.expect("B");
        return;
    }
    if (s.atEnd()) {
        for (auto it = program_.cbegin(); it != program_.cend(); ++it)
            out(QByteArray::number(it.key()) + " " + it.value() + LineBreak);
        return;
    }
    const int number = integerArgument(s);
    if (program_.contains(number))
        out(QByteArray::number(number) + " " + program_.value(number) + LineBreak);
}

void Interpreter::runStatement(Scanner& s, Flow& flow) {
    if (s.peek().kind == Token::Text) {
        const QByteArray command = s.next().text;
        if (!profile_.hasShell())
            throw Failure(Failure::FileNotFound);
        const QList<QByteArray> words = Shell::words(command);
        if (words.size() == 2 && words[0] == "sz") {
            // sz needs the line itself, so the link runs it.
            try {
                handOver(Handover::ZModem, true, words[1]);
            } catch (const Failure& failure) {
                out("sz: " + words[1] + ": " + Failure::describe(failure.number()) + LineBreak);
            }
            return;
        }
        shell_.run(command);
        return;
    }
    runProgram(s.atEnd() ? 0 : integerArgument(s));
    flow.kind = Flow::Stop;
}

void Interpreter::transfer(Scanner& s) {
    const QByteArray protocol = s.next().text.toUpper();
    const QByteArray direction = s.next().text.toUpper();
    if ((protocol != "Z" && protocol != "K") || (direction != "R" && direction != "S"))
        throw Failure(Failure::Syntax);
    s.expect(",");
    handOver(protocol == "Z" ? Handover::ZModem : Handover::Kermit, direction == "S", s.next().text);
}

void Interpreter::handOver(Handover::Protocol protocol, bool send, const QByteArray& name) {
    const Handover handover{protocol, send, name, send ? files_.read(name) : QByteArray()};
    const bool started = host_.handOver(handover, [this, handover](bool ok, const QByteArray& received) {
        if (ok && !handover.send) {
            try {
                files_.write(handover.name, received);
            } catch (const Failure& failure) {
                reportError(failure.number(), 0);
            }
        }
        prompt();
    });
    if (!started)
        throw Failure(Failure::NotImplemented);
}

void Interpreter::runProgram(int fromLine) {
    variables_.clear();
    auto it = fromLine ? program_.constFind(fromLine) : program_.constBegin();
    if (fromLine && it == program_.constEnd())
        throw Failure(Failure::UndefinedLine);
    // With the debugger on, the printer tells its debugging host when a
    // program starts and ends.
    const bool debugging = sysvars_.value(36) == 1;
    if (debugging)
        debugFrame("execution=ON");
    runLines(it);
    if (debugging && !away_)
        debugFrame("execution=OFF");
}

void Interpreter::debugFrame(const QByteArray& payload) {
    // Tag, frame number and two filler characters, then the payload.
    out("\x01"
        "DB10100\x02" +
        payload +
        "\x03"
        "DB101\x04" +
        LineBreak);
}

void Interpreter::applicationFrame(const QByteArray& payload) {
    // The length counts the whole frame, from SOH to EOT.
    const QByteArray length = QByteArray::number(payload.size() + 17).rightJustified(8, '0');
    out("\x01"
        "AP101" +
        length + "\x02" + payload + "\x03\x04");
}

void Interpreter::runLines(QMap<int, QByteArray>::const_iterator it) {
    int steps = 0;
    while (it != program_.constEnd() && ++steps < StepLimit) {
        const int number = it.key();
        Flow flow;
        try {
            flow = runLine(it.value(), number);
        } catch (const Failure& failure) {
            reportError(failure.number(), number);
            return;
        }
        if (flow.kind == Flow::Stop || away_)
            return;
        if (flow.kind == Flow::Jump) {
            it = program_.constFind(flow.target);
            if (it == program_.constEnd()) {
                reportError(Failure::UndefinedLine, number);
                return;
            }
        } else {
            it = program_.upperBound(number);
        }
    }
}

void Interpreter::immediate(Scanner& s) {
    if (s.accept("ON")) {
        immediate_ = true;
    } else if (s.accept("OFF")) {
        immediate_ = false;
        lastEntered_ = program_.isEmpty() ? 0 : program_.lastKey();
    } else {
        throw Failure(Failure::Syntax);
    }
}

void Interpreter::reportError(int number, int lineNumber) {
    sysvars_[15] += 1;
    if (sysvars_.value(19) != 2)
        return;
    newLineIfNeeded();
    QByteArray message = "Error " + QByteArray::number(number);
    if (lineNumber > 0)
        message += " in line " + QByteArray::number(lineNumber);
    out(message + ": " + Failure::describe(number) + LineBreak);
}

void Interpreter::out(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return;
    // The column counts the printable characters since the last control
    // character, so the frame's SOH and STX leave the command at column 0.
    const auto control = std::find_if(bytes.crbegin(), bytes.crend(),
                                      [](char c) { return static_cast<unsigned char>(c) < 32; });
    column_ = control == bytes.crend() ? column_ + static_cast<int>(bytes.size())
                                       : static_cast<int>(control - bytes.crbegin());
    atLineStart_ = bytes.endsWith('\n');
    host_.write(bytes);
}

void Interpreter::newLineIfNeeded() {
    if (column_ != 0)
        out(LineBreak);
}

int Interpreter::readSysvar(int index) {
    const auto it = sysvars_.find(index);
    if (it == sysvars_.end())
        throw Failure(Failure::OutOfRange);
    const int value = it.value();
    // The error counter and the start-up flag count since they were last read.
    if (index == 15 || index == 24)
        it.value() = 0;
    return value;
}

void Interpreter::writeSysvar(int index, int value) {
    if (index == 21 || index == 22 || !sysvars_.contains(index))
        throw Failure(Failure::OutOfRange);
    sysvars_[index] = value;
}

int Interpreter::integerArgument(Scanner& s) {
    return static_cast<int>(std::lround(expression(s).num()));
}

Value Interpreter::expression(Scanner& s) {
    Value v = conjunction(s);
    while (s.accept("OR"))
        v = Value::number(static_cast<int>(v.num()) | static_cast<int>(conjunction(s).num()));
    return v;
}

Value Interpreter::conjunction(Scanner& s) {
    Value v = comparison(s);
    while (s.accept("AND"))
        v = Value::number(static_cast<int>(v.num()) & static_cast<int>(comparison(s).num()));
    return v;
}

Value Interpreter::comparison(Scanner& s) {
    if (s.accept("NOT"))
        return Value::number(~static_cast<int>(comparison(s).num()));
    const Value left = sum(s);
    static const char* const Operators[] = {"=", "<>", "<", ">", "<=", ">="};
    for (int op = 0; op < 6; ++op) {
        if (!s.accept(Operators[op]))
            continue;
        const Value right = sum(s);
        int order = 0;
        if (left.isText() != right.isText())
            throw Failure(Failure::TypeMismatch);
        if (left.isText())
            order = left.str() < right.str() ? -1 : (left.str() == right.str() ? 0 : 1);
        else
            order = left.num() < right.num() ? -1 : (left.num() == right.num() ? 0 : 1);
        const bool results[] = {order == 0, order != 0, order<0, order> 0, order <= 0, order >= 0};
        return boolean(results[op]);
    }
    return left;
}

Value Interpreter::sum(Scanner& s) {
    Value v = product(s);
    for (;;) {
        if (s.accept("+")) {
            const Value r = product(s);
            if (v.isText() != r.isText())
                throw Failure(Failure::TypeMismatch);
            v = v.isText() ? Value::text(v.str() + r.str()) : Value::number(v.num() + r.num());
        } else if (s.accept("-")) {
            v = Value::number(v.num() - product(s).num());
        } else {
            return v;
        }
    }
}

Value Interpreter::product(Scanner& s) {
    Value v = unary(s);
    for (;;) {
        if (s.accept("*")) {
            v = Value::number(v.num() * unary(s).num());
        } else if (s.accept("/")) {
            const double divisor = unary(s).num();
            if (divisor == 0)
                throw Failure(Failure::OutOfRange);
            v = Value::number(v.num() / divisor);
        } else {
            return v;
        }
    }
}

Value Interpreter::unary(Scanner& s) {
    if (s.accept("-"))
        return Value::number(-unary(s).num());
    if (s.accept("+"))
        return Value::number(unary(s).num());
    return primary(s);
}

Value Interpreter::primary(Scanner& s) {
    const Token t = s.next();
    switch (t.kind) {
    case Token::Number:
        return Value::number(t.number);
    case Token::Text:
        return Value::text(t.text);
    case Token::Symbol:
        if (t.text == "(") {
            const Value v = expression(s);
            if (!s.accept(")"))
                throw Failure(Failure::UnbalancedParentheses);
            return v;
        }
        throw Failure(Failure::Syntax);
    case Token::Name:
        if (s.peek().kind == Token::Symbol && s.peek().text == "(" && !variables_.contains(t.text))
            return function(t.text, s);
        if (t.text == "ACTLEN")
            return Value::number(imageBuffer_.lastFeedLength());
        if (variables_.contains(t.text))
            return variables_.value(t.text);
        return t.text.endsWith('$') ? Value::text({}) : Value::number(0);
    case Token::End:
        break;
    }
    throw Failure(Failure::Syntax);
}

Value Interpreter::function(const QByteArray& name, Scanner& s) {
    s.expect("(");
    Value result;
    if (name == "CHR$") {
        const int code = integerArgument(s);
        if (code < 0 || code > 255)
            throw Failure(Failure::OutOfRange);
        result = Value::text(QByteArray(1, static_cast<char>(code)));
    } else if (name == "STR$") {
        result = Value::text(Value::formatNumber(expression(s).num()));
    } else if (name == "VERSION$") {
        const int which = integerArgument(s);
        const QByteArray texts[] = {profile_.versionText, profile_.model, profile_.hardwareVersion};
        if (which < 0 || which > 2)
            throw Failure(Failure::OutOfRange);
        result = Value::text(texts[which]);
    } else if (name == "SYSVAR") {
        result = Value::number(readSysvar(integerArgument(s)));
    } else if (name == "LEN") {
        result = Value::number(static_cast<double>(expression(s).str().size()));
    } else if (name == "VAL") {
        result = Value::number(expression(s).str().trimmed().toDouble());
    } else if (name == "PORTIN") {
        integerArgument(s);
        if (!profile_.industrial)
            throw Failure(Failure::OutOfRange);
        result = Value::number(0);
    } else if (name == "BARCODENAME$") {
        // 0 starts the list again, any other value gives the next name; "" after the last.
        barcodeIndex_ = integerArgument(s) == 0 ? 0 : barcodeIndex_ + 1;
        result =
            Value::text(BarcodeNames[barcodeIndex_] ? QByteArray(BarcodeNames[barcodeIndex_]) : QByteArray());
        if (!BarcodeNames[barcodeIndex_])
            --barcodeIndex_;
    } else {
        throw Failure(Failure::Syntax);
    }
    if (!s.accept(")"))
        throw Failure(Failure::UnbalancedParentheses);
    return result;
}

} // namespace PrinterSim
