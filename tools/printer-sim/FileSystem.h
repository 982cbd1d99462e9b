#pragma once
// The printer's file devices and their files. Paths are written as the
// printer takes them: "c:dir/name", "/c/dir/name" or "c:/dir/name"; device
// names are compared in lower case. A full device refuses a file, rom: refuses
// every change, and card1: exists only while a card is in the slot.
#include <QByteArray>
#include <QList>
#include <QMap>

#include "Profile.h"

namespace PrinterSim {

class FileSystem {
public:
    struct Device {
        QByteArray name; // with its colon: "c:"
        qint64 capacity = 0;
        bool readOnly = false;
        bool keptOverReboot = true;
    };
    struct Entry {
        QByteArray name; // within its directory; directories end in "/"
        qint64 size = 0;
        bool directory = false;
    };

    explicit FileSystem(const Profile& profile);

    // The devices of this printer (card1: only while mounted), in listing order.
    const QList<Device>& devices() const { return devices_; }
    const Device& device(const QByteArray& name) const;
    bool hasDevice(const QByteArray& name) const;
    // A reboot empties the devices that are not kept.
    void reboot();
    // tmp: takes image-buffer memory that the media size leaves free.
    void setReleasedImageMemory(qint64 bytes);

    // "c:", "dir/name" from any of the accepted forms; "File not found" for
    // an unknown device.
    QByteArray normalise(const QByteArray& path) const;
    bool exists(const QByteArray& path) const;
    bool isDirectory(const QByteArray& path) const;
    QByteArray read(const QByteArray& path) const;
    void write(const QByteArray& path, const QByteArray& data);
    void remove(const QByteArray& path, bool recursive);
    void makeDirectory(const QByteArray& path);
    void format(const QByteArray& device);
    // The entries directly inside a directory (or a device), by name.
    QList<Entry> list(const QByteArray& directory) const;
    qint64 used(const QByteArray& device) const;
    qint64 free(const QByteArray& device) const;
    // The largest file that `write` would take at `path` now: the device's
    // free space plus what a file of that name already holds.
    qint64 room(const QByteArray& path) const;
    // The name of a file without its device and directories.
    static QByteArray fileName(const QByteArray& path);
    // Every file, by normalised path (tests read them back).
    QMap<QByteArray, QByteArray> files() const;
    // An empty buffer with room for `capacity` bytes to come, in the memory
    // of a long file replaced or removed before where there is one: fresh
    // memory takes a page fault per page as it fills, which on a virtual
    // machine costs more than the bytes' copy.
    QByteArray buffer(qsizetype capacity);

private:
    static QByteArray deviceOf(const QByteArray& normalised);
    void checkWritable(const QByteArray& normalised) const;
    // Keeps the memory of a file's contents that no one else holds for buffer().
    void drop(QByteArray contents);

    QList<Device> devices_;
    // tmp:'s own share of the RAM, before image-buffer memory is added.
    qint64 tmpCapacity_ = 0;
    // Normalised path to content; directories are kept as "dev:dir/" keys.
    QMap<QByteArray, QByteArray> nodes_;
    QByteArray spare_;
};

} // namespace PrinterSim
