#pragma once
// The printer's run-length image format RLL: a 40-byte header ("@(#)LOGO",
// the offset and length of the run data, height and width) and run data read
// from its last byte towards its first. The printer keeps its images in it and
// saves its image buffer in it.
#include <QByteArray>
#include <optional>

#include "Bitmap.h"

namespace PrinterSim::Rll {

// The picture as an RLL file. Every group of up to 128 equal rows starts
// with a repeat marker, so its runs may be up to 255 pixels long.
QByteArray encode(const Bitmap& picture);
// The picture of an RLL file; nothing when the file is no RLL image or its
// runs do not fill its rows exactly.
std::optional<Bitmap> decode(const QByteArray& file);

} // namespace PrinterSim::Rll
