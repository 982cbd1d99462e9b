#include "errors/ErrorInfoHolder.h"

namespace Platform {

void ErrorInfoHolder::Capture(const Automation::Error& error) {
    number_ = error.Number();
    source_ = error.Source();
    description_ = error.Description();
}

void ErrorInfoHolder::Capture(const std::exception_ptr& error) {
    try {
        if (error)
            std::rethrow_exception(error);
        Capture(Automation::Error(0, {}, {}));
    } catch (const Automation::Error& e) {
        Capture(e);
    } catch (const std::exception& e) {
        Capture(Automation::Error(Automation::RuntimeError::InvalidProcedureCall, {}, e.what()));
    } catch (...) {
        Capture(
            Automation::Error(Automation::RuntimeError::InvalidProcedureCall, {},
                              Automation::runtimeErrorText(Automation::RuntimeError::InvalidProcedureCall)));
    }
}

void ErrorInfoHolder::Raise() const {
    throw Automation::Error(number_, source_, description_);
}

} // namespace Platform
