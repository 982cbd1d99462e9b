#include "errors/ErrorInfoHolder.h"
#include "errors/ErrorTextProvider.h"

#include <gtest/gtest.h>
#include <set>
#include <stdexcept>

using namespace Platform;
using Automation::Error;

TEST(ErrorTextProvider, EveryLibraryNumberHasItsOwnText) {
    const int32_t numbers[] = {101, 102, 107, 112, 113, 116, 117, 118, 119, 120, 121, 122,
                               123, 124, 125, 126, 127, 128, 129, 200, 201, 202, 203};
    std::set<std::string> texts;
    for (int32_t number : numbers) {
        std::string text = ErrorTextProvider::GetErrorText(number);
        EXPECT_EQ(text.find("Unknown"), std::string::npos) << number;
        texts.insert(text);
    }
    EXPECT_EQ(texts.size(), std::size(numbers));
    EXPECT_FALSE(ErrorTextProvider::GetErrorText(4711).empty());
}

namespace {
void docRemove() {
    ErrorTextProvider::RaiseLibraryError(101, "Doc:Remove Method");
}

void protocolHandlerCommand() {
    ErrorTextProvider::RaiseLibraryError(120, "ProtocolHandler:Command Method");
}

void printerNewProgram() {
    try {
        protocolHandlerCommand();
    } catch (const Error& e) {
        Automation::reraise(e, "Printer:NewProgram Method");
    }
}
} // namespace

TEST(ErrorTextProvider, RaisesWithNumberSourceAndDescription) {
    try {
        docRemove();
        FAIL() << "no error raised";
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), 101);
        EXPECT_EQ(e.Source(), "Doc:Remove Method");
        EXPECT_EQ(e.Description(), ErrorTextProvider::GetErrorText(101));
    }
}

TEST(ErrorTextProvider, RaisingAgainKeepsTheTextOfNumbersItHasNone) {
    struct Case {
        Error caught;
        std::string description;
    };
    const Case cases[] = {
        {Error(107, "NetCommWrapper:Connected Property Let", "inner text"),
         ErrorTextProvider::GetErrorText(107)},
        {Error(8002, "SaxComm8", "Invalid port number: COM5"), "Invalid port number: COM5"},
        {Error(91, "", "Object variable or With block variable not set"),
         "Object variable or With block variable not set"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ErrorTextProvider::HasErrorText(c.caught.Number()), c.caught.Number() == 107);
        try {
            ErrorTextProvider::RaiseAgain(c.caught, "Connection:PortOpen Property Let");
        } catch (const Error& e) {
            EXPECT_EQ(e.Number(), c.caught.Number());
            EXPECT_EQ(e.Source(), "Connection:PortOpen Property Let");
            EXPECT_EQ(e.Description(), c.description);
        }
    }
}

TEST(ErrorTextProvider, ReraisingAppendsTheOuterSource) {
    try {
        printerNewProgram();
        FAIL() << "no error raised";
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), 120);
        EXPECT_EQ(e.Source(), "ProtocolHandler:Command Method>Printer:NewProgram Method");
        EXPECT_EQ(e.Description(), ErrorTextProvider::GetErrorText(120));
    }
}

TEST(ErrorInfoHolder, KeepsACaughtErrorAcrossCleanUpAndRaisesItUnchanged) {
    ErrorInfoHolder holder;
    try {
        docRemove();
    } catch (...) {
        holder.Capture();
    }
    // Clean-up that fails and is handled must not disturb what was kept.
    try {
        Automation::raise(Automation::RuntimeError::ObjectNotSet, "Cleanup");
    } catch (const Error&) {
    }
    EXPECT_EQ(holder.Number(), 101);
    EXPECT_EQ(holder.Source(), "Doc:Remove Method");
    try {
        holder.Raise();
        FAIL() << "no error raised";
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), 101);
        EXPECT_EQ(e.Source(), "Doc:Remove Method");
    }

    try {
        throw std::runtime_error("disk full");
    } catch (...) {
        holder.Capture();
    }
    EXPECT_EQ(holder.Number(), Automation::RuntimeError::InvalidProcedureCall);
    EXPECT_EQ(holder.Description(), "disk full");
}
