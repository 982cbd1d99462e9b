#pragma once
// Sits between the interpreter and the link: passes the printer's output on in
// order, recognises each command reply (SOH "CMD" ... EOT) and applies the
// selected reply faults to it (delay, split, cut, garbage, duplicates).
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>
#include <functional>

#include "FaultPlan.h"

namespace PrinterSim {

class ReplyShaper : public QObject {
    Q_OBJECT
public:
    using Writer = std::function<void(const QByteArray&)>;
    using Dropper = std::function<void()>;

    ReplyShaper(FaultPlan& faults, Writer writer, Dropper dropLink, QObject* parent = nullptr);

    // Output of the interpreter, in order.
    void push(const QByteArray& bytes);
    // The link has gone: what is still queued is lost.
    void reset();
    // The reply being read leaves its head at once and the rest `ms` later,
    // whatever faults are selected.
    void stallReply(int ms) { stallMs_ = ms; }
    // Replies seen so far (whole, as the interpreter printed them).
    int replyCount() const { return replies_; }

private:
    struct Chunk {
        QByteArray bytes;
        qint64 due = 0;
        bool dropAfter = false;
    };

    void finishReply(const QByteArray& reply);
    void enqueue(const QByteArray& bytes, qint64 delayMs = 0, bool dropAfter = false);
    void send();

    FaultPlan& faults_;
    Writer writer_;
    Dropper dropLink_;
    QTimer timer_;
    QList<Chunk> queue_;
    QByteArray reply_;
    QByteArray lastReply_;
    bool inReply_ = false;
    int replies_ = 0;
    int stallMs_ = 0;
};

} // namespace PrinterSim
