// The label layout statements, which draw into the image buffer, and the
// images that the printer keeps.
#include "Failure.h"
#include "Interpreter.h"
#include "Rll.h"
#include "Scanner.h"

namespace PrinterSim {

bool Interpreter::layoutStatement(const QByteArray& keyword, Scanner& s) {
    if (keyword == "CLL") {
        imageBuffer_.clear();
    } else if (keyword == "PP" || keyword == "PRPOS") {
        const int x = integerArgument(s);
        s.expect(",");
        imageBuffer_.setPosition(x, integerArgument(s));
    } else if (keyword == "AN") {
        imageBuffer_.setAlignment(integerArgument(s));
    } else if (keyword == "DIR") {
        imageBuffer_.setDirection(integerArgument(s));
    } else if (keyword == "NORIMAGE" || keyword == "INVIMAGE") {
        imageBuffer_.setInverse(keyword == "INVIMAGE");
    } else if (keyword == "CLIP") {
        const bool on = s.accept("ON");
        if (!on)
            s.expect("OFF");
        imageBuffer_.setClip(on);
    } else if (keyword == "FONT") {
        font(s);
    } else if (keyword == "PRTXT") {
        QByteArray text = expression(s).printed();
        while (s.accept(";"))
            text += expression(s).printed();
        imageBuffer_.drawText(text);
    } else if (keyword == "PRIMAGE") {
        imageBuffer_.drawImage(storedImage(expression(s).str()));
    } else if (keyword == "PF") {
        imageBuffer_.feed();
    } else if (keyword == "IMAGE") {
        s.expect("BUFFER");
        s.expect("SAVE");
        saveImageBuffer(expression(s).str());
    } else {
        return false;
    }
    return true;
}

void Interpreter::font(Scanner& s) {
    if (!fontNames().contains(expression(s).str()))
        throw Failure(Failure::InvalidFont);
    // Height, slant and width; those left out take their start-up values.
    int size[] = {12, 0, 100};
    for (int& value : size) {
        if (!s.accept(","))
            break;
        value = integerArgument(s);
    }
    imageBuffer_.setFontSize(size[0], size[1], size[2]);
}

QList<QByteArray> Interpreter::fontNames() const {
    QList<QByteArray> names{"Swiss 721 BT", "Swiss 721 Bold BT", "Monospace 821 BT"};
    for (const QByteArray& path : files_.files().keys())
        if (path.toLower().endsWith(".ttf"))
            names.append(FileSystem::fileName(path).chopped(4));
    return names;
}

QByteArray Interpreter::imageFile(const QByteArray& name) const {
    QByteArray found;
    for (const QByteArray& path : files_.files().keys())
        if (FileSystem::fileName(path) == name)
            found = path;
    if (found.isEmpty())
        throw Failure(Failure::FileNotFound);
    return found;
}

Bitmap Interpreter::storedImage(const QByteArray& name) const {
    const auto kept = images_.constFind(name);
    const std::optional<Bitmap> picture =
        Rll::decode(kept != images_.constEnd() ? kept.value() : files_.read(imageFile(name)));
    // Other image formats are not drawn.
    if (!picture)
        throw Failure(Failure::NotImplemented);
    return *picture;
}

void Interpreter::removeImage(Scanner& s) {
    s.expect("IMAGE");
    const QByteArray name = s.next().text;
    if (images_.remove(name) == 0)
        files_.remove(imageFile(name), false);
}

void Interpreter::saveImageBuffer(const QByteArray& path) {
    const QByteArray file = Rll::encode(imageBuffer_.picture());
    files_.write(path, file);
    images_.insert(FileSystem::fileName(files_.normalise(path)), file);
}

} // namespace PrinterSim
