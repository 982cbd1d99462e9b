#pragma once
// One value of the interpreter: a number or a text (bytes, one per character).
#include <QByteArray>

namespace PrinterSim {

class Value {
public:
    Value() = default;
    static Value number(double value);
    static Value text(const QByteArray& value);

    bool isText() const { return isText_; }
    // The number; raises the interpreter's type mismatch for a text.
    double num() const;
    // The text; raises the interpreter's type mismatch for a number.
    const QByteArray& str() const;
    // What PRINT and STR$ write for this value.
    QByteArray printed() const;

    // Numbers the way the printer writes them: whole numbers without a point,
    // others with up to ten significant digits; never a leading blank.
    static QByteArray formatNumber(double value);

private:
    bool isText_ = false;
    double number_ = 0;
    QByteArray text_;
};

} // namespace PrinterSim
