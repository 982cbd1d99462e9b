#include "automation/Error.h"

#include <gtest/gtest.h>

#include "ErrorNumber.h"

using namespace Automation;

TEST(ErrorTest, RaiseTakesTheRunTimeTextWhenNoneIsGiven) {
    Error overflow = raisedError([] { raise(RuntimeError::Overflow, "Timer:Elapsed Property Get"); });
    EXPECT_TRUE(isError(overflow, 6, "Timer:Elapsed Property Get", "Overflow"));
    EXPECT_STREQ(overflow.what(), "Overflow");
    EXPECT_TRUE(
        isError(raisedError([] { raise(50005, "Printer:Command Method", "RB Error: 5 Syntax error"); }),
                50005, "Printer:Command Method", "RB Error: 5 Syntax error"));
    EXPECT_EQ(runtimeErrorText(RuntimeError::InvalidPattern), "Invalid pattern string");
    EXPECT_EQ(runtimeErrorText(RuntimeError::InvalidUseOfNull), "Invalid use of Null");
    EXPECT_EQ(runtimeErrorText(RuntimeError::ObjectRequired), "Object required");
    EXPECT_EQ(runtimeErrorText(RuntimeError::BadRecordNumber), "Bad record number");
    EXPECT_EQ(runtimeErrorText(12345), "");
}

TEST(ErrorTest, ReraiseAppendsTheOwnSource) {
    Error error = raisedError([] {
        try {
            raise(ObjectErrorBase + 113, "ProtocolHandler:Command Method", "Aborted");
        } catch (const Error& inner) {
            reraise(inner, "Printer:NewProgram Method");
        }
    });
    EXPECT_TRUE(isError(error, ObjectErrorBase + 113,
                        "ProtocolHandler:Command Method>Printer:NewProgram Method", "Aborted"));
}
