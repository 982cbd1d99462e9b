#pragma once
// A user's action on a control: an automation error of its handler is shown
// to the user in a message box with the library's title, and anything else is
// contained as at every entry from the event loop.
#include <utility>

#include "messages/GuardedEntry.h"
#include "messages/ModalBox.h"

namespace Platform::Ui {

template <class Body> void guarded(const char* where, const char* title, Body&& body) noexcept {
    Platform::fromEventLoop(where, std::forward<Body>(body), [title](const Automation::Error& error) {
        Platform::ShowModalBox(error.Description(), title);
    });
}

} // namespace Platform::Ui
