#pragma once
// What a call raises, for tests that check errors.
#include <gtest/gtest.h>
#include <string_view>

#include "automation/Error.h"

// The number of the automation error that a call raises; 0 when it raises none.
template <class F> int32_t errorNumberOf(F&& call) {
    try {
        call();
    } catch (const Automation::Error& error) {
        return error.Number();
    }
    return 0;
}

// The automation error that a call raises; a test failure when it raises none.
template <class F> Automation::Error raisedError(F&& call) {
    try {
        call();
    } catch (const Automation::Error& error) {
        return error;
    }
    ADD_FAILURE() << "no error raised";
    return Automation::Error(0, {}, {});
}

// Whether an error carries this number, source and description; on a mismatch it shows both.
inline testing::AssertionResult isError(const Automation::Error& error, int32_t number,
                                        std::string_view source, std::string_view description) {
    if (error.Number() == number && error.Source() == source && error.Description() == description)
        return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << "raised " << error.Number() << " \"" << error.Source() << "\" \"" << error.Description()
           << "\", expected " << number << " \"" << source << "\" \"" << description << "\"";
}
