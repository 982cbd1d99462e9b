#pragma once
// The printer's Rubric interpreter in immediate mode: reads lines from its
// input channel, runs them (or stores numbered program lines), and writes
// what they print through its host.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <functional>
#include <optional>

#include "FileSystem.h"
#include "Host.h"
#include "ImageBuffer.h"
#include "Profile.h"
#include "SetupTree.h"
#include "Shell.h"
#include "Value.h"

namespace PrinterSim {

class Scanner;

class Interpreter {
public:
    // Channel numbers as the printer counts them (SYSVAR and MAP use 1-5).
    static constexpr int Uart1 = 1;
    static constexpr int Net1 = 5;
    static constexpr char LineBreak[] = "\r\n";
    // The input buffer holds this much of a line; the rest of a longer line
    // is lost, and the line is refused when its end comes.
    static constexpr qsizetype MaxLineBytes = 32 * 1024;
    // receivedLines keeps the latest lines, this many and this many bytes at most.
    static constexpr qsizetype KeptLines = 10000;
    static constexpr qsizetype KeptBytes = 4 * 1024 * 1024;

    Interpreter(const Profile& profile, Host& host, int channel);

    // Bytes from the host, in any pieces.
    void receive(const QByteArray& bytes);
    // How many raw input bytes a shell program still reads (0: none is reading).
    qint64 rawInputWanted() const { return reading_ ? reading_->remaining : 0; }
    // A program reading raw input heard nothing for its time-out.
    void inputTimedOut();
    // The state of a printer that has just been switched on.
    void restart();

    // Read back by tests; the latest lines only (KeptLines, KeptBytes).
    const QList<QByteArray>& receivedLines() const { return received_; }
    // The bytes of a raw upload held while it is being read.
    qsizetype heldUploadBytes() const { return reading_ ? reading_->data.size() : 0; }
    QByteArray user() const { return user_; }
    int sysvar(int index) const { return sysvars_.value(index); }
    const QMap<int, QByteArray>& program() const { return program_; }
    Value variable(const QByteArray& name) const { return variables_.value(name.toUpper()); }
    FileSystem& files() { return files_; }
    SetupTree& setup() { return setup_; }
    // The text last written to the console (the printer's display), and
    // every text written to it, in order; a reboot keeps the history.
    QByteArray display() const { return display_; }
    const QList<QByteArray>& displayHistory() const { return displayHistory_; }
    const QList<Shell::StoredKernel>& storedKernels() const { return shell_.storedKernels(); }
    const ImageBuffer& imageBuffer() const { return imageBuffer_; }

    // Frames of the printer's debug and application protocols, sent to the
    // host between its other output.
    void debugFrame(const QByteArray& payload);
    void applicationFrame(const QByteArray& payload);

private:
    // How the statements of a line end.
    struct Flow {
        enum Kind { Next, Stop, Jump };
        Kind kind = Next;
        int target = 0;
    };

    // `cut`: the line was longer than the input buffer.
    void takeLine(const QByteArray& line, bool cut);
    void enterProgramLine(const QByteArray& line);
    Flow runLine(const QByteArray& line, int lineNumber);
    Flow statement(const QByteArray& text, const QByteArray& keyword);
    void runProgram(int fromLine);
    void runLines(QMap<int, QByteArray>::const_iterator from);
    void reportError(int number, int lineNumber);
    void show(const QByteArray& text);
    // tmp: follows the media size, which leaves image-buffer memory to it.
    void updateTmpRoom();
    void out(const QByteArray& bytes);
    void newLineIfNeeded();

    // Statements.
    void print(Scanner& s);
    void assign(Scanner& s);
    void map(Scanner& s);
    void list(Scanner& s);
    void runStatement(Scanner& s, Flow& flow);
    void immediate(Scanner& s);
    void files(Scanner& s);
    void open(Scanner& s);
    void close(Scanner& s);
    void setupStatement(Scanner& s);
    void load(Scanner& s, bool merge);
    void save(Scanner& s);
    void fonts();
    // TRANSFER Z|K "R"|"S","name and sz: the link hands the line to a protocol program.
    void transfer(Scanner& s);
    void handOver(Handover::Protocol protocol, bool send, const QByteArray& name);
    void images();
    // The label layout statements (LayoutStatements.cpp); false for any other keyword.
    bool layoutStatement(const QByteArray& keyword, Scanner& s);
    void font(Scanner& s);
    QList<QByteArray> fontNames() const;
    // The file of an image by its name; "File not found" when there is none.
    QByteArray imageFile(const QByteArray& name) const;
    // An image that the printer keeps or an image file, as drawn.
    Bitmap storedImage(const QByteArray& name) const;
    void removeImage(Scanner& s);
    void saveImageBuffer(const QByteArray& path);
    // Output of PRINT: to the host, or to an OPEN channel.
    void emit(int handle, const QByteArray& bytes);
    // The device name of a channel ("net1:" for 5).
    static QByteArray channelName(int channel);
    void prompt();

    // Expressions, from the loosest operator to the tightest.
    Value expression(Scanner& s);
    Value conjunction(Scanner& s);
    Value comparison(Scanner& s);
    Value sum(Scanner& s);
    Value product(Scanner& s);
    Value unary(Scanner& s);
    Value primary(Scanner& s);
    Value function(const QByteArray& name, Scanner& s);
    int integerArgument(Scanner& s);

    int readSysvar(int index);
    void writeSysvar(int index, int value);

    static QList<QByteArray> splitStatements(const QByteArray& line);

    // An OPEN channel: a device such as "console:" or a file being written.
    struct Handle {
        QByteArray target;
        bool output = false;
        QByteArray data;
    };

    const Profile& profile_;
    Host& host_;
    FileSystem files_;
    SetupTree setup_;
    Shell shell_;
    ImageBuffer imageBuffer_;
    // Images the printer keeps apart from its files (a saved image buffer), by name.
    QMap<QByteArray, QByteArray> images_;
    QHash<int, Handle> handles_;
    // Raw input that a shell program reads instead of the command line.
    struct Reading {
        qint64 remaining = 0;
        int idleSeconds = 0;
        QByteArray data;
        std::function<void(const QByteArray&)> done;
    };
    std::optional<Reading> reading_;
    QByteArray display_;
    QList<QByteArray> displayHistory_;
    int channel_;
    QByteArray pending_;
    bool lineCut_ = false;
    bool lastWasCr_ = false;
    bool atLineStart_ = true;
    int column_ = 0;
    bool away_ = false;
    bool immediate_ = true;
    int lastEntered_ = 0;
    int barcodeIndex_ = 0;
    QList<QByteArray> received_;
    qsizetype receivedBytes_ = 0;
    QByteArray user_;
    QHash<int, int> sysvars_;
    QHash<QByteArray, Value> variables_;
    QMap<int, QByteArray> program_;
    // MAP: per input channel, a received byte and what it is read as.
    QHash<int, QHash<char, char>> maps_;
};

} // namespace PrinterSim
