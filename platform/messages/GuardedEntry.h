#pragma once
// The one door from Qt's event loop into our code. Posted deliveries, timer
// ticks and socket or serial notices all come in through here, so that no
// exception ever crosses the event loop: an automation error goes where the
// member routes it, anything else is reported on standard error and the
// program goes on.
#include <exception>
#include <functional>

#include "automation/Error.h"

namespace Platform {

// Where an automation error raised by the body goes (an Error event, a stored
// status, ...). Without a route it ends with the body, as a handler's error
// ends with the handler.
using AutomationErrorRoute = std::function<void(const Automation::Error&)>;

// Reports an exception that is not an automation error: what escaped, and where.
void reportEscapedException(const char* where, const char* what) noexcept;

template <class Body>
void fromEventLoop(const char* where, Body&& body, const AutomationErrorRoute& route = {}) noexcept {
    try {
        try {
            body();
        } catch (const Automation::Error& error) {
            if (route)
                route(error);
        }
    } catch (const std::exception& escaped) {
        reportEscapedException(where, escaped.what());
    } catch (...) {
        reportEscapedException(where, "an exception of unknown type");
    }
}

} // namespace Platform
