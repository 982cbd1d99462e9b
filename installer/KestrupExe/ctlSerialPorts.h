#pragma once
// The serial-port page: the PC's COM ports with the state of their DSR line.
#include <cstdint>

#include <QWidget>

#include "Seekwire/CommPort.h"

class QTreeWidgetItem;

namespace Platform::Ui {
class ListView;
}

namespace Kestrup {

class ctlSerialPorts : public QWidget {
    Q_OBJECT
public:
    explicit ctlSerialPorts(QWidget* parent = nullptr);

    // Lists COM1 to COM15 afresh.
    void Load();
    // Nothing when no row carrying a port is selected.
    Automation::Ref<Seekwire::CommPort> SelectedSerPort() const;

Q_SIGNALS:
    // The user chose a row that carries a port, with the mouse or the keyboard.
    void SerPortSelected(int16_t iPort);
    // The user took the choice back: no port is selected any more.
    void NoSerPortSelected();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ItemClick(QTreeWidgetItem* item);
    void fitColumns();
    Automation::Ref<Seekwire::CommPort> portOf(QTreeWidgetItem* item) const;

    bool headersAdded_ = false;
    Platform::Ui::ListView* lstSerialPorts;
};

} // namespace Kestrup
