#pragma once
// The printer's setup parameters: comma-separated keys ("MEDIA,MEDIA
// SIZE,WIDTH") with one value each, in the order the printer lists them.
#include <QByteArray>
#include <QList>
#include <QPair>

#include "Profile.h"

namespace PrinterSim {

class SetupTree {
public:
    explicit SetupTree(const Profile& profile);

    bool has(const QByteArray& key) const;
    // "Parameter out of range" for an unknown key.
    QByteArray value(const QByteArray& key) const;
    void set(const QByteArray& key, const QByteArray& value);
    // One line per parameter: the key, a comma and the value.
    QByteArray dump(const QByteArray& lineBreak) const;
    // The media length in dots (MEDIA SIZE,LENGTH; 0 when it is no number).
    int mediaLength() const;
    // The bytes of image-buffer memory that a media size below the start-up
    // one (the head's width, 1200 dots long) leaves free for tmp:.
    qint64 releasedImageMemory() const;

private:
    qsizetype indexOf(const QByteArray& key) const;

    QList<QPair<QByteArray, QByteArray>> values_;
    // The branch that holds the media settings: "MEDIA," or, on 6.x, "SERVICE,".
    QByteArray media_;
    qint64 startupImageMemory_ = 0;
};

} // namespace PrinterSim
