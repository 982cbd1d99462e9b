#include "KestrupExe/NetworkBreakString.h"
#include "KestrupExe/SerialBreakString.h"

#include <gtest/gtest.h>

#include "ErrorNumber.h"

using namespace Kestrup;

TEST(BreakStringTest, TypesAndFreshValues) {
    EXPECT_EQ(IBreakString().BreakStringType(), 0);
    EXPECT_EQ(NetworkBreakString().BreakStringType(), 2);
    SerialBreakString serial;
    EXPECT_EQ(serial.BreakStringType(), 1);
    EXPECT_EQ(serial.Connectstring(), "0,0,0,0");
    EXPECT_EQ(serial.getBreakString(), "");
}

TEST(BreakStringTest, ConnectstringCarriesBaudParityDataAndStopBits) {
    SerialBreakString serial;
    serial.setBaudrate(9600);
    serial.setParity(1);
    serial.setDatabits(8);
    serial.setStopbits(1);
    EXPECT_EQ(serial.Connectstring(), "9600,1,8,1");

    serial.setConnectstring("19200,2,7,2,ignored");
    EXPECT_EQ(serial.Baudrate(), 19200);
    EXPECT_EQ(serial.Parity(), 2);
    EXPECT_EQ(serial.Databits(), 7);
    EXPECT_EQ(serial.Stopbits(), 2);
}

TEST(BreakStringTest, AnInvalidConnectstringChangesNothing) {
    SerialBreakString serial;
    serial.setConnectstring("9600,1,8,1");
    EXPECT_TRUE(isError(raisedError([&] { serial.setConnectstring("9600,1,8"); }), 9999, "Kestrup",
                        "ConnectString not valid"));
    EXPECT_EQ(errorNumberOf([&] { serial.setConnectstring("4800,1,x,1"); }), 13);
    EXPECT_EQ(serial.Connectstring(), "9600,1,8,1");
}
