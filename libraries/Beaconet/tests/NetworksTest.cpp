// The network list, its address rules and the list of found print servers.
#include <gtest/gtest.h>

#include <set>

#include "Beaconet/HBPrinters.h"
#include "Beaconet/Networks.h"
#include "Beaconet/modIPAddress.h"
#include "ErrorNumber.h"

namespace Beaconet {
namespace {

using Automation::Variant;

TEST(Networks, AddNormalisesTheAddressAndKeepsTheTextAsGiven) {
    const std::pair<const char*, const char*> cases[] = {
        {"192.168.1.*", "192.168.1.255"}, {"192.168.1", "192.168.1.255"},        {"10.1.2.3.4", "10.1.2.3"},
        {"", "255.255.255.255"},          {"*.*.*.*", "255.255.255.255"},        {"10.0.0.0", "10.0.0.0"},
        {"10..3", "10.255.3.255"},        {"127.255.255.255", "127.255.255.255"}};
    auto networks = Automation::New<Networks>();
    for (auto [given, normalised] : cases) {
        SCOPED_TRACE(given);
        EXPECT_EQ(networks->Add(given)->IPAddress(), normalised);
        EXPECT_EQ(networks->Item(Variant(std::string("IP") + given))->IPAddress(), normalised);
    }
    EXPECT_EQ(networks->Count(), 8);
    EXPECT_EQ(networks->Item(Variant(int32_t(3)))->IPAddress(), "10.1.2.3");
}

TEST(Networks, RefusesWhatIsNoAddressAndAddsNothing) {
    auto networks = Automation::New<Networks>();
    networks->Add("10.0.0.1");
    for (const char* text :
         {"10.0.0.256", "abc.1.2.3", "5x", " 5", "1.2.3.-1", "1.2.3.99999999999", "1. 2.3.4",
          // read as octal or as a host name by the socket library
          "127.0.0.010", "127.0.0.08", "192.168.001.5", "00.1.2.3"}) {
        SCOPED_TRACE(text);
        EXPECT_TRUE(isError(raisedError([&] { networks->Add(text); }), 30000, "CHBsnmp:IsValidIP",
                            "IP address is not valid"));
    }
    EXPECT_EQ(errorNumberOf([&] { networks->Add("10.0.0.1"); }),
              Automation::RuntimeError::KeyAlreadyAssociated);
    EXPECT_EQ(networks->Count(), 1);
}

TEST(Networks, RemoveFindsTheTextOrTheAddressAndIndexesStayUnique) {
    auto networks = Automation::New<Networks>();
    auto first = networks->Add("192.168.1.*");
    networks->Add("10.0.0.255");
    networks->Add("172.16.0.255");
    networks->Remove(Variant("192.168.1.255"));
    networks->Remove(Variant("10.9.9.9")); // not held: ignored
    networks->Remove(Variant("10.0.0.255"));
    EXPECT_EQ(networks->Count(), 1);
    EXPECT_TRUE(networks->ByRequestIndex(first->RequestIndex()).isNothing());

    // Indexes of later networks never meet those of removed or held ones.
    std::set<int32_t> indexes{networks->Item(Variant(int32_t(1)))->RequestIndex()};
    for (const char* text : {"192.168.1.*", "10.0.0.255", "10.0.1.255"}) {
        auto network = networks->Add(text);
        EXPECT_TRUE(indexes.insert(network->RequestIndex()).second) << text;
        EXPECT_EQ(networks->ByRequestIndex(network->RequestIndex()), network);
    }
    EXPECT_EQ(networks->Count(), 4);
}

TEST(Networks, LongFormsRoundTripAndHighAddressesAreNegative) {
    for (const char* address :
         {"0.0.0.0", "1.2.3.4", "10.0.15.0", "127.0.0.1", "192.168.1.255", "255.255.255.255"}) {
        SCOPED_TRACE(address);
        EXPECT_EQ(ConvertLongToIP(ConvertIPToLong(address)), address);
    }
    EXPECT_LT(ConvertIPToLong("192.168.1.1"), 0);
    EXPECT_EQ(ConvertIPToLong("1.2.3.4"), 0x01020304);
    EXPECT_EQ(ConvertIPToLong("255.255.255.255"), -1);
    EXPECT_EQ(errorNumberOf([] { ConvertIPToLong("1.2.x.4"); }), Automation::RuntimeError::TypeMismatch);
    EXPECT_EQ(errorNumberOf([] { ConvertIPToLong("1.2.3"); }), Automation::RuntimeError::TypeMismatch);
    EXPECT_EQ(errorNumberOf([] { ConvertIPToLong("1.2.3.256"); }), Automation::RuntimeError::Overflow);

    auto networks = Automation::New<Networks>();
    auto network = networks->Add("192.168.1.*");
    EXPECT_EQ(network->GetIPAsLong(), ConvertIPToLong("192.168.1.255"));
    EXPECT_EQ(networks->GetNetworkByLong(ConvertIPToLong("192.168.1.255")), nullptr); // held under its text
    networks->Add("10.0.0.255");
    EXPECT_EQ(networks->GetNetworkByLong(ConvertIPToLong("10.0.0.255"))->IPAddress(), "10.0.0.255");
}

TEST(HBPrinters, EntriesAreKeyedByAddressAndReused) {
    auto printers = Automation::New<HBPrinters>();
    auto entry = printers->Add("127.0.0.5", "127.0.0.5");
    entry->setPrinterName("one");
    EXPECT_EQ(printers->Add("127.0.0.5", "127.0.0.5"), entry);
    EXPECT_EQ(printers->Count(), 1);
    EXPECT_TRUE(printers->IsExistingKey("127.0.0.5"));
    EXPECT_FALSE(printers->IsExistingKey("127.0.0.6"));

    auto replacement = Automation::New<HBPrinter>();
    replacement->setIPAddress("127.0.0.5");
    EXPECT_EQ(printers->AddPrinterObject(replacement), replacement);
    EXPECT_EQ(printers->Item(Variant("127.0.0.5")), replacement);
    EXPECT_EQ(printers->Count(), 1);

    EXPECT_EQ(errorNumberOf([&] { printers->Item(Variant("127.0.0.6")); }),
              Automation::RuntimeError::InvalidProcedureCall);
    EXPECT_EQ(errorNumberOf([&] { printers->Remove(Variant(int32_t(2))); }),
              Automation::RuntimeError::SubscriptOutOfRange);
    printers->Remove(Variant(int32_t(1)));
    EXPECT_EQ(printers->Count(), 0);
}

} // namespace
} // namespace Beaconet
