#include "Value.h"

#include <cmath>

#include "Failure.h"

namespace PrinterSim {

Value Value::number(double value) {
    Value v;
    v.number_ = value;
    return v;
}

Value Value::text(const QByteArray& value) {
    Value v;
    v.isText_ = true;
    v.text_ = value;
    return v;
}

double Value::num() const {
    if (isText_)
        throw Failure(Failure::TypeMismatch);
    return number_;
}

const QByteArray& Value::str() const {
    if (!isText_)
        throw Failure(Failure::TypeMismatch);
    return text_;
}

QByteArray Value::printed() const {
    return isText_ ? text_ : formatNumber(number_);
}

QByteArray Value::formatNumber(double value) {
    if (std::floor(value) == value && std::fabs(value) < 1e15)
        return QByteArray::number(static_cast<qint64>(value));
    return QByteArray::number(value, 'g', 10);
}

} // namespace PrinterSim
