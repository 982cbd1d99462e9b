#include "FileSystem.h"

#include <utility>

#include "Failure.h"
#include "Glyphs.h"
#include "Rll.h"

namespace PrinterSim {

namespace {

// The stock image: the maker's name in a frame two dots wide.
QByteArray logo() {
    const Bitmap name = Glyphs::text("KESTREL", 2, 2, 0);
    const int border = 2;
    const int margin = 2 * border;
    Bitmap logo(name.width() + 2 * margin, name.height() + 2 * margin);
    for (int y = 0; y < logo.height(); ++y)
        for (int x = 0; x < logo.width(); ++x) {
            const bool frame =
                x < border || y < border || x >= logo.width() - border || y >= logo.height() - border;
            const bool inside =
                x >= margin && y >= margin && x < margin + name.width() && y < margin + name.height();
            logo.set(x, y, frame || (inside && name.black(x - margin, y - margin)));
        }
    return Rll::encode(logo);
}

} // namespace

FileSystem::FileSystem(const Profile& profile) {
    const qint64 k = 1024;
    if (profile.major() >= 7) {
        devices_ = {{"c:", profile.flashKb * k * 3 / 4, false, true},
                    {"tmp:", profile.ramKb * k / 4, false, false},
                    {"rom:", profile.flashKb * k / 4, true, true}};
    } else {
        devices_ = {{"ram:", profile.ramKb * k / 4, false, false},
                    {"rom:", profile.flashKb * k / 4, true, true}};
    }
    if (profile.cardInserted)
        devices_.append({"card1:", 16384 * k, false, true});
    tmpCapacity_ = profile.ramKb * k / 4;
    nodes_.insert("rom:Swiss 721 BT.ttf", QByteArray(2048, 'F'));
    nodes_.insert("rom:Kestrel logo.1", logo());
}

const FileSystem::Device& FileSystem::device(const QByteArray& name) const {
    for (const Device& d : devices_)
        if (d.name == name.toLower())
            return d;
    throw Failure(Failure::FileNotFound);
}

bool FileSystem::hasDevice(const QByteArray& name) const {
    for (const Device& d : devices_)
        if (d.name == name.toLower())
            return true;
    return false;
}

void FileSystem::reboot() {
    for (const Device& d : devices_)
        if (!d.keptOverReboot)
            nodes_.removeIf([&d](const auto& it) { return it.key().startsWith(d.name); });
}

void FileSystem::setReleasedImageMemory(qint64 bytes) {
    for (Device& d : devices_)
        if (d.name == "tmp:")
            d.capacity = tmpCapacity_ + bytes;
}

QByteArray FileSystem::normalise(const QByteArray& path) const {
    QByteArray devicePart;
    QByteArray rest;
    if (path.startsWith('/')) {
        const qsizetype slash = path.indexOf('/', 1);
        devicePart = (slash < 0 ? path.mid(1) : path.mid(1, slash - 1)) + ":";
        rest = slash < 0 ? QByteArray() : path.mid(slash + 1);
    } else {
        const qsizetype colon = path.indexOf(':');
        if (colon < 0)
            throw Failure(Failure::FileNotFound);
        devicePart = path.left(colon + 1);
        rest = path.mid(colon + 1);
    }
    while (rest.startsWith('/'))
        rest.remove(0, 1);
    return device(devicePart).name + rest;
}

QByteArray FileSystem::deviceOf(const QByteArray& normalised) {
    return normalised.left(normalised.indexOf(':') + 1);
}

bool FileSystem::exists(const QByteArray& path) const {
    const QByteArray n = normalise(path);
    return n == deviceOf(n) || nodes_.contains(n) || isDirectory(path);
}

bool FileSystem::isDirectory(const QByteArray& path) const {
    QByteArray n = normalise(path);
    if (n == deviceOf(n))
        return true;
    if (!n.endsWith('/'))
        n += '/';
    return nodes_.contains(n);
}

QByteArray FileSystem::read(const QByteArray& path) const {
    const QByteArray n = normalise(path);
    const auto it = nodes_.constFind(n);
    if (it == nodes_.constEnd() || n.endsWith('/'))
        throw Failure(Failure::FileNotFound);
    return it.value();
}

void FileSystem::checkWritable(const QByteArray& normalised) const {
    if (device(deviceOf(normalised)).readOnly)
        throw Failure(Failure::WriteProtected);
}

void FileSystem::write(const QByteArray& path, const QByteArray& data) {
    const QByteArray n = normalise(path);
    checkWritable(n);
    const QByteArray dev = deviceOf(n);
    const qsizetype slash = n.lastIndexOf('/');
    if (slash > 0 && !nodes_.contains(n.left(slash + 1)))
        throw Failure(Failure::FileNotFound);
    if (isDirectory(n) || n == dev)
        throw Failure(Failure::FileExists);
    if (data.size() > room(n))
        throw Failure(Failure::DeviceFull);
    if (const auto it = nodes_.find(n); it != nodes_.end())
        drop(std::exchange(it.value(), data));
    else
        nodes_.insert(n, data);
}

void FileSystem::drop(QByteArray contents) {
    // Only long files: a short one is not worth holding on to.
    constexpr qsizetype Long = qsizetype(1) << 20;
    if (contents.isDetached() && contents.capacity() >= Long && contents.capacity() > spare_.capacity())
        spare_ = std::move(contents);
}

QByteArray FileSystem::buffer(qsizetype capacity) {
    QByteArray buffer;
    if (spare_.capacity() >= capacity) {
        buffer = std::exchange(spare_, QByteArray());
        buffer.resize(0); // keeps the memory
    } else {
        buffer.reserve(capacity);
    }
    return buffer;
}

void FileSystem::remove(const QByteArray& path, bool recursive) {
    QByteArray n = normalise(path);
    checkWritable(n);
    if (const auto it = nodes_.find(n); it != nodes_.end()) {
        QByteArray contents = it.value();
        nodes_.erase(it);
        drop(std::move(contents));
        return;
    }
    if (!n.endsWith('/'))
        n += '/';
    if (!nodes_.contains(n))
        throw Failure(Failure::FileNotFound);
    const bool empty = list(n).isEmpty();
    if (!empty && !recursive)
        throw Failure(Failure::AccessDenied);
    nodes_.removeIf([&n](const auto& it) { return it.key().startsWith(n); });
}

void FileSystem::makeDirectory(const QByteArray& path) {
    QByteArray n = normalise(path);
    checkWritable(n);
    if (!n.endsWith('/'))
        n += '/';
    if (exists(n.chopped(1)))
        throw Failure(Failure::FileExists);
    nodes_.insert(n, {});
}

void FileSystem::format(const QByteArray& deviceName) {
    const Device& d = device(deviceName);
    if (d.readOnly)
        throw Failure(Failure::WriteProtected);
    nodes_.removeIf([&d](const auto& it) { return it.key().startsWith(d.name); });
}

QList<FileSystem::Entry> FileSystem::list(const QByteArray& directory) const {
    QByteArray n = normalise(directory);
    if (n != deviceOf(n) && !n.endsWith('/'))
        n += '/';
    QList<Entry> entries;
    for (auto it = nodes_.constBegin(); it != nodes_.constEnd(); ++it) {
        if (!it.key().startsWith(n) || it.key() == n)
            continue;
        const QByteArray inside = it.key().mid(n.size());
        const qsizetype slash = inside.indexOf('/');
        if (slash >= 0 && slash != inside.size() - 1)
            continue;
        entries.append({inside, slash >= 0 ? 0 : it.value().size(), slash >= 0});
    }
    return entries;
}

qint64 FileSystem::used(const QByteArray& deviceName) const {
    const QByteArray d = device(deviceName).name;
    qint64 total = 0;
    for (auto it = nodes_.constBegin(); it != nodes_.constEnd(); ++it)
        if (it.key().startsWith(d))
            total += it.value().size();
    return total;
}

qint64 FileSystem::room(const QByteArray& path) const {
    const QByteArray n = normalise(path);
    return free(deviceOf(n)) + nodes_.value(n).size();
}

qint64 FileSystem::free(const QByteArray& deviceName) const {
    // A device that shrank below what it holds has no room left, not less.
    return qMax<qint64>(device(deviceName).capacity - used(deviceName), 0);
}

QByteArray FileSystem::fileName(const QByteArray& path) {
    return path.mid(qMax(path.lastIndexOf('/'), path.indexOf(':')) + 1);
}

QMap<QByteArray, QByteArray> FileSystem::files() const {
    QMap<QByteArray, QByteArray> result;
    for (auto it = nodes_.constBegin(); it != nodes_.constEnd(); ++it)
        if (!it.key().endsWith('/'))
            result.insert(it.key(), it.value());
    return result;
}

} // namespace PrinterSim
