#include "ReplyShaper.h"

#include <QDateTime>
#include <utility>

namespace PrinterSim {

namespace {

constexpr char Soh = 1;
constexpr char Stx = 2;
constexpr char Eot = 4;
constexpr char Xoff = 0x13;
const QByteArray ReplyStart = QByteArray(1, Soh) + "CMD";
constexpr int DefaultDelayMs = 1500;
constexpr int SplitPauseMs = 300;

qint64 now() {
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

ReplyShaper::ReplyShaper(FaultPlan& faults, Writer writer, Dropper dropLink, QObject* parent)
    : QObject(parent), faults_(faults), writer_(std::move(writer)), dropLink_(std::move(dropLink)),
      timer_(this) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &ReplyShaper::send);
}

void ReplyShaper::push(const QByteArray& bytes) {
    // Plain output passes on as slices of `bytes`, the whole of it shared,
    // so a long file sent by cat is not copied here.
    qsizetype plainFrom = 0;
    // Where the reply being read started in `bytes`; -1 when in an earlier push.
    qsizetype replyFrom = -1;
    qsizetype at = 0;
    while (at < bytes.size()) {
        if (!inReply_) {
            const qsizetype soh = bytes.indexOf(Soh, at);
            if (soh < 0)
                break;
            // A SOH that the bytes after it show to start no reply is plain
            // output, passed over without a copy.
            const qsizetype follow = qMin(bytes.size() - soh, ReplyStart.size());
            if (!ReplyStart.startsWith(QByteArrayView(bytes.constData() + soh, follow))) {
                at = soh + 1;
                continue;
            }
            inReply_ = true;
            replyFrom = soh;
            reply_ = QByteArray(1, Soh);
            at = soh + 1;
        } else if (reply_.size() < ReplyStart.size()) {
            // A SOH that does not start a reply is plain output.
            reply_ += bytes[at++];
            if (!ReplyStart.startsWith(reply_)) {
                if (replyFrom < 0) {
                    enqueue(reply_);
                    plainFrom = at;
                }
                reply_.clear();
                inReply_ = false;
            }
        } else {
            const qsizetype eot = bytes.indexOf(Eot, at);
            reply_.append(bytes.constData() + at, (eot < 0 ? bytes.size() : eot + 1) - at);
            if (eot < 0)
                break;
            at = eot + 1;
            if (replyFrom >= 0)
                enqueue(bytes.mid(plainFrom, replyFrom - plainFrom));
            finishReply(reply_);
            reply_.clear();
            inReply_ = false;
            plainFrom = at;
        }
    }
    // A reply not yet whole waits for the rest.
    const qsizetype plainTo = !inReply_ ? bytes.size() : replyFrom >= 0 ? replyFrom : plainFrom;
    enqueue(bytes.mid(plainFrom, plainTo - plainFrom));
}

void ReplyShaper::finishReply(const QByteArray& reply) {
    ++replies_;
    const QByteArray previous = lastReply_;
    lastReply_ = reply;
    if (const int stall = std::exchange(stallMs_, 0); stall > 0) {
        const qsizetype head = reply.indexOf(Stx) + 1;
        enqueue(reply.left(head));
        enqueue(reply.mid(head), stall);
        return;
    }
    if (faults_.take(Fault::NoReply))
        return;
    if (faults_.take(Fault::StaleReply) && !previous.isEmpty())
        enqueue(previous);
    if (faults_.take(Fault::GarbageBeforeReply))
        enqueue(QByteArray("#~garbage\x7f\xfe") + "\r\n");
    if (faults_.take(Fault::StraySoh))
        enqueue(QByteArray(1, Soh) + "xx");
    QByteArray bytes = reply;
    if (faults_.take(Fault::XoffInReply))
        bytes.insert(bytes.indexOf(Stx) + 1, Xoff);
    const qsizetype half = bytes.size() / 2;
    if (const auto f = faults_.take(Fault::DelayedReply)) {
        enqueue(bytes, f->param < 0 ? DefaultDelayMs : f->param);
    } else if (const auto f = faults_.take(Fault::SplitReply)) {
        const qsizetype cut = f->param < 0 ? half : qMin<qsizetype>(f->param, bytes.size());
        enqueue(bytes.left(cut));
        enqueue(bytes.mid(cut), SplitPauseMs);
    } else if (const auto f = faults_.take(Fault::UnfinishedReply)) {
        enqueue(bytes.left(f->param < 0 ? half : f->param));
    } else if (const auto f = faults_.take(Fault::DroppedLink)) {
        enqueue(bytes.left(f->param < 0 ? half : f->param), 0, true);
    } else {
        enqueue(bytes);
        if (faults_.take(Fault::DuplicateReply))
            enqueue(bytes);
    }
}

void ReplyShaper::enqueue(const QByteArray& bytes, qint64 delayMs, bool dropAfter) {
    if (bytes.isEmpty() && !dropAfter)
        return;
    qint64 due = now() + delayMs;
    if (!queue_.isEmpty())
        due = qMax(due, queue_.last().due);
    queue_.append({bytes, due, dropAfter});
    send();
}

void ReplyShaper::send() {
    while (!queue_.isEmpty()) {
        const qint64 wait = queue_.first().due - now();
        if (wait > 0) {
            timer_.start(static_cast<int>(wait));
            return;
        }
        const Chunk chunk = queue_.takeFirst();
        writer_(chunk.bytes);
        if (chunk.dropAfter) {
            queue_.clear();
            dropLink_();
            return;
        }
    }
}

void ReplyShaper::reset() {
    timer_.stop();
    stallMs_ = 0;
    queue_.clear();
    reply_.clear();
    inReply_ = false;
}

} // namespace PrinterSim
