#pragma once
// The hold that a client object (one that a library keeps to call a window
// or control back) has on the window it speaks for. The library may keep the
// client longer than the window lives; once the window is gone, every call
// through the hold raises 91, as a reference to an object that is gone does.
#include <QObject>
#include <QPointer>

#include "automation/Ref.h"

namespace Platform {

template <class T> class WeakControl {
public:
    explicit WeakControl(T* control) : control_(control) {}

    T* operator->() const {
        if (!control_)
            Automation::raiseObjectNotSet();
        return control_.data();
    }

private:
    QPointer<T> control_;
};

} // namespace Platform
