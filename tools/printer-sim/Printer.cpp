#include "Printer.h"

#include <QHostAddress>
#include <QMetaObject>
#include <QMutexLocker>

#include "Device.h"
#include "Failure.h"

namespace PrinterSim {

Printer::Printer(const Profile& profile, const FaultPlan& faults) {
    device_ = new Device(profile, faults);
    device_->moveToThread(&thread_);
    thread_.setObjectName(QStringLiteral("printer-sim"));
    thread_.start();
}

Printer::~Printer() {
    Device* device = device_;
    QMetaObject::invokeMethod(
        device, [device] { delete device; }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

bool Printer::addressAllowed(const QString& address, QString* why) {
    QHostAddress host;
    if (!host.setAddress(address) || host.protocol() != QAbstractSocket::IPv4Protocol) {
        *why = "refusing \"" + address + "\": not an IPv4 address";
        return false;
    }
    if ((host.toIPv4Address() >> 24) != 127) {
        *why = "refusing " + address + ": the simulator binds only to 127.0.0.0/8";
        return false;
    }
    return true;
}

bool Printer::listen(const QString& address, quint16 port) {
    if (!addressAllowed(address, &error_))
        return false;
    bool ok = false;
    Device* device = device_;
    QString error;
    QMetaObject::invokeMethod(
        device, [&] { ok = device->listen(QHostAddress(address), port, &error); },
        Qt::BlockingQueuedConnection);
    error_ = error;
    if (ok) {
        address_ = address;
        QMetaObject::invokeMethod(
            device, [&] { port_ = device->port(); }, Qt::BlockingQueuedConnection);
    }
    return ok;
}

bool Printer::openSerial(const QString& linkPath) {
    bool ok = false;
    Device* device = device_;
    QString error;
    QMetaObject::invokeMethod(
        device, [&] { ok = device->openSerial(linkPath, &error); }, Qt::BlockingQueuedConnection);
    error_ = error;
    return ok;
}

bool Printer::listenHttp(quint16 port) {
    bool ok = false;
    Device* device = device_;
    QString error;
    QMetaObject::invokeMethod(
        device,
        [&] {
            ok = device->listenHttp(QHostAddress(address_), port, &error);
            httpPort_ = device->httpPort();
        },
        Qt::BlockingQueuedConnection);
    if (!ok)
        error_ = error;
    return ok;
}

template <typename F> auto Printer::locked(F&& read) const {
    QMutexLocker lock(&device_->mutex());
    return read(*device_);
}

void Printer::recordInput(bool on) {
    locked([on](Device& d) {
        d.setRecordingInput(on);
        return 0;
    });
}

QByteArray Printer::receivedBytes() const {
    return locked([](Device& d) { return d.recordedInput(); });
}

QList<QByteArray> Printer::receivedLines() const {
    return locked([](Device& d) { return d.interpreter().receivedLines(); });
}

qint64 Printer::heldUploadBytes() const {
    return locked([](Device& d) { return qint64(d.interpreter().heldUploadBytes()); });
}

QByteArray Printer::user() const {
    return locked([](Device& d) { return d.interpreter().user(); });
}

int Printer::sysvar(int index) const {
    return locked([index](Device& d) { return d.interpreter().sysvar(index); });
}

QByteArray Printer::variableText(const QByteArray& name) const {
    return locked([&name](Device& d) { return d.interpreter().variable(name).printed(); });
}

QMap<QByteArray, QByteArray> Printer::files() const {
    return locked([](Device& d) { return d.interpreter().files().files(); });
}

bool Printer::putFile(const QByteArray& path, const QByteArray& data) {
    return locked([&](Device& d) {
        try {
            d.interpreter().files().write(path, data);
            return true;
        } catch (const Failure&) {
            return false;
        }
    });
}

QByteArray Printer::setupValue(const QByteArray& key) const {
    return locked([&key](Device& d) {
        const SetupTree& setup = d.interpreter().setup();
        return setup.has(key) ? setup.value(key) : QByteArray();
    });
}

bool Printer::setSetupValue(const QByteArray& key, const QByteArray& value) {
    return locked([&](Device& d) {
        SetupTree& setup = d.interpreter().setup();
        if (!setup.has(key))
            return false;
        setup.set(key, value);
        return true;
    });
}

QByteArray Printer::display() const {
    return locked([](Device& d) { return d.interpreter().display(); });
}

QList<QByteArray> Printer::displayHistory() const {
    return locked([](Device& d) { return d.interpreter().displayHistory(); });
}

QList<Shell::StoredKernel> Printer::storedKernels() const {
    return locked([](Device& d) { return d.interpreter().storedKernels(); });
}

Bitmap Printer::imageBuffer() const {
    return locked([](Device& d) { return d.interpreter().imageBuffer().picture(); });
}

void Printer::addFault(const Fault& fault) {
    locked([&fault](Device& d) {
        d.faults().add(fault);
        return 0;
    });
}

int Printer::connections() const {
    return locked([](Device& d) { return d.connections(); });
}

bool Printer::rebooting() const {
    return locked([](Device& d) { return d.rebooting(); });
}

void Printer::breakReceived() {
    Device* device = device_;
    QMetaObject::invokeMethod(
        device, [device] { device->breakReceived(); }, Qt::BlockingQueuedConnection);
}

// Output must leave from the device's thread, where its link lives.
template <typename F> void Printer::sendFromDevice(F&& send) {
    Device* device = device_;
    QMetaObject::invokeMethod(
        device,
        [device, &send] {
            QMutexLocker lock(&device->mutex());
            send(device->interpreter());
        },
        Qt::BlockingQueuedConnection);
}

void Printer::sendDebugFrame(const QByteArray& payload) {
    sendFromDevice([&payload](Interpreter& interpreter) { interpreter.debugFrame(payload); });
}

void Printer::sendApplicationFrame(const QByteArray& payload) {
    sendFromDevice([&payload](Interpreter& interpreter) { interpreter.applicationFrame(payload); });
}

} // namespace PrinterSim
