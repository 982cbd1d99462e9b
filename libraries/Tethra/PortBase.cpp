#include "Tethra/PortBase.h"

#include "Tethra/Connection.h"
#include "errors/ErrorTextProvider.h"

namespace Tethra {

using Platform::ErrorTextProvider;

PortBase::~PortBase() {
    if (properties_)
        properties_->ParentTerminate();
}

Automation::Ref<Proptree::Properties> PortBase::Properties() {
    try {
        if (!properties_) {
            auto list = Automation::New<Proptree::Properties>();
            list->Refresh(self<Automation::Object>(), {});
            properties_ = list;
        }
        return properties_;
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, source("Properties Property Get"));
    }
}

std::string PortBase::ObjectData() {
    try {
        return PortSettings::write(className_, *Properties());
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, source("ObjectData Property Get"));
    }
}

void PortBase::setObjectData(const std::string& value) {
    try {
        PortSettings::apply(value, className_, *Properties(), unknownSetting_);
    } catch (const Automation::Error& error) {
        ErrorTextProvider::RaiseAgain(error, source("ObjectData Property Let"));
    }
}

void PortBase::pumpParent() {
    if (auto parent = Parent())
        parent->ProcessEvents();
    else
        ProcessEvents();
}

void PortBase::raiseAfterConnectionChanged() {
    if (auto parent = Parent())
        parent->RaiseAfterConnectionChanged();
}

void PortBase::raiseOnPortOpenChanged() {
    if (auto parent = Parent())
        parent->RaiseOnPortOpenChanged();
}

void PortBase::raiseOnReceive() {
    if (auto parent = Parent())
        parent->RaiseOnReceive();
}

} // namespace Tethra
