#pragma once
// The connection-type page: serial (one printer) or network (any number).
#include <cstdint>

#include <QWidget>

class QRadioButton;

namespace Kestrup {

class ctlConnectionType : public QWidget {
    Q_OBJECT
public:
    explicit ctlConnectionType(QWidget* parent = nullptr);

    // 1 serial, 2 network, 0 neither; writing another value changes nothing.
    int32_t ConnectionType() const;
    void setConnectionType(int32_t value);

private:
    QRadioButton* optSerial;
    QRadioButton* optNetwork;
};

} // namespace Kestrup
