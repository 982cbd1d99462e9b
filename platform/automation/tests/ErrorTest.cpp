#include "automation/Error.h"

#include <gtest/gtest.h>

using namespace Automation;

TEST(ErrorTest, RaiseTakesTheRunTimeTextWhenNoneIsGiven) {
    try {
        raise(RuntimeError::Overflow, "Timer:Elapsed Property Get");
        FAIL();
    } catch (const Error& error) {
        EXPECT_EQ(error.Number(), 6);
        EXPECT_EQ(error.Source(), "Timer:Elapsed Property Get");
        EXPECT_EQ(error.Description(), "Overflow");
        EXPECT_STREQ(error.what(), "Overflow");
    }
    try {
        raise(50005, "Printer:Command Method", "RB Error: 5 Syntax error");
        FAIL();
    } catch (const Error& error) {
        EXPECT_EQ(error.Description(), "RB Error: 5 Syntax error");
    }
    EXPECT_EQ(runtimeErrorText(RuntimeError::InvalidPattern), "Invalid pattern string");
    EXPECT_EQ(runtimeErrorText(RuntimeError::InvalidUseOfNull), "Invalid use of Null");
    EXPECT_EQ(runtimeErrorText(RuntimeError::ObjectRequired), "Object required");
    EXPECT_EQ(runtimeErrorText(12345), "");
}

TEST(ErrorTest, ReraiseAppendsTheOwnSource) {
    try {
        try {
            raise(ObjectErrorBase + 113, "ProtocolHandler:Command Method", "Aborted");
        } catch (const Error& error) {
            reraise(error, "Printer:NewProgram Method");
        }
        FAIL();
    } catch (const Error& error) {
        EXPECT_EQ(error.Number(), ObjectErrorBase + 113);
        EXPECT_EQ(error.Source(), "ProtocolHandler:Command Method>Printer:NewProgram Method");
        EXPECT_EQ(error.Description(), "Aborted");
    }
}
