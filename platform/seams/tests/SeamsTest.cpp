#include "seams/Seams.h"

#include <gtest/gtest.h>
#include <stdlib.h>

using namespace Platform;

namespace {
// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = getenv(name))
            old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { old_.empty() ? unsetenv(name_) : setenv(name_, old_.c_str(), 1); }

private:
    const char* name_;
    std::string old_;
};
} // namespace

TEST(Seams, ComPortsMapToTheFolderOrToSerialDevices) {
    {
        ScopedEnv dir("KESTRUP_COM_DIR", nullptr);
        EXPECT_EQ(Seams::comDevicePath(1), "/dev/ttyS0");
        EXPECT_EQ(Seams::comDevicePath(16), "/dev/ttyS15");
    }
    ScopedEnv dir("KESTRUP_COM_DIR", "/tmp/ports");
    EXPECT_EQ(Seams::comDevicePath(3), "/tmp/ports/COM3");
}

TEST(Seams, PortsFallBackToTheSystemDefaultsOnBadValues) {
    ScopedEnv snmp("KESTRUP_SNMP_PORT", "70000");
    ScopedEnv http("KESTRUP_HTTP_PORT", "8080");
    EXPECT_EQ(Seams::snmpPort(), 161);
    EXPECT_EQ(Seams::httpPort(), 8080);
}

TEST(Seams, LoopbackOnlyRefusesOtherDestinations) {
    ScopedEnv only("KESTRUP_LOOPBACK_ONLY", "1");
    EXPECT_TRUE(Seams::destinationAllowed(0x7F000001));
    EXPECT_TRUE(Seams::destinationAllowed(0x7FFFFFFF));
    EXPECT_FALSE(Seams::destinationAllowed(0xFFFFFFFF));
    EXPECT_FALSE(Seams::destinationAllowed(0x0A000001));
    ScopedEnv off("KESTRUP_LOOPBACK_ONLY", nullptr);
    EXPECT_TRUE(Seams::destinationAllowed(0x0A000001));
}
