#pragma once
// Shared checks of the connection tests: library errors and event records.
#include <string>
#include <string_view>
#include <vector>

#include "ErrorNumber.h"
#include "Tethra/Connection.h"
#include "errors/ErrorTextProvider.h"

namespace TethraTest {

// The library error number under source, with the library's text for it.
inline testing::AssertionResult isLibraryError(const Automation::Error& error, int32_t number,
                                               std::string_view source) {
    return isError(error, number, source, Platform::ErrorTextProvider::GetErrorText(number));
}

// The connection's events in the order they came, one word each.
struct EventLog {
    explicit EventLog(Tethra::Connection& connection, bool veto = false) {
        connections.push_back(connection.BeforeConnectionDestroy.connect(
            [this, veto](Automation::Ref<Tethra::Connection>, bool& cancel) {
                events.push_back("Before");
                cancel = veto;
            }));
        connections.push_back(connection.AfterConnectionChanged.connect(
            [this](Automation::Ref<Tethra::Connection>) { events.push_back("After"); }));
        connections.push_back(connection.OnFirstTimeOpen.connect(
            [this](Automation::Ref<Tethra::Connection>) { events.push_back("FirstOpen"); }));
        connections.push_back(connection.OnPortOpenChanged.connect(
            [this](bool& open) { events.push_back(open ? "Opened" : "Closed"); }));
        connections.push_back(connection.OnReceive.connect([this] { events.push_back("Receive"); }));
    }
    std::vector<std::string> take() { return std::exchange(events, {}); }

    std::vector<std::string> events;
    std::vector<Automation::EventConnection> connections;
};

} // namespace TethraTest
