#include "Brindle/RubricError.h"

#include <gtest/gtest.h>

#include "Brindle/RubricErrors.h"
#include "ErrorNumber.h"

using namespace Brindle;
using Automation::New;

TEST(RubricError, ParsesThePrintersErrorLines) {
    struct Case {
        const char* line;
        int32_t number;
        int32_t lineNumber;
        const char* description;
    };
    const Case cases[] = {
        {"Error 1022 in line 20: Invalid font", 1022, 20, "Invalid font"},
        {"Error 19: Invalid font", 19, 0, "Invalid font"},
        {"error 5:  text ", 5, 0, "text"},
        {"Error  12: x", 0, 0, "x"},
        {"Error 22 in line 7: File: not found", 22, 7, "File"},
        {"\r\n\x01"
         "Error 3: Bad\r\n",
         3, 0, "Bad"},
    };
    for (const auto& c : cases) {
        auto error = New<RubricError>();
        EXPECT_EQ(errorNumberOf([&] { error->SetRBErrorMsg(c.line); }), 0) << c.line;
        EXPECT_EQ(error->Number(), c.number) << c.line;
        EXPECT_EQ(error->Line(), c.lineNumber) << c.line;
        EXPECT_EQ(error->Description(), c.description) << c.line;
    }
}

TEST(RubricError, RefusesLinesThatAreNoErrorMessageAndKeepsItsFields) {
    auto error = New<RubricError>();
    error->SetRBErrorMsg("Error 7 in line 3: Out of memory");
    for (const char* line :
         {"Syntax Error 5: x", "Error without colon", "Error:", "Error 99999999999: big"}) {
        EXPECT_TRUE(isError(raisedError([&] { error->SetRBErrorMsg(line); }), 101,
                            "PrinterErr:SetRBErrorMsg Method",
                            "The operation failed because of invalid data."))
            << line;
        EXPECT_EQ(error->Number(), 7) << line;
        EXPECT_EQ(error->Line(), 3) << line;
        EXPECT_EQ(error->Description(), "Out of memory") << line;
    }
    error->Clear();
    EXPECT_EQ(error->Number(), 0);
    EXPECT_EQ(error->Description(), "");
}

TEST(RubricErrors, KeepsErrorsInOrder) {
    auto errors = New<RubricErrors>();
    errors->Clear();
    EXPECT_EQ(errors->Count(), 0);
    auto first = errors->Add(New<RubricError>());
    auto second = errors->Add(New<RubricError>());
    EXPECT_EQ(errors->Item(1), first);
    errors->Remove(1);
    EXPECT_EQ(errors->Item(1), second);
    EXPECT_EQ(errorNumberOf([&] { errors->Item(2); }), 9);
    errors->Clear();
    EXPECT_EQ(errors->Count(), 0);
}
