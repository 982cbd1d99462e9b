#include "seams/Seams.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
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

namespace {
bool allowed(const char* text) {
    sockaddr_storage address{};
    if (inet_pton(AF_INET, text, &reinterpret_cast<sockaddr_in&>(address).sin_addr) == 1)
        address.ss_family = AF_INET;
    else if (inet_pton(AF_INET6, text, &reinterpret_cast<sockaddr_in6&>(address).sin6_addr) == 1)
        address.ss_family = AF_INET6;
    else
        ADD_FAILURE() << text;
    return Seams::destinationAllowed(reinterpret_cast<const sockaddr*>(&address));
}
} // namespace

TEST(Seams, LoopbackGuardJudgesResolvedAddressesOfBothFamilies) {
    ScopedEnv only("KESTRUP_LOOPBACK_ONLY", "1");
    for (const char* pass : {"127.0.0.1", "127.255.255.255", "::1", "::ffff:127.0.0.1", "::ffff:127.9.8.7"})
        EXPECT_TRUE(allowed(pass)) << pass;
    for (const char* refused :
         {"255.255.255.255", "10.0.0.1", "128.0.0.1", "::ffff:10.0.0.1", "2001:db8::1", "::", "::2"})
        EXPECT_FALSE(allowed(refused)) << refused;

    EXPECT_EQ(Seams::guardedDestination("127.0.0.7"), "127.0.0.7");
    EXPECT_EQ(Seams::guardedDestination("::ffff:127.0.0.1"), "::ffff:127.0.0.1");
    // A name is judged by what it resolves to.
    auto local = Seams::guardedDestination("localhost");
    ASSERT_TRUE(local);
    EXPECT_TRUE(*local == "127.0.0.1" || *local == "::1") << *local;
    for (const char* refused : {"10.0.0.1", "2001:db8::1", "::ffff:10.0.0.1", "printer.invalid"})
        EXPECT_FALSE(Seams::guardedDestination(refused)) << refused;

    ScopedEnv off("KESTRUP_LOOPBACK_ONLY", nullptr);
    EXPECT_TRUE(allowed("10.0.0.1"));
    EXPECT_EQ(Seams::guardedDestination("printer.invalid"), "printer.invalid");
}
